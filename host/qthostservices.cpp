#include "qthostservices.h"

#include "answers.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

namespace kvp::refhost {

QStringList QtHostConfig::defaultFiscalReports()
{
    return {QStringLiteral("Leitura X"), QStringLiteral("Redução Z"),
            QStringLiteral("Leitura da Memória Fiscal"), QStringLiteral("Espelho MFD"),
            QStringLiteral("Arquivo MFD")};
}

QtHostServices::QtHostServices(QtHostConfig config, DialogDriver& dialogs)
    : m_config(std::move(config)),
      m_dialogs(&dialogs),
      m_prices(std::make_unique<PriceTable>(m_config.priceConnection))
{
}

QtHostServices::~QtHostServices() = default;

bool QtHostServices::say(const QString& text, MessageKind kind)
{
    return m_dialogs->message(MessageRequest{text, kind, {}});
}

bool QtHostServices::Mensagem(const QString& text, const QString&, const QString&, const QString&,
                              int kind, const QString&, const QString& s7, int, DataSet*)
{
    MessageKind k = MessageKind::Warning;
    if (kind == static_cast<int>(MessageKind::Question))
        k = MessageKind::Question;
    else if (kind == static_cast<int>(MessageKind::Information))
        k = MessageKind::Information;
    return m_dialogs->message(MessageRequest{text, k, s7});
}

DataResult QtHostServices::MensagemMetodo(const DataResult& result, bool show, int,
                                          const QString& method, const QString&, const QString&,
                                          const QString&)
{
    return defaultMensagemMetodo(*this, result, show, method);
}

void QtHostServices::CheckResultServ(const DataResult& result, bool, int)
{
    if (result.isError())
        throw HostError(result.errorText());
}

double QtHostServices::BuscaPeso(const QString&, const QString&)
{
    return m_scale.take();
}

bool QtHostServices::TecladoNumerico(QString& value, const QString& title, const QString& prompt,
                                     const QVariantList& further)
{
    // Of the further values, the first is a note shown under the prompt and the second
    // the most characters the display takes; the module passes "X" and 10 for quantities.
    KeypadRequest request;
    request.initial = value;
    request.title = title;
    request.prompt = prompt;
    const QString note = further.value(0).toString();
    if (note.size() > 1)
        request.hint = note;
    request.maxLength = further.size() > 1 ? std::max(0, further.value(1).toInt()) : 0;
    const std::optional<QString> typed = m_dialogs->keypad(request);
    if (!typed)
        return false;
    value = *typed;
    return true;
}

QString QtHostServices::Observacao(const QVariantList& inputs, HostAnswer& answer)
{
    ObservationRequest request;
    request.productCode = inputs.value(2).toString();
    request.productName = inputs.value(3).toString();
    if (m_config.occurrences)
        request.occurrences = m_config.occurrences(request.productCode);
    return fillObservationAnswer(request.occurrences, m_dialogs->observation(request), answer);
}

void QtHostServices::CriaInfAdicional(const QVariantList&, HostAnswer& answer)
{
    CouponRequest request;
    request.title = QStringLiteral("Cupom de desconto");
    request.prompt = QStringLiteral("Código do cupom (deixe vazio se não houver):");
    fillCouponAnswer(m_dialogs->coupon(request), answer);
}

bool QtHostServices::Pesquisa(DataSet& dataset, const QVariantList& further)
{
    SearchRequest request;
    request.title = further.value(0).toString();
    request.rows = visibleRows(dataset);
    const std::optional<int> row = m_dialogs->search(request);
    if (!row)
        return false;
    if (*row < 0 || *row >= request.rows.rows.size())
        throw HostError(QStringLiteral("Pesquisa: a linha %1 não existe (a lista tem %2)")
                            .arg(*row + 1)
                            .arg(request.rows.rows.size()));
    dataset.setRecNo(*row + 1);
    return true;
}

DataResult QtHostServices::ChamaFuncaoGetRetornaPreco(const QVariantList& nine, DataSet& price)
{
    DataResult result = m_prices->lookup(PriceQuery::fromValues(nine), now(), price);
    // Only a code is the function's answer; any other failure means it could not decide
    // (a product it would refuse among them), and is raised as the function's own.
    if (result.isError() && !isPriceCode(result.errorText()))
        throw HostError(result.errorText());
    return result;
}

void QtHostServices::ControleAcess(int functionCode, const QVariant&, QString& text)
{
    // Tells the caller whether the function is guarded; nothing is asked yet.
    text = m_config.protectedFunctions.contains(functionCode) ? QStringLiteral("S")
                                                              : QStringLiteral("N");
}

bool QtHostServices::VerificaAcesso(int functionCode, const QVariant&, QString& text)
{
    text.clear();
    const auto it = m_config.protectedFunctions.constFind(functionCode);
    if (it == m_config.protectedFunctions.cend())
        return true;
    if (it->isEmpty()) {
        if (say(QStringLiteral("Liberar a função %1?").arg(functionCode), MessageKind::Question))
            return true;
        text = QStringLiteral("Acesso negado.");
        return false;
    }
    KeypadRequest request;
    request.title = QStringLiteral("Acesso restrito");
    request.prompt = QStringLiteral("Senha do supervisor:");
    request.allowComma = false;
    request.masked = true;
    const std::optional<QString> pin = m_dialogs->keypad(request);
    if (!pin) {
        text = QStringLiteral("Acesso cancelado.");
        return false;
    }
    if (*pin != *it) {
        text = QStringLiteral("Senha incorreta.");
        say(text, MessageKind::Warning);
        return false;
    }
    return true;
}

void QtHostServices::RelFiscais()
{
    const std::optional<int> chosen =
        m_dialogs->fiscalMenu(FiscalMenuRequest{m_config.fiscalReports});
    if (!chosen || *chosen < 0 || *chosen >= m_config.fiscalReports.size())
        return;
    const QString report = m_config.fiscalReports.at(*chosen);
    if (m_config.runFiscalReport)
        m_config.runFiscalReport(report);
    else
        say(QStringLiteral("%1: esta estação não tem impressora fiscal; nada foi emitido.")
                .arg(report),
            MessageKind::Information);
}

QString QtHostServices::GetStringConexQmt(const QString&)
{
    return m_config.connectionString;
}

void QtHostServices::TryConnect(QSqlDatabase& connection)
{
    if (!connection.isOpen())
        connection.open();
}

void QtHostServices::SetADODBSession(QSqlDatabase& connection)
{
    // A till's embedded database keeps a write-ahead log: a commit (every confirmation
    // writes its records) then waits for the disk once, not twice. Other databases need
    // no session settings.
    if (connection.driverName() != QLatin1String("QSQLITE"))
        return;
    QSqlQuery q(connection);
    q.exec(QStringLiteral("PRAGMA journal_mode=WAL"));
    q.exec(QStringLiteral("PRAGMA synchronous=NORMAL"));
}

QString QtHostServices::ADOExceptionMessage(const QString& error, const QSqlDatabase& connection,
                                            const QString&)
{
    if (!error.isEmpty())
        return error;
    return connection.lastError().text();
}

void QtHostServices::Trad(QHash<QString, QString>&)
{
    // Captions are already in the station's language.
}

QDateTime QtHostServices::now() const
{
    return m_config.clock ? m_config.clock() : QDateTime::currentDateTime();
}

}  // namespace kvp::refhost
