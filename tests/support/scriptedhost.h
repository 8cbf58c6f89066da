#pragma once

// A host for tests: every dialog answers from a queue the test fills beforehand, every
// call is recorded with its arguments, and a dialog that nobody scripted fails the
// test at once. The clock, the program folder and the connection string are set by
// the test ("a Sunday at 09:05:30", a temporary folder, an SQLite file).

#include "hostservices.h"

#include <QDateTime>
#include <QMap>

#include <deque>
#include <functional>
#include <optional>

namespace kvp::test {

struct HostCall {
    QString service;
    QVariantList args;
};

class ScriptedHost : public HostServices {
public:
    ScriptedHost();
    ~ScriptedHost() override;  // reports answers the code under test never asked for

    // --- Environment ---
    void setNow(const QDateTime& now) { m_now = now; }
    void setProgramFolder(const QString& folder) { m_folder = folder; }
    void setConnectionString(const QString& text) { m_connection = text; }
    void setFormatSettings(const FormatSettings& fs) { m_format = fs; }

    // --- Script ---
    void answerQuestion(bool yes) { m_questions.push_back(yes); }
    // nullopt: the operator cancels the keypad.
    void answerKeypad(std::optional<QString> typed) { m_keypad.push_back(std::move(typed)); }
    void answerObservation(QString text, HostAnswer answer) { m_observations.push_back({std::move(text), std::move(answer)}); }
    void answerCoupon(QString code);
    // 1-based record to pick in the search dialog; nullopt: cancelled.
    void answerSearch(std::optional<int> recNo) { m_searches.push_back(recNo); }
    void answerScale(double weight) { m_scale.push_back(weight); }
    void answerAccess(bool allowed) { m_access.push_back(allowed); }
    // Drops every answer still queued: a run that failed part-way never reached the
    // dialogs they were meant for.
    void forgetAnswers();

    // Price function. By default prices come from a table: a product without a price
    // fails with "PRECNCAD". setPriceFunction replaces the table altogether.
    using PriceFunction = std::function<DataResult(const QVariantList& nine, DataSet& price)>;
    void setPrice(const QString& product, double price, double discount = 0.0, double surcharge = 0.0);
    void setPriceFailure(const QString& product, const QString& code);
    void setPriceFunction(PriceFunction fn) { m_priceFunction = std::move(fn); }

    // Every box kind is recorded; only questions need an answer. When strict, an
    // information or warning box must have been announced with expectMessage().
    void setStrictMessages(bool strict) { m_strictMessages = strict; }
    void expectMessage(const QString& text) { m_expectedMessages.push_back(text); }
    // A host whose MensagemMetodo shows a failure and then returns it, rather than stop
    // the caller: the module must not depend on the host stopping it.
    void setMensagemMetodoReturns(bool returns) { m_mensagemMetodoReturns = returns; }

    // --- Record ---
    const QList<HostCall>& calls() const { return m_calls; }
    QList<HostCall> callsOf(const QString& service) const;
    QStringList messages() const;  // texts of every Mensagem, in order
    void clearCalls() { m_calls.clear(); }

    // --- HostServices ---
    bool Mensagem(const QString& text, const QString& s2, const QString& s3, const QString& s4, int kind,
                  const QString& s6, const QString& s7, int number, DataSet* dataset) override;
    DataResult MensagemMetodo(const DataResult& result, bool show, int code, const QString& method,
                              const QString& module, const QString& detail1, const QString& detail2) override;
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
    QDateTime now() const override { return m_now; }
    QString programFolder() const override { return m_folder; }
    const FormatSettings& formatSettings() const override { return m_format; }

private:
    [[noreturn]] void unexpected(const QString& service, const QString& detail = {});
    void record(const QString& service, QVariantList args) { m_calls.append({service, std::move(args)}); }

    struct Observation {
        QString text;
        HostAnswer answer;
    };
    struct PriceEntry {
        double price = 0, discount = 0, surcharge = 0;
        QString failure;
    };

    QDateTime m_now;
    QString m_folder;
    QString m_connection;
    FormatSettings m_format;
    std::deque<bool> m_questions;
    std::deque<std::optional<QString>> m_keypad;
    std::deque<Observation> m_observations;
    std::deque<HostAnswer> m_coupons;
    std::deque<std::optional<int>> m_searches;
    std::deque<double> m_scale;
    std::deque<bool> m_access;
    std::deque<QString> m_expectedMessages;
    bool m_strictMessages = false;
    bool m_mensagemMetodoReturns = false;
    QMap<QString, PriceEntry> m_prices;
    PriceFunction m_priceFunction;
    QList<HostCall> m_calls;
};

}  // namespace kvp::test
