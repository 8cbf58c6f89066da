// kvp_host (installed as kvp-host): the reference point of sale. With a display it opens a
// sale window that sells the sample shop's combos through the module; with --script it
// replays a sale headless. Usage: see --help, SCRIPTS.md and kvp-host(1).

#include "auditrun.h"
#include "checkrun.h"
#include "connectionstring.h"
#include "itemrecord.h"
#include "kvp510.h"
#include "pricetable.h"
#include "qtdialogs.h"
#include "qthostservices.h"
#include "qtpresenter.h"
#include "rdmpromocaocombinada.h"
#include "receipt.h"
#include "salewindow.h"
#include "schema.h"
#include "script.h"
#include "scriptrun.h"
#include "shop.h"
#include "windowrecorder.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QStandardPaths>

#include <cstdio>
#include <functional>
#include <unistd.h>

using namespace kvp;
using namespace kvp::refhost;

namespace {

void say(const QString& text)
{
    std::fputs(text.toLocal8Bit().constData(), stderr);
    std::fputc('\n', stderr);
}

// The program's name as it was started (kvp_host in the build tree, kvp-host installed):
// it starts every message of the program's own (tell).
QString programName = QStringLiteral("kvp-host");

void tell(const QString& text)
{
    say(QStringLiteral("%1: %2").arg(programName, text));
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

// Qt opens xcb or wayland unless told otherwise, and aborts when their display is missing;
// other platforms (offscreen, linuxfb, eglfs, vnc) need none.
bool hasDisplay()
{
    const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
    const bool x11 = !qEnvironmentVariableIsEmpty("DISPLAY");
    const bool wayland = !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
    if (platform.isEmpty())
        return x11 || wayland;
    if (platform.startsWith("xcb"))
        return x11;
    if (platform.startsWith("wayland"))
        return wayland;
    return true;
}

// Beside a program that sits in its build tree, where scripts and tests expect run/; an
// installed program may not write beside itself, so each user gets a data folder of their own.
QString defaultRunFolder()
{
    const QDir programDir(QCoreApplication::applicationDirPath());
    if (programDir.exists(QStringLiteral("CMakeFiles")))
        return programDir.filePath(QStringLiteral("run"));
    return QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation);
}

struct CommandLine {
    QCommandLineParser parser;
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    const QCommandLineOption runDir{
        QStringLiteral("run-dir"),
        QStringLiteral(
            "Run folder (program folder of the module): shop database, host files, pictures; "
            "built from the seed when missing or empty, never replaced. Default: run/ beside a program "
            "in its build tree, else the user's data folder (~/.local/share/kvp-host)."),
        QStringLiteral("DIR")};
    const QCommandLineOption rebuild{
        QStringLiteral("rebuild"),
        QStringLiteral("Build the run folder again from the seed first.")};
    const QCommandLineOption makeShop{
        QStringLiteral("make-shop"),
        QStringLiteral("Build the run folder from the seed and stop.")};
    const QCommandLineOption connection{
        QStringLiteral("connection"),
        QStringLiteral("With --script: sell from another shop database, "
                       "e.g. PostgreSQL loaded with --seed-sql "
                       "(driver=QPSQL;host=...;database=...;user=...)."),
        QStringLiteral("STRING")};
    const QCommandLineOption script{
        QStringLiteral("script"),
        QStringLiteral("Replay the script headless and print what the module "
                       "handed back (format: SCRIPTS.md)."),
        QStringLiteral("FILE")};
    const QCommandLineOption screenshot{
        QStringLiteral("screenshot"),
        QStringLiteral("With --script: save the screen as the run ends."), QStringLiteral("PNG")};
    const QCommandLineOption seedSql{
        QStringLiteral("seed-sql"),
        QStringLiteral("Print schema and seed of the sample shop for a "
                       "dialect (sqlite, postgresql) and stop."),
        QStringLiteral("DIALECT")};
    const QCommandLineOption platform{
        QStringLiteral("platform"),
        QStringLiteral("With --script: the window system to replay on (default: offscreen, "
                       "or QT_QPA_PLATFORM when it is set); xcb replays on the X display that "
                       "DISPLAY names, through exposure, focus and dialogs stacked over the "
                       "screen, and screenshots are read back from the display server."),
        QStringLiteral("NAME")};
    const QCommandLineOption compareDisplay{
        QStringLiteral("compare-display"),
        QStringLiteral("With --script on a real display: after every step, what the display "
                       "server shows of each window must be what its widgets draw; a "
                       "difference fails the run and keeps both pictures.")};
    const QCommandLineOption calls{
        QStringLiteral("calls"),
        QStringLiteral("With --script: print every call the module makes to the host's services.")};
    const QCommandLineOption audit{
        QStringLiteral("audit"),
        QStringLiteral("Audit the shop's combined promotions at the run folder's station and "
                       "print every one that cannot be sold as configured (exit status 1 when "
                       "one cannot be sold at all).")};
    const QCommandLineOption branch{
        QStringLiteral("branch"),
        QStringLiteral("With --audit: the branch to audit; * for every branch. Default: the "
                       "parameter file's."),
        QStringLiteral("CODE")};
    const QCommandLineOption at{
        QStringLiteral("at"),
        QStringLiteral("With --audit: the moment to audit at, \"YYYY-MM-DD HH:MM\". Default: now."),
        QStringLiteral("MOMENT")};
    const QCommandLineOption json{
        QStringLiteral("json"), QStringLiteral("With --audit: print the report as JSON.")};
    const QCommandLineOption record{
        QStringLiteral("record"),
        QStringLiteral("Write the script that replays the sale as the operator sells it (with "
                       "--script: the replay's; FILE.expected beside it gets its printout)."),
        QStringLiteral("FILE")};
    const QCommandLineOption check{
        QStringLiteral("check"),
        QStringLiteral("Replay every script of the folder against the shop and print one line "
                       "per script (exit status 1 when one differs)."),
        QStringLiteral("DIR")};

    CommandLine()
    {
        parser.setApplicationDescription(QStringLiteral(
            "Reference point of sale of the combined-promotion module. Without --script it opens\n"
            "a sale window; with --script it replays a sale headless.\n"
            "Exit status: 0 done; 1 a failure (a script line that did not go as written, no\n"
            "display); 2 a bad command line, or a script that cannot be read."));
        parser.addOptions({runDir, rebuild, makeShop, connection, script, screenshot, seedSql});
        parser.addOption(calls);
        parser.addOptions({platform, compareDisplay});
        parser.addOptions({audit, branch, at, json});
        parser.addOptions({record, check});
    }
};

// Runs a command that prints a report on standard output and may end with an error; its
// status is the program's.
int report(const std::function<int(QTextStream&, QString&)>& run)
{
    QTextStream out(stdout);
    QString error;
    const int status = run(out, error);
    out.flush();
    if (!error.isEmpty())
        tell(error);
    return status;
}

int printSeed(const QString& dialectName)
{
    Dialect dialect;
    if (dialectName == QLatin1String("sqlite"))
        dialect = Dialect::Sqlite;
    else if (dialectName == QLatin1String("postgresql"))
        dialect = Dialect::PostgreSql;
    else {
        tell(QStringLiteral("--seed-sql takes sqlite or postgresql, not '%1'").arg(dialectName));
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

int sellWithWindow(const RunFolder& folder, const QString& connection, const QString& recordPath)
{
    // The host's one connection: menu, occurrences and prices (the module has its own).
    const QString shop = QStringLiteral("kvp-host-shop");
    QSqlDatabase db;
    try {
        db = addDatabase(ConnectionSettings::parse(connection), shop);
    } catch (const ConnectionStringError& e) {
        tell(QStringLiteral("bad connection string: %1").arg(e.message()));
        return 1;
    }
    if (!db.open()) {
        tell(
            QStringLiteral("cannot open %1: %2").arg(folder.databasePath(), db.lastError().text()));
        return 1;
    }
    ShopCatalogue catalogue(shop);
    QList<Combo> combos;
    try {
        combos = catalogue.combos();
    } catch (const HostError& e) {
        tell(QStringLiteral("%1").arg(e.message()));
        return 1;
    }

    QtHostConfig config;
    config.connectionString = connection;
    config.programFolder = folder.root;
    config.priceConnection = shop;
    config.occurrences = [catalogue](const QString& product) { return catalogue.occurrences(product); };
    QtDialogDriver dialogs;
    // --record: the operator's touches, keys and answers become a script.
    std::optional<WindowRecorder> recorder;
    std::optional<RecordingDialogs> recordingDialogs;
    if (!recordPath.isEmpty()) {
        recorder.emplace(recordPath);
        recordingDialogs.emplace(dialogs, *recorder);
        qApp->installEventFilter(&*recorder);
    }
    QtHostServices services(config, recordingDialogs ? static_cast<DialogDriver&>(*recordingDialogs)
                                                     : static_cast<DialogDriver&>(dialogs));
    constexpr double kScaleReading = 0.482;
    services.scale().setReading(kScaleReading);
    ui::QtPresenter presenter;
    installHost(&services);
    screen::installPresenter(&presenter);
    // The module's connection is made while the operator looks at the sale window.
    combinada::AntecipaConexao();

    DataSet sold(QStringLiteral("cdsItensVendidos"), records::itemProd());
    int saleNumber = 1;
    SaleWindow* window = nullptr;
    SaleWindow::Sell sell = [&](const Combo& combo, double quantity) {
        DataSet items(QStringLiteral("cdsItensRet"), records::itemProd());
        DataSet obs(QStringLiteral("cdsObsRet"), records::obsItens());
        DataSet ctObs(QStringLiteral("cdsCtObsRet"), records::prodCtObs());
        if (recorder)
            recorder->beginCall(combo, quantity, QString::number(saleNumber), services.now(), kScaleReading);
        const PriceTable::Sale priced(services.prices());
        const bool confirmed = combinada::CriaPromocaoInteligente(
            items, obs, ctObs, combo.code, combo.name, QString(), QString(), combo.priceMode,
            combo.valueOrPerc, combo.adjustType, combo.price, combo.adjust, quantity,
            combo.applyAdjust, false, QString::number(saleNumber), sold, QStringLiteral("A"));
        const FormatSettings fs = FormatSettings::brazil();
        const QString heading = QStringLiteral("%1 X %2%3").arg(shortestText(quantity, fs), combo.name,
                                                               confirmed ? QString() : QStringLiteral("  (cancelado)"));
        QString error;
        if (recorder && !recorder->endCall(items, obs, ctObs, confirmed, error))
            tell(error);
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
    if (recorder)
        qApp->removeEventFilter(&*recorder);
    screen::installPresenter(nullptr);
    installHost(nullptr);
    services.prices().release();
    catalogue.release();
    return status;
}

}  // namespace

int main(int argc, char** argv)
{
    // The application's name names the per-user data folder.
    QCoreApplication::setApplicationName(QStringLiteral("kvp-host"));
    QCoreApplication::setApplicationVersion(QStringLiteral(KVP_HOST_VERSION));
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments += QString::fromLocal8Bit(argv[i]);
    if (!arguments.isEmpty())
        programName = QFileInfo(arguments.constFirst()).fileName();

    // Read before any GUI exists, so that asking for help or mistyping works without a display.
    CommandLine cl;
    QCommandLineParser& parser = cl.parser;
    if (!parser.parse(arguments) || !parser.positionalArguments().isEmpty()) {
        const QString error = parser.errorText().isEmpty()
                                  ? QStringLiteral("unexpected argument '%1'")
                                        .arg(parser.positionalArguments().constFirst())
                                  : parser.errorText();
        const QCoreApplication usage(argc, argv);
        tell(error);
        std::fputs(parser.helpText().toLocal8Bit().constData(), stderr);
        return 2;
    }
    if (parser.isSet(cl.help) || parser.isSet(QStringLiteral("help-all"))) {
        const QCoreApplication usage(argc, argv);
        std::fputs(parser.helpText().toLocal8Bit().constData(), stdout);
        return 0;
    }
    if (parser.isSet(cl.version)) {
        std::printf("%s %s\n", qPrintable(QCoreApplication::applicationName()),
                    qPrintable(QCoreApplication::applicationVersion()));
        return 0;
    }
    QDateTime auditMoment;
    if (parser.isSet(cl.at)) {
        auditMoment = QDateTime::fromString(parser.value(cl.at), QStringLiteral("yyyy-MM-dd HH:mm"));
        if (!auditMoment.isValid()) {
            const QCoreApplication usage(argc, argv);
            tell(QStringLiteral("--at takes \"YYYY-MM-DD HH:MM\", not '%1'").arg(parser.value(cl.at)));
            return 2;
        }
    }
    if (parser.isSet(cl.platform)) {
        if (!parser.isSet(cl.script)) {
            const QCoreApplication usage(argc, argv);
            tell(QStringLiteral("--platform works with --script; the window opens on the display"));
            return 2;
        }
        qputenv("QT_QPA_PLATFORM", parser.value(cl.platform).toLocal8Bit());
    }
    if (parser.isSet(cl.script) && !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && !hasDisplay()) {
        tell(QStringLiteral("no display for the platform %1 (is DISPLAY or WAYLAND_DISPLAY set?)")
                 .arg(QString::fromLocal8Bit(qgetenv("QT_QPA_PLATFORM"))));
        return 1;
    }
    if (parser.isSet(cl.script) || parser.isSet(cl.makeShop) || parser.isSet(cl.seedSql) ||
        parser.isSet(cl.audit) || parser.isSet(cl.check))
        prepareHeadless();
    else if (!hasDisplay()) {
        tell(QStringLiteral("no display to open the sale window on; replay a sale headless with "
                            "%1 --script FILE (see --help)")
                 .arg(programName));
        return 1;
    }
    QApplication app(argc, argv);

    if (parser.isSet(cl.seedSql))
        return printSeed(parser.value(cl.seedSql));

    RunFolder folder;
    folder.root =
        parser.isSet(cl.runDir) ? QDir(parser.value(cl.runDir)).absolutePath() : defaultRunFolder();
    if (folder.root.isEmpty()) {
        tell(QStringLiteral(
            "this user has no data folder for the run folder; give one with --run-dir DIR"));
        return 2;
    }
    const bool otherDatabase = parser.isSet(cl.connection);
    // A shop's own database: the run folder only supplies the host's files and the log,
    // and nothing of the sample shop is built over them.
    const bool prepareShop = parser.isSet(cl.rebuild) || parser.isSet(cl.makeShop) || !otherDatabase;
    if (otherDatabase && !prepareShop) {
        for (const QString& file : {folder.parametersPath(), folder.taxRatesPath()}) {
            if (!QFileInfo::exists(file)) {
                tell(QStringLiteral("with --connection the run folder supplies the host's "
                                    "files; %1 is missing (--make-shop --run-dir DIR builds a "
                                    "sample run folder)")
                         .arg(file));
                return 2;
            }
        }
    }
    try {
        if (prepareShop) {
            const RunFolderState state = prepareRunFolder(folder, parser.isSet(cl.rebuild));
            if (state.built)
                tell(QStringLiteral("sample shop built in %1").arg(folder.root));
            else if (parser.isSet(cl.makeShop))
                tell(QStringLiteral("%1 holds a shop already; nothing built (--rebuild replaces it)")
                         .arg(folder.root));
            for (const QString& file : state.missing)
                tell(QStringLiteral("%1 is missing; the shop's database is kept as it is").arg(file));
        }
    } catch (const HostError& e) {
        tell(QStringLiteral("cannot prepare the run folder %1: %2").arg(folder.root, e.message()));
        return 1;
    }
    if (parser.isSet(cl.makeShop))
        return 0;
    const QString connectionString =
        otherDatabase ? parser.value(cl.connection) : folder.connectionString();

    if (parser.isSet(cl.audit)) {
        AuditRunOptions options;
        options.folder = folder;
        options.connectionString = otherDatabase ? connectionString : QString();
        options.branch = parser.value(cl.branch);
        options.at = auditMoment;
        options.json = parser.isSet(cl.json);
        return report([&](QTextStream& out, QString& error) { return runAudit(options, out, error); });
    }
    if (parser.isSet(cl.check)) {
        CheckRunOptions options;
        options.folder = parser.value(cl.check);
        options.program = QCoreApplication::applicationFilePath();
        options.runFolder = folder;
        options.connectionString = otherDatabase ? connectionString : QString();
        return report([&](QTextStream& out, QString& error) { return runCheck(options, out, error); });
    }
    if (parser.isSet(cl.script)) {
        const QString scriptPath = parser.value(cl.script);
        Script s;
        try {
            s = Script::load(scriptPath);
        } catch (const ScriptError& e) {
            say(e.line() > 0
                    ? QStringLiteral("%1:%2: %3").arg(scriptPath).arg(e.line()).arg(e.message())
                    : QStringLiteral("%1: %2").arg(scriptPath, e.message()));
            return 2;
        }
        QTextStream out(stdout);
        ScriptRun run(s, out);
        ScriptRunOptions options;
        options.folder = folder;
        options.connectionString = otherDatabase ? connectionString : QString();
        options.finalScreenshot = parser.value(cl.screenshot);
        options.logCalls = parser.isSet(cl.calls);
        options.compareDisplay = parser.isSet(cl.compareDisplay);
        options.recordPath = parser.value(cl.record);
        if (!run.run(options)) {
            out.flush();
            say(run.failureText());
            return 1;
        }
        return 0;
    }
    if (otherDatabase) {
        tell(QStringLiteral(
            "--connection works with --script or --audit; the window sells from the run folder"));
        return 2;
    }
    return sellWithWindow(folder, connectionString, parser.value(cl.record));
}
