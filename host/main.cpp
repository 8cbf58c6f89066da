// kvp_host: the reference point of sale. With a display it opens a sale window that sells
// the sample shop's combos through the module; with --script it replays a sale headless.
// Usage: see --help and SCRIPTS.md.

#include "itemrecord.h"
#include "kvp510.h"
#include "qtdialogs.h"
#include "qthostservices.h"
#include "qtpresenter.h"
#include "receipt.h"
#include "salewindow.h"
#include "schema.h"
#include "script.h"
#include "scriptrun.h"
#include "shop.h"
#include "pricetable.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>

#include <cstdio>
#include <unistd.h>

using namespace kvp;
using namespace kvp::refhost;

namespace {

void say(const QString& text)
{
    std::fputs(text.toLocal8Bit().constData(), stderr);
    std::fputc('\n', stderr);
}

// Headless runs need no display; they still need a private runtime folder to be quiet.
void prepareHeadless()
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) {
        const QString dir = QDir::temp().filePath(QStringLiteral("kvp-runtime-%1").arg(getuid()));
        QDir().mkpath(dir);
        QFile::setPermissions(dir, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                       QFileDevice::ExeOwner);
        qputenv("XDG_RUNTIME_DIR", dir.toLocal8Bit());
    }
}

bool wantsHeadless(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i) {
        const QByteArray a(argv[i]);
        if (a == "--script" || a.startsWith("--script=") || a == "--make-shop" ||
            a == "--seed-sql" || a.startsWith("--seed-sql=") || a == "--help" || a == "-h")
            return true;
    }
    return false;
}

int printSeed(const QString& dialectName)
{
    Dialect dialect;
    if (dialectName == QLatin1String("sqlite"))
        dialect = Dialect::Sqlite;
    else if (dialectName == QLatin1String("postgresql"))
        dialect = Dialect::PostgreSql;
    else {
        say(QStringLiteral("kvp_host: --seed-sql takes sqlite or postgresql, not '%1'").arg(dialectName));
        return 2;
    }
    QStringList all = schemaStatements(dialect);
    all += splitSqlStatements(PriceTable::schemaText());
    all += sampleSeedStatements();
    QTextStream out(stdout);
    out << QStringLiteral("-- The sample shop of the reference host, for %1.\n").arg(dialectName);
    out << QStringLiteral("BEGIN;\n");
    for (const QString& s : all)
        out << s << QStringLiteral(";\n");
    out << QStringLiteral("COMMIT;\n");
    return 0;
}

int sellWithWindow(const RunFolder& folder, const QString& connection)
{
    const QString shop = QStringLiteral("kvp-host-shop");
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), shop);
    db.setDatabaseName(folder.databasePath());
    if (!db.open()) {
        say(QStringLiteral("kvp_host: cannot open %1: %2").arg(folder.databasePath(), db.lastError().text()));
        return 1;
    }
    const ShopCatalogue catalogue(shop);
    QList<Combo> combos;
    try {
        combos = catalogue.combos();
    } catch (const HostError& e) {
        say(QStringLiteral("kvp_host: %1").arg(e.message()));
        return 1;
    }

    QtHostConfig config;
    config.connectionString = connection;
    config.programFolder = folder.root;
    config.priceConnection = shop;
    config.occurrences = [catalogue](const QString& product) { return catalogue.occurrences(product); };
    QtDialogDriver dialogs;
    QtHostServices services(config, dialogs);
    services.scale().setReading(0.482);
    ui::QtPresenter presenter;
    installHost(&services);
    screen::installPresenter(&presenter);

    DataSet sold(QStringLiteral("cdsItensVendidos"), records::itemProd());
    int saleNumber = 1;
    SaleWindow* window = nullptr;
    SaleWindow::Sell sell = [&](const Combo& combo, double quantity) {
        DataSet items(QStringLiteral("cdsItensRet"), records::itemProd());
        DataSet obs(QStringLiteral("cdsObsRet"), records::obsItens());
        DataSet ctObs(QStringLiteral("cdsCtObsRet"), records::prodCtObs());
        const bool confirmed = combinada::CriaPromocaoInteligente(
            items, obs, ctObs, combo.code, combo.name, QString(), QString(), combo.priceMode,
            combo.valueOrPerc, combo.adjustType, combo.price, combo.adjust, quantity,
            combo.applyAdjust, false, QString::number(saleNumber), sold, QStringLiteral("A"));
        const FormatSettings fs = FormatSettings::brazil();
        const QString heading = QStringLiteral("%1 X %2%3").arg(shortestText(quantity, fs), combo.name,
                                                               confirmed ? QString() : QStringLiteral("  (cancelado)"));
        if (confirmed)
            appendSold(sold, items);
        return receiptLines(heading, items, obs, ctObs);
    };
    SaleWindow w(combos, QStringLiteral("Lanchonete Boa Praça"), sell);
    window = &w;
    w.setSaleNumber(QString::number(saleNumber));
    dialogs.setParent(window);
    presenter.onTopScreen = [&](QWidget* top) { dialogs.setParent(top ? top : window); };
    w.show();
    const int status = QApplication::exec();
    screen::installPresenter(nullptr);
    installHost(nullptr);
    services.prices().release();
    return status;
}

}  // namespace

int main(int argc, char** argv)
{
    if (wantsHeadless(argc, argv))
        prepareHeadless();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("kvp_host"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Reference point of sale of the combined-promotion module. Without --script it opens a "
        "sale window; with --script it replays a sale headless (format: host/SCRIPTS.md)."));
    parser.addHelpOption();
    const QCommandLineOption runDir(QStringLiteral("run-dir"),
                                    QStringLiteral("Run folder (program folder of the module): shop database, "
                                                   "host files, pictures. Default: run/ beside the program."),
                                    QStringLiteral("DIR"));
    const QCommandLineOption rebuild(QStringLiteral("rebuild"),
                                     QStringLiteral("Build the run folder again from the seed first."));
    const QCommandLineOption makeShop(QStringLiteral("make-shop"),
                                      QStringLiteral("Build the run folder from the seed and stop."));
    const QCommandLineOption connection(QStringLiteral("connection"),
                                        QStringLiteral("Connection string of another shop database "
                                                       "(e.g. PostgreSQL loaded with --seed-sql)."),
                                        QStringLiteral("STRING"));
    const QCommandLineOption script(QStringLiteral("script"),
                                    QStringLiteral("Replay the script headless and print the result."),
                                    QStringLiteral("FILE"));
    const QCommandLineOption screenshot(QStringLiteral("screenshot"),
                                        QStringLiteral("With --script: save the screen as the run ends."),
                                        QStringLiteral("PNG"));
    const QCommandLineOption seedSql(QStringLiteral("seed-sql"),
                                     QStringLiteral("Print schema and seed of the sample shop for a "
                                                    "dialect (sqlite, postgresql) and stop."),
                                     QStringLiteral("DIALECT"));
    const QCommandLineOption calls(QStringLiteral("calls"),
                                   QStringLiteral("With --script: print every call the module makes "
                                                  "to the host's services."));
    parser.addOptions({runDir, rebuild, makeShop, connection, script, screenshot, seedSql});
    parser.addOption(calls);
    parser.process(app);

    if (parser.isSet(seedSql))
        return printSeed(parser.value(seedSql));

    RunFolder folder;
    folder.root = parser.isSet(runDir)
                      ? QDir(parser.value(runDir)).absolutePath()
                      : QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("run"));
    const bool otherDatabase = parser.isSet(connection);
    // A shop's own database: the run folder only supplies the host's files and the log,
    // and nothing of the sample shop is built over them.
    const bool buildShop = parser.isSet(rebuild) || parser.isSet(makeShop) ||
                           (!otherDatabase && !folder.isComplete());
    if (otherDatabase && !buildShop) {
        for (const QString& file : {folder.parametersPath(), folder.taxRatesPath()}) {
            if (!QFileInfo::exists(file)) {
                say(QStringLiteral("kvp_host: with --connection the run folder supplies the host's "
                                   "files; %1 is missing (--make-shop --run-dir DIR builds a "
                                   "sample run folder)")
                        .arg(file));
                return 2;
            }
        }
    }
    try {
        if (buildShop) {
            buildRunFolder(folder);
            say(QStringLiteral("kvp_host: sample shop built in %1").arg(folder.root));
        }
    } catch (const HostError& e) {
        say(QStringLiteral("kvp_host: cannot build the sample shop in %1: %2").arg(folder.root, e.message()));
        return 1;
    }
    if (parser.isSet(makeShop))
        return 0;
    const QString connectionString = otherDatabase ? parser.value(connection) : folder.connectionString();

    if (parser.isSet(script)) {
        Script s;
        try {
            s = Script::load(parser.value(script));
        } catch (const ScriptError& e) {
            say(e.line() > 0 ? QStringLiteral("%1:%2: %3").arg(parser.value(script)).arg(e.line()).arg(e.message())
                             : QStringLiteral("%1: %2").arg(parser.value(script), e.message()));
            return 2;
        }
        QTextStream out(stdout);
        ScriptRun run(s, out);
        ScriptRunOptions options;
        options.folder = folder;
        options.connectionString = otherDatabase ? connectionString : QString();
        options.finalScreenshot = parser.value(screenshot);
        options.logCalls = parser.isSet(calls);
        if (!run.run(options)) {
            out.flush();
            say(run.failureText());
            return 1;
        }
        return 0;
    }
    if (otherDatabase) {
        say(QStringLiteral("kvp_host: --connection works with --script; the window sells from the run folder"));
        return 2;
    }
    return sellWithWindow(folder, connectionString);
}
