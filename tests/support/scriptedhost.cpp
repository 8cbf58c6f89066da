#include "scriptedhost.h"

#include <gtest/gtest.h>

#include <QSqlDatabase>
#include <QSqlError>

namespace kvp::test {

ScriptedHost::ScriptedHost() : m_now(QDate(2026, 12, 6), QTime(9, 5, 30)) {}

ScriptedHost::~ScriptedHost()
{
    const auto left = m_questions.size() + m_keypad.size() + m_observations.size() + m_coupons.size() +
                      m_searches.size() + m_scale.size() + m_access.size() + m_expectedMessages.size();
    if (left != 0)
        ADD_FAILURE() << "the scripted host still holds " << left
                      << " answer(s) that the code under test never asked for";
}

void ScriptedHost::forgetAnswers()
{
    m_questions.clear();
    m_keypad.clear();
    m_observations.clear();
    m_coupons.clear();
    m_searches.clear();
    m_scale.clear();
    m_access.clear();
    m_expectedMessages.clear();
}

void ScriptedHost::answerCoupon(QString code)
{
    HostAnswer a;
    a[4] = std::move(code);
    m_coupons.push_back(a);
}

void ScriptedHost::setPrice(const QString& product, double price, double discount, double surcharge)
{
    m_prices[product] = {price, discount, surcharge, {}};
}

void ScriptedHost::setPriceFailure(const QString& product, const QString& code)
{
    m_prices[product] = {0, 0, 0, code};
}

QList<HostCall> ScriptedHost::callsOf(const QString& service) const
{
    QList<HostCall> out;
    for (const HostCall& c : m_calls)
        if (c.service == service)
            out.append(c);
    return out;
}

QStringList ScriptedHost::messages() const
{
    QStringList out;
    for (const HostCall& c : m_calls)
        if (c.service == QLatin1String("Mensagem"))
            out << c.args.value(0).toString();
    return out;
}

void ScriptedHost::unexpected(const QString& service, const QString& detail)
{
    const QString text = QStringLiteral("unexpected host call %1 %2").arg(service, detail);
    ADD_FAILURE() << text.toStdString();
    throw HostError(text);
}

bool ScriptedHost::Mensagem(const QString& text, const QString& s2, const QString& s3, const QString& s4,
                            int kind, const QString& s6, const QString& s7, int number, DataSet*)
{
    record(QStringLiteral("Mensagem"), {text, s2, s3, s4, kind, s6, s7, number});
    if (kind == static_cast<int>(MessageKind::Question)) {
        if (m_questions.empty())
            unexpected(QStringLiteral("Mensagem"), QStringLiteral("(question \"%1\")").arg(text));
        const bool yes = m_questions.front();
        m_questions.pop_front();
        return yes;
    }
    if (!m_expectedMessages.empty()) {
        const QString want = m_expectedMessages.front();
        m_expectedMessages.pop_front();
        EXPECT_EQ(want.toStdString(), text.toStdString());
    } else if (m_strictMessages) {
        unexpected(QStringLiteral("Mensagem"), QStringLiteral("(\"%1\")").arg(text));
    }
    return true;
}

DataResult ScriptedHost::MensagemMetodo(const DataResult& result, bool show, int code, const QString& method,
                                        const QString& module, const QString& detail1, const QString& detail2)
{
    record(QStringLiteral("MensagemMetodo"),
           {result.isError() ? result.errorText() : QString(), show, code, method, module, detail1, detail2});
    if (m_mensagemMetodoReturns) {
        try {
            return defaultMensagemMetodo(*this, result, show, method);
        } catch (const SilentAbort&) {
            return result;  // shown; the caller goes on
        }
    }
    return defaultMensagemMetodo(*this, result, show, method);
}

void ScriptedHost::CheckResultServ(const DataResult& result, bool show, int code)
{
    record(QStringLiteral("CheckResultServ"), {result.errorText(), show, code});
    if (result.isError())
        throw HostError(result.errorText());
}

double ScriptedHost::BuscaPeso(const QString& port, const QString& speed)
{
    record(QStringLiteral("BuscaPeso"), {port, speed});
    if (m_scale.empty())
        unexpected(QStringLiteral("BuscaPeso"));
    const double w = m_scale.front();
    m_scale.pop_front();
    return w;
}

bool ScriptedHost::TecladoNumerico(QString& value, const QString& title, const QString& prompt,
                                   const QVariantList& further)
{
    QVariantList args{value, title, prompt};
    args.append(further);
    record(QStringLiteral("TecladoNumerico"), args);
    if (m_keypad.empty())
        unexpected(QStringLiteral("TecladoNumerico"), prompt);
    const std::optional<QString> typed = m_keypad.front();
    m_keypad.pop_front();
    if (!typed)
        return false;
    value = *typed;
    return true;
}

QString ScriptedHost::Observacao(const QVariantList& inputs, HostAnswer& answer)
{
    record(QStringLiteral("Observacao"), inputs);
    if (m_observations.empty())
        unexpected(QStringLiteral("Observacao"));
    Observation o = m_observations.front();
    m_observations.pop_front();
    for (size_t i = 0; i < answer.size(); ++i)
        answer[i] = o.answer[i];
    return o.text;
}

void ScriptedHost::CriaInfAdicional(const QVariantList& inputs, HostAnswer& answer)
{
    record(QStringLiteral("CriaInfAdicional"), inputs);
    if (m_coupons.empty())
        unexpected(QStringLiteral("CriaInfAdicional"));
    answer = m_coupons.front();
    m_coupons.pop_front();
}

bool ScriptedHost::Pesquisa(DataSet& dataset, const QVariantList& further)
{
    QVariantList args{dataset.recordCount()};
    args.append(further);
    record(QStringLiteral("Pesquisa"), args);
    if (m_searches.empty())
        unexpected(QStringLiteral("Pesquisa"));
    const std::optional<int> pick = m_searches.front();
    m_searches.pop_front();
    if (!pick)
        return false;
    dataset.setRecNo(*pick);
    return true;
}

DataResult ScriptedHost::ChamaFuncaoGetRetornaPreco(const QVariantList& nine, DataSet& price)
{
    record(QStringLiteral("ChamaFuncaoGetRetornaPreco"), nine);
    if (m_priceFunction)
        return m_priceFunction(nine, price);
    const QString product = nine.value(2).toString();
    const auto it = m_prices.constFind(product);
    if (it == m_prices.cend())
        return DataResult::error(QStringLiteral("PRECNCAD"));
    if (!it->failure.isEmpty())
        return DataResult::error(it->failure);
    price.emptyOrCreate();
    price.append();
    price.setValue(QStringLiteral("VRPRECO"), it->price);
    price.setValue(QStringLiteral("VRDESCONTO"), it->discount);
    price.setValue(QStringLiteral("VRACRESCIMO"), it->surcharge);
    price.setValue(QStringLiteral("VRPRECOCLIE"), it->price);
    price.setValue(QStringLiteral("IDPRECVARIA"), QStringLiteral("N"));
    price.setValue(QStringLiteral("IDPERCVALOR"), QStringLiteral("V"));
    price.setValue(QStringLiteral("IDACREDESC"), it->discount > 0 ? QStringLiteral("D") : QStringLiteral("A"));
    price.setValue(QStringLiteral("VRPRECODIA"), it->price);
    price.post();
    return DataResult::empty();
}

void ScriptedHost::ControleAcess(int functionCode, const QVariant& second, QString& text)
{
    record(QStringLiteral("ControleAcess"), {functionCode, second});
    text.clear();
}

bool ScriptedHost::VerificaAcesso(int functionCode, const QVariant& second, QString& text)
{
    record(QStringLiteral("VerificaAcesso"), {functionCode, second});
    if (m_access.empty())
        unexpected(QStringLiteral("VerificaAcesso"));
    const bool ok = m_access.front();
    m_access.pop_front();
    text.clear();
    return ok;
}

void ScriptedHost::RelFiscais() { record(QStringLiteral("RelFiscais"), {}); }

QString ScriptedHost::GetStringConexQmt(const QString& name)
{
    record(QStringLiteral("GetStringConexQmt"), {name});
    return m_connection;
}

void ScriptedHost::TryConnect(QSqlDatabase& connection)
{
    record(QStringLiteral("TryConnect"), {connection.connectionName()});
    connection.open();
}

void ScriptedHost::SetADODBSession(QSqlDatabase& connection)
{
    record(QStringLiteral("SetADODBSession"), {connection.connectionName()});
}

QString ScriptedHost::ADOExceptionMessage(const QString& error, const QSqlDatabase& connection, const QString& text)
{
    record(QStringLiteral("ADOExceptionMessage"), {error, text});
    if (!error.isEmpty())
        return error;
    return connection.lastError().text();
}

void ScriptedHost::Trad(QHash<QString, QString>& captions)
{
    record(QStringLiteral("Trad"), {captions.size()});
}

}  // namespace kvp::test
