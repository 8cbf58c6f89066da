#pragma once

// The reference host's services: messages, keypad, observation, coupon and search
// dialogs, access checks and the fiscal menu go through a DialogDriver (Qt dialogs for a
// person, a script for a replay); prices come from the PRECOHOST table; the scale is
// simulated; clock, program folder, connection string and formats come from the set-up.

#include "dialogdriver.h"
#include "hostservices.h"
#include "pricetable.h"

#include <QHash>
#include <QStringList>

#include <functional>
#include <memory>

namespace kvp::refhost {

// A scale whose reading is set by whoever plays the point of sale.
class SimulatedScale {
public:
    // kg; 0 means empty or switched off, a negative value a faulty reading.
    void setReading(double kg) { m_reading = kg; }
    double reading() const { return m_reading; }
    int readingsTaken() const { return m_taken; }
    double take()
    {
        ++m_taken;
        return m_reading;
    }

private:
    double m_reading = 0.0;
    int m_taken = 0;
};

struct QtHostConfig {
    QString connectionString;  // handed to the module as it is
    QString programFolder;
    // Name of an open QSqlDatabase that holds PRECOHOST.
    QString priceConnection;
    // "Now" for the module and the price function; the system clock when empty.
    std::function<QDateTime()> clock;
    FormatSettings format = FormatSettings::brazil();
    // Functions that need a supervisor: function code -> PIN. An empty PIN asks for a
    // plain yes. Functions not listed are free.
    QHash<int, QString> protectedFunctions;
    // The occurrences offered for a product (fields of records::obs()); none when empty.
    std::function<DataPacket(const QString& product)> occurrences;
    QStringList fiscalReports = defaultFiscalReports();
    // Runs the fiscal report chosen; by default says that this station has no fiscal
    // printer.
    std::function<void(const QString& report)> runFiscalReport;

    static QStringList defaultFiscalReports();
};

class QtHostServices : public HostServices {
public:
    // The driver must outlive the services (or be replaced with setDialogDriver).
    QtHostServices(QtHostConfig config, DialogDriver& dialogs);
    ~QtHostServices() override;

    void setDialogDriver(DialogDriver& dialogs) { m_dialogs = &dialogs; }
    DialogDriver& dialogDriver() const { return *m_dialogs; }
    SimulatedScale& scale() { return m_scale; }
    PriceTable& prices() { return *m_prices; }
    const QtHostConfig& config() const { return m_config; }

    bool Mensagem(const QString& text, const QString& s2, const QString& s3, const QString& s4,
                  int kind, const QString& s6, const QString& s7, int number,
                  DataSet* dataset) override;
    DataResult MensagemMetodo(const DataResult& result, bool show, int code, const QString& method,
                              const QString& module, const QString& detail1,
                              const QString& detail2) override;
    void CheckResultServ(const DataResult& result, bool show, int code) override;
    double BuscaPeso(const QString& port, const QString& speed) override;
    bool TecladoNumerico(QString& value, const QString& title, const QString& prompt,
                         const QVariantList& further) override;
    QString Observacao(const QVariantList& inputs, HostAnswer& answer) override;
    void CriaInfAdicional(const QVariantList& inputs, HostAnswer& answer) override;
    bool Pesquisa(DataSet& dataset, const QVariantList& further) override;
    DataResult ChamaFuncaoGetRetornaPreco(const QVariantList& nine, DataSet& price) override;
    void ControleAcess(int functionCode, const QVariant& second, QString& text) override;
    bool VerificaAcesso(int functionCode, const QVariant& second, QString& text) override;
    void RelFiscais() override;
    QString GetStringConexQmt(const QString& name) override;
    void TryConnect(QSqlDatabase& connection) override;
    void SetADODBSession(QSqlDatabase& connection) override;
    QString ADOExceptionMessage(const QString& error, const QSqlDatabase& connection,
                                const QString& text) override;
    void Trad(QHash<QString, QString>& captions) override;
    QDateTime now() const override;
    QString programFolder() const override { return m_config.programFolder; }
    const FormatSettings& formatSettings() const override { return m_config.format; }

private:
    bool say(const QString& text, MessageKind kind);

    QtHostConfig m_config;
    DialogDriver* m_dialogs;
    SimulatedScale m_scale;
    std::unique_ptr<PriceTable> m_prices;
};

}  // namespace kvp::refhost
