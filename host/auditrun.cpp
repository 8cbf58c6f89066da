#include "auditrun.h"

#include "auditoria.h"
#include "connectionstring.h"
#include "rdmpromocaocombinada.h"
#include "dialogdriver.h"
#include "qthostservices.h"

#include <QFileInfo>
#include <QHash>
#include <QSqlDatabase>
#include <QSqlError>

namespace kvp::refhost {

namespace {

const QString kAuditConnection = QStringLiteral("kvp-host-audit-shop");

// The audit shows nothing: any dialog the module would open is answered "no".
class NoDialogs : public DialogDriver {
public:
    bool message(const MessageRequest&) override { return false; }
    std::optional<QString> keypad(const KeypadRequest&) override { return std::nullopt; }
    ObservationChoice observation(const ObservationRequest&) override { return {}; }
    std::optional<QString> coupon(const CouponRequest&) override { return std::nullopt; }
    std::optional<int> search(const SearchRequest&) override { return std::nullopt; }
    std::optional<int> fiscalMenu(const FiscalMenuRequest&) override { return std::nullopt; }
};

int audit(const AuditRunOptions& options, const QString& connection, QTextStream& out,
          QString& error)
{
    // The menu's price modes; a shop's own database may have no menu at all.
    QHash<QString, QString> modes;
    try {
        for (const Combo& c : ShopCatalogue(kAuditConnection).combos())
            modes.insert(c.code, c.priceMode);
    } catch (const HostError&) {
    }

    QtHostConfig config;
    config.connectionString = connection;
    config.programFolder = options.folder.root;
    config.priceConnection = kAuditConnection;
    if (options.at.isValid()) {
        const QDateTime at = options.at;
        config.clock = [at] { return at; };
    }
    NoDialogs dialogs;
    QtHostServices services(config, dialogs);
    installHost(&services);
    int status = 1;
    try {
        // The audit is one sale: every product's price from one read of the branch's rows.
        const PriceTable::Sale priced(services.prices());
        auditoria::Estacao estacao;
        estacao.leArquivosDoHost();
        auditoria::OpcoesAuditoria opcoes;
        opcoes.filial = options.branch == QLatin1String("*")
                            ? QString()
                            : (options.branch.isEmpty() ? estacao.stCdFilial : options.branch);
        opcoes.modoPreco = [&modes](const QString& promocao) { return modes.value(promocao); };
        const auditoria::ResultadoAuditoria r = auditoria::auditaPromocoes(estacao, opcoes);
        if (options.json)
            out << QString::fromUtf8(auditoria::relatorioJson(r));
        else
            out << auditoria::relatorioTexto(r);
        status = r.algumaNaoVende() ? 1 : 0;
    } catch (const std::exception& e) {
        error = QStringLiteral("the audit could not run: %1").arg(QString::fromUtf8(e.what()));
    }
    installHost(nullptr);
    services.prices().release();
    return status;
}

}  // namespace

int runAudit(const AuditRunOptions& options, QTextStream& out, QString& error)
{
    const QString connection = options.connectionString.isEmpty()
                                   ? options.folder.connectionString()
                                   : options.connectionString;
    ConnectionSettings settings;
    try {
        settings = ConnectionSettings::parse(connection);
    } catch (const ConnectionStringError& e) {
        error = QStringLiteral("bad connection string: %1").arg(e.message());
        return 1;
    }
    if (settings.driver.compare(QLatin1String("QSQLITE"), Qt::CaseInsensitive) == 0 &&
        !QFileInfo::exists(settings.database)) {
        error = QStringLiteral("the shop database %1 does not exist").arg(settings.database);
        return 1;
    }
    int status = 1;
    {
        QSqlDatabase db = addDatabase(settings, kAuditConnection);
        if (!db.open())
            error = QStringLiteral("cannot open the shop database: %1").arg(db.lastError().text());
        else
            status = audit(options, connection, out, error);
    }
    QSqlDatabase::removeDatabase(kAuditConnection);
    return status;
}

}  // namespace kvp::refhost
