#pragma once

// The host services of a replay: the reference host's own (Qt dialogs answered from the
// script, the price table, the simulated scale), with what a script sets up in front of
// them (price answers per product, queued scale readings and access answers, raw
// observation answers) and, when asked, one printed line per call the module makes.

#include "hostservices.h"
#include "script.h"

#include <QList>

namespace kvp::refhost {

class ScriptRun;

class ScriptHost : public HostServices {
public:
    // inner answers whatever the script does not; run holds the answer queue and the
    // transcript.
    ScriptHost(HostServices& inner, ScriptRun& run);

    // "call ..." lines from now on, or none.
    void setLogging(bool on) { m_logging = on; }
    bool logging() const { return m_logging; }
    // The price function answers so for the product (and flag) from now on; a later
    // answer for the same product and flag replaces it.
    void setPrice(const ScriptPrice& price);

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
    QString programFolder() const override;
    const FormatSettings& formatSettings() const override;

private:
    // Runs the call; prints "call WHAT -> ANSWER" once it returns (answer fills ANSWER),
    // or "-> stopped" / "-> raised "TEXT"" when it throws, then the call's inputs.
    template <typename F>
    auto traced(const QString& what, const QString& inputs, F&& call);
    // The answer at the front of the queue when it is of this kind.
    std::optional<ScriptAnswer> takeIf(ScriptAnswer::Kind kind);
    const ScriptPrice* priceFor(const QString& product, const QString& flag) const;

    HostServices& m_inner;
    ScriptRun& m_run;
    bool m_logging = false;
    QList<ScriptPrice> m_prices;
};

}  // namespace kvp::refhost
