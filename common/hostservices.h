#pragma once

// Everything the point-of-sale host supplies to the module: message boxes, the check of
// data-service results, dialogs (keypad, observations, coupon, search), the price
// function, the scale, access checks, the fiscal menu, the database session, error
// texts, caption translation, plus the clock, the program folder and the number and
// date formats. The host installs one implementation before it calls the module; the
// reference host builds it on Qt dialogs, tests use a scripted one.

#include "dataresult.h"
#include "dataset.h"
#include "textformat.h"

#include <QDateTime>
#include <QHash>
#include <QString>
#include <QVariant>

#include <array>
#include <stdexcept>

class QSqlDatabase;

namespace kvp {

// An operation that must stop without a further message (the host already told the
// operator, or the operator chose to stop).
class SilentAbort : public std::exception {
public:
    const char* what() const noexcept override { return "Operation aborted"; }
};

// A failure raised by a host service (the price function's code texts, a refused
// result, a dialog that cannot open). message() is what the operator or the log sees.
class HostError : public std::runtime_error {
public:
    explicit HostError(const QString& message);
    QString message() const { return QString::fromUtf8(what()); }
};

// Message box kinds.
enum class MessageKind : int { Question = 1, Information = 2, Warning = 3 };

// Ten-slot answer arrays of the observation and additional-information dialogs.
using HostAnswer = std::array<QVariant, 10>;

class HostServices {
public:
    virtual ~HostServices() = default;

    // --- Messages and result checks ---
    // A modal box. The module always passes s2 empty, s3 "N", s4 "S" for a question
    // and "N" otherwise, s6 empty, s7 empty or the colour scheme, number 0 and no
    // dataset. Returns true for "yes" on a question.
    virtual bool Mensagem(const QString& text, const QString& s2, const QString& s3,
                          const QString& s4, int kind, const QString& s6, const QString& s7,
                          int number, DataSet* dataset) = 0;

    // Takes the raw result of a data function. Data comes back unchanged. An error
    // text is shown when show is true and then stops the caller with SilentAbort;
    // with show false it comes back as an empty result. See defaultMensagemMetodo().
    virtual DataResult MensagemMetodo(const DataResult& result, bool show, int code,
                                      const QString& method, const QString& module,
                                      const QString& detail1, const QString& detail2) = 0;

    // Returns only when the price function succeeded; otherwise raises HostError with
    // the price function's code text ("PRECNCAD", "BLOQUEADO", ...).
    virtual void CheckResultServ(const DataResult& result, bool show, int code) = 0;

    // --- Sibling-package operations ---
    // Weight on the scale: 0 empty or switched off, negative a faulty reading.
    virtual double BuscaPeso(const QString& port, const QString& speed) = 0;
    // Numeric keypad; value is the initial text in and the typed text out, with ","
    // as the decimal separator. Returns true when confirmed.
    virtual bool TecladoNumerico(QString& value, const QString& title, const QString& prompt,
                                 const QVariantList& further) = 0;
    // Observation chooser for a product: ten inputs; fills the ten answer slots and
    // returns the chosen text, empty or "erro" when nothing was chosen.
    virtual QString Observacao(const QVariantList& inputs, HostAnswer& answer) = 0;
    // Additional information (the coupon prompt): nine inputs; slot 4 holds the code.
    virtual void CriaInfAdicional(const QVariantList& inputs, HostAnswer& answer) = 0;
    // Search over the rows of a dataset; true when a row was picked, the cursor on it.
    virtual bool Pesquisa(DataSet& dataset, const QVariantList& further) = 0;
    // The price function: fills the price record with one row, or returns (or raises)
    // a failure whose text is one of the price codes.
    virtual DataResult ChamaFuncaoGetRetornaPreco(const QVariantList& nine, DataSet& price) = 0;
    virtual void ControleAcess(int functionCode, const QVariant& second, QString& text) = 0;
    virtual bool VerificaAcesso(int functionCode, const QVariant& second, QString& text) = 0;
    virtual void RelFiscais() = 0;

    // --- Database session ---
    // The leading underscore of the host's name would make a reserved identifier here.
    virtual QString GetStringConexQmt(const QString& name) = 0;
    // Opens the connection the host's way (the data module's activate method asks for it).
    // A host that leaves it closed lets the module open it itself.
    virtual void TryConnect(QSqlDatabase& connection) { static_cast<void>(connection); }
    virtual void SetADODBSession(QSqlDatabase& connection) = 0;
    virtual QString ADOExceptionMessage(const QString& error, const QSqlDatabase& connection,
                                        const QString& text) = 0;

    // --- Translation ---
    // Control name -> caption; the host may translate the captions in place.
    virtual void Trad(QHash<QString, QString>& captions) = 0;

    // --- Environment ---
    virtual QDateTime now() const = 0;
    virtual QString programFolder() const = 0;  // folder of the running executable
    virtual const FormatSettings& formatSettings() const = 0;
};

// The MensagemMetodo contract both of our hosts share: shows an error text through
// host.Mensagem (warning) when show is true, then raises SilentAbort.
DataResult defaultMensagemMetodo(HostServices& host, const DataResult& result, bool show,
                                 const QString& method);

// The host the module calls. The host (or a test) installs it; installing nullptr
// removes it. host() raises HostError when none is installed.
void installHost(HostServices* services);
HostServices& host();
bool hasHost();

// One operator step (a touch, a key, a tick) reads the host's clock once: inside a
// StepClock the first stepNow() asks the host and later ones get the same moment, so a
// touch's log lines, price look-up and date parameters agree and the host's clock (a
// time-zone look-up on every read) is not asked again and again. A moment older than a
// few milliseconds is read again, so a step that waited on the operator (a message, a
// nested screen) goes on with the time it is now. Outside a step, stepNow() is host().now().
class StepClock {
public:
    StepClock();
    ~StepClock();
    StepClock(const StepClock&) = delete;
    StepClock& operator=(const StepClock&) = delete;
};
QDateTime stepNow();

}  // namespace kvp
