// The headless mode: scripts are checked line by line before anything runs, and a replay
// stops at the first line that does not go as written, naming it.

#include "backends.h"
#include "pricetable.h"
#include "qtapp.h"
#include "script.h"
#include "scriptrun.h"
#include "shop.h"
#include "windowrecorder.h"

#include "form.h"
#include "screendialog.h"

#include "itemrecord.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QFile>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTemporaryDir>

using namespace kvp;
using namespace kvp::refhost;

namespace {

QString S(const char* text)
{
    return QString::fromUtf8(text);
}

int errorLine(const QString& text)
{
    try {
        Script::parse(text, S("t.kvs"));
    } catch (const ScriptError& e) {
        return e.line();
    }
    return -1;
}

}  // namespace

TEST(ScriptParse, SettingsStepsAndAnswersComeOutInOrder)
{
    const Script script = Script::parse(S("# a sale\n"
                                     "combo 9002\n"
                                     "quantity 2\n"
                                     "adjust D P 10\n"
                                     "clock 2025-01-05 09:05:30\n"
                                     "scale 0,482\n"
                                     "answer coupon\n"
                                     "open\n"
                                     "touch blbMenu02\n"
                                     "answer question no \"Deseja sair\"\n"
                                     "key Esc\n"
                                     "type 12\n"
                                     "wait 400\n"
                                     "answer observation 01 04 | sem sal > shot.png\n"
                                     "answer keypad cancel\n"),
                                   S("t.kvs"));
    ASSERT_EQ(script.sales.size(), 1);
    const ScriptSale& s = script.sales.first();
    EXPECT_EQ(s.call.combo, S("9002"));
    EXPECT_EQ(s.call.quantity, 2);
    EXPECT_EQ(s.call.adjustType, S("D"));
    EXPECT_EQ(s.call.valueOrPerc, S("P"));
    EXPECT_EQ(s.call.adjust, 10);
    EXPECT_EQ(s.call.applyAdjust, true);
    EXPECT_EQ(s.call.clock, QDateTime(QDate(2025, 1, 5), QTime(9, 5, 30)));
    EXPECT_DOUBLE_EQ(s.call.scale, 0.482);
    ASSERT_EQ(s.opening.size(), 1);
    EXPECT_EQ(s.opening.first().answer.kind, ScriptAnswer::Kind::Coupon);
    EXPECT_EQ(s.openLine, 8);
    ASSERT_EQ(s.steps.size(), 7);
    EXPECT_EQ(s.steps.at(0).text, S("blbMenu02"));
    const ScriptAnswer& q = s.steps.at(1).answer;
    EXPECT_FALSE(q.yes);
    EXPECT_EQ(q.text, S("Deseja sair"));
    EXPECT_EQ(q.line, 10);
    EXPECT_EQ(s.steps.at(2).key, int(Qt::Key_Escape));
    EXPECT_EQ(s.steps.at(3).text, S("12"));
    EXPECT_EQ(s.steps.at(4).ms, 400);
    const ScriptAnswer& o = s.steps.at(5).answer;
    EXPECT_EQ(o.codes, (QStringList{S("01"), S("04")}));
    EXPECT_EQ(o.text, S("sem sal"));
    EXPECT_EQ(o.picture, S("shot.png"));
    EXPECT_TRUE(s.steps.at(6).answer.cancel);
}

TEST(ScriptParse, EveryFaultNamesItsLine)
{
    EXPECT_EQ(errorLine(S("combo 1\nopen\ntuch imgProd01\n")), 3);
    EXPECT_EQ(errorLine(S("combo 1\nquantity dois\nopen\n")), 2);
    EXPECT_EQ(errorLine(S("combo 1\nquantity nan\nopen\n")), 2) << "toDouble reads nan";
    EXPECT_EQ(errorLine(S("combo 1\nopen\nscale inf\n")), 3);
    EXPECT_EQ(errorLine(S("touch imgProd01\n")), 1) << "actions come after open";
    EXPECT_EQ(errorLine(S("open\n")), 1) << "open needs a combo";
    EXPECT_EQ(errorLine(S("combo 1\nopen\nkey Banana\n")), 3);
    EXPECT_EQ(errorLine(S("combo 1\nopen\nanswer question maybe\n")), 3);
    EXPECT_EQ(errorLine(S("combo 1\nopen\nanswer search 0\n")), 3);
    EXPECT_EQ(errorLine(S("combo 1\nopen\nanswer warning \"unclosed\n")), 3);
    EXPECT_EQ(errorLine(S("combo 1\nopen\nopen\n")), 3);
    EXPECT_EQ(errorLine(S("combo 1\n")), 0) << "a script that never opens the screen";
}

TEST(ScriptParse, SetUpRowsPricesAndSeveralCallsComeOutPerCall)
{
    const Script script = Script::parse(
        S("combo 9004\nanswer scale 0,5\nopen\nanswer access no\nshow group 2\n"
          "expect no slot 3\nexpect tray 1 price \"1 X R$8,90\"\nexpect group 4 locked\n"
          "price 1001 flag s fail BLOQUEADO\ncalls on\nreactivate\n"
          "combo 9001\nsold 1009 QTPRODVEND=2,5\nhanded obs NRSEQ=3 CDOCORR=01\n"
          "price * 10 1 0,5\nanswer observation raw text \"Bem passado\" group 01 codes 03 04 "
          "controlled A 5101 04 N 1001 01\nopen\n"),
        S("t.kvs"));
    ASSERT_EQ(script.sales.size(), 2);
    const ScriptSale& first = script.sales.at(0);
    ASSERT_EQ(first.opening.size(), 1);
    EXPECT_EQ(first.opening.first().answer.kind, ScriptAnswer::Kind::Scale);
    EXPECT_DOUBLE_EQ(first.opening.first().answer.kg, 0.5);
    ASSERT_EQ(first.steps.size(), 8);
    EXPECT_EQ(first.steps.at(0).answer.kind, ScriptAnswer::Kind::Access);
    EXPECT_FALSE(first.steps.at(0).answer.yes);
    EXPECT_EQ(first.steps.at(1).text, S("group 2"));
    EXPECT_TRUE(first.steps.at(2).expect.absent);
    EXPECT_EQ(first.steps.at(2).expect.entry, S("slot 3"));
    EXPECT_EQ(first.steps.at(3).expect.entry, S("tray 1"));
    EXPECT_EQ(first.steps.at(3).expect.words, (QStringList{S("price"), S("1 X R$8,90")}));
    EXPECT_EQ(first.steps.at(3).expect.text, S("tray 1 price \"1 X R$8,90\""));
    EXPECT_EQ(first.steps.at(4).expect.words, QStringList{S("locked")});
    EXPECT_EQ(first.steps.at(5).price.flag, S("S"));
    EXPECT_EQ(first.steps.at(5).price.failure, S("BLOQUEADO"));
    EXPECT_TRUE(first.steps.at(6).on);
    EXPECT_EQ(first.steps.at(7).kind, ScriptStep::Kind::Reactivate);

    const ScriptSale& second = script.sales.at(1);
    EXPECT_EQ(second.call.combo, S("9001"));
    ASSERT_EQ(second.call.sold.rows.size(), 1);
    const int product = second.call.sold.fieldIndex(S("CDPRODUTO"));
    const int quantity = second.call.sold.fieldIndex(S("QTPRODVEND"));
    EXPECT_EQ(second.call.sold.rows.first().value(product).toString(), S("1009"));
    EXPECT_DOUBLE_EQ(second.call.sold.rows.first().value(quantity).toDouble(), 2.5);
    EXPECT_EQ(second.call.observations.rows.size(), 1);
    ASSERT_EQ(second.call.prices.size(), 1);
    EXPECT_EQ(second.call.prices.first().product, S("*"));
    EXPECT_DOUBLE_EQ(second.call.prices.first().surcharge, 0.5);
    const std::optional<RawObservation>& raw = second.opening.first().answer.raw;
    ASSERT_TRUE(raw.has_value());
    EXPECT_EQ(raw->text, S("Bem passado"));
    EXPECT_EQ(raw->codes, (QStringList{S("03"), S("04")}));
    ASSERT_EQ(raw->controlled.size(), 2);
    EXPECT_EQ(raw->controlled.at(1), (QStringList{S("N"), S("1001"), S("01")}));
}

TEST(ScriptParse, FaultsOfTheNewCommandsNameTheirLine)
{
    EXPECT_EQ(errorLine(S("combo 1\nshow\nopen\n")), 2) << "show needs the screen";
    EXPECT_EQ(errorLine(S("combo 1\nopen\nexpect\n")), 3);
    EXPECT_EQ(errorLine(S("combo 1\nopen\nexpect slot x code 1\n")), 3);
    EXPECT_EQ(errorLine(S("combo 1\nopen\nexpect no slot 2 code\n")), 3);
    EXPECT_EQ(errorLine(S("combo 1\nopen\nexpect group 1 a b c\n")), 3);
    EXPECT_EQ(errorLine(S("combo 1\nsold 1001 NOFIELD=1\nopen\n")), 2);
    EXPECT_EQ(errorLine(S("combo 1\nsold 1001 QTPRODVEND=dois\nopen\n")), 2);
    EXPECT_EQ(errorLine(S("combo 1\nhanded basket CDPRODUTO=1\nopen\n")), 2);
    EXPECT_EQ(errorLine(S("combo 1\nprice 1001 fail\nopen\n")), 2);
    EXPECT_EQ(errorLine(S("combo 1\nprice 1001 -3\nopen\n")), 2);
    EXPECT_EQ(errorLine(S("combo 1\nanswer observation raw codes 01 controlled A 5101\nopen\n")), 2);
    EXPECT_EQ(errorLine(S("combo 1\nanswer observation raw 01\nopen\n")), 2);
    EXPECT_EQ(errorLine(S("combo 1\nanswer access maybe\nopen\n")), 2);
    EXPECT_EQ(errorLine(S("combo 1\ncalls loud\nopen\n")), 2);
    EXPECT_EQ(errorLine(S("combo 1\nopen\nquantity 2\n")), 3) << "a new call starts with its combo";
    EXPECT_EQ(errorLine(S("combo 1\nopen\nkey Esc\ncombo 2\n")), 4) << "a call never made";
    EXPECT_EQ(errorLine(S("combo 1\nstation\nopen\n")), 2);
    EXPECT_EQ(errorLine(S("combo 1\nstation a.cds CDLOJA\nopen\n")), 2);
    EXPECT_EQ(errorLine(S("combo 1\nprice 1001 20 client\nopen\n")), 2);
    EXPECT_EQ(errorLine(S("combo 1\nprice 1001 client 5\nopen\n")), 2);
    EXPECT_EQ(errorLine(S("combo 1\nprice 1001 20 client -1\nopen\n")), 2);
    EXPECT_EQ(errorLine(S("combo 1\nshow slot 1\nopen\n")), 2) << "only the module before open";
}

namespace {

QByteArray fileBytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Replays in-process against a sample shop built once for the suite.
class ScriptReplay : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        test::qtApp();
        dir = new QTemporaryDir;
        folder.root = dir->path();
        buildRunFolder(folder);
    }
    static void TearDownTestSuite() { delete dir; }

    // Runs the script; returns its output, and the failure text in failure.
    QString replay(const QString& text)
    {
        QString output;
        QTextStream out(&output);
        ScriptRun run(Script::parse(text, S("t.kvs")), out);
        ScriptRunOptions options;
        options.folder = folder;
        run.run(options);
        failure = run.failureText();
        return output;
    }

    QString failure;
    static inline QTemporaryDir* dir = nullptr;
    static inline RunFolder folder;
};

}  // namespace

TEST_F(ScriptReplay, ALeftSaleHandsBackNothing)
{
    const QString out = replay(S("combo 9002\nopen\ntouch blbMenu03\ntouch blbMenu01\n"
                                 "answer question yes\nkey Esc\n"));
    EXPECT_TRUE(failure.isEmpty()) << failure.toStdString();
    EXPECT_EQ(out, S("dialog question \"Deseja sair da tela de promoção combinada?\" -> yes\n"
                     "items 0\nobservations 0\ncontrolled 0\nresult false\n"));
}

TEST_F(ScriptReplay, TheRunFoldersStationIsBackHoweverTheCallEnds)
{
    const QByteArray before = fileBytes(folder.parametersPath());
    ASSERT_FALSE(before.isEmpty());
    const struct {
        const char* script;
        const char* failure;
    } cases[] = {
        {"combo 9003\nstation NOFIELD=1\nopen\nkey Esc\n", "t.kvs:2: station: no field NOFIELD"},
        {"combo 9003\nstation none.cds\nopen\nkey Esc\n", "t.kvs:2: station: no parameter file"},
        {"combo 9003\nstation CDLOJA=02\nopen\nexpect lblCabecalho \"x\"\n", "t.kvs:4: expect"},
    };
    for (const auto& c : cases) {
        replay(S(c.script));
        EXPECT_TRUE(failure.startsWith(S(c.failure))) << c.script << failure.toStdString();
        EXPECT_EQ(fileBytes(folder.parametersPath()), before) << c.script;
    }
}

TEST_F(ScriptReplay, AReplayStopsAtTheLineThatWentWrong)
{
    replay(S("combo 9002\nopen\ntouch imgProd99\n"));
    EXPECT_EQ(failure, S("t.kvs:3: touch: frmPromocaoCombinada has no control named imgProd99"));

    replay(S("combo 9002\nopen\ntouch bbbAcima\n"));
    EXPECT_EQ(failure, S("t.kvs:3: touch: bbbAcima is not on the screen now"));

    replay(S("combo 9002\nopen\nkey Esc\n"));
    EXPECT_TRUE(failure.startsWith(S("t.kvs:3: unexpected dialog: question \"Deseja sair")))
        << failure.toStdString();

    replay(S("combo 9002\nopen\nanswer warning\nkey Esc\n"));
    EXPECT_TRUE(failure.startsWith(S("t.kvs:3: this line answers a warning, but the dialog")))
        << failure.toStdString();

    replay(S("combo 9002\nopen\nanswer question yes\ntouch blbMenu02\n"));
    EXPECT_EQ(failure, S("t.kvs:3: no question came up by line 4; nothing used this answer"));

    replay(S("combo 9002\nopen\nanswer question yes \"Confirma\"\nkey Esc\n"));
    EXPECT_TRUE(failure.startsWith(S("t.kvs:3: the question reads"))) << failure.toStdString();

    replay(S("combo 9002\nopen\ntouch blbMenu02\n"));
    EXPECT_TRUE(failure.startsWith(S("t.kvs:3: the script ended with the screen still open")))
        << failure.toStdString();

    replay(S("combo 9002\nopen\nanswer question yes\nkey Esc\ntouch blbMenu02\n"));
    EXPECT_TRUE(failure.startsWith(S("t.kvs:5: the screen had closed"))) << failure.toStdString();

    replay(S("combo 1234\nopen\n"));
    EXPECT_TRUE(failure.startsWith(S("t.kvs:1: The shop sells no combo 1234"))) << failure.toStdString();
}

TEST_F(ScriptReplay, ExpectComparesCaptionsExactly)
{
    const struct {
        const char* caption;
        bool passes;
    } cases[] = {{"Escolha 1 produto.", true}, {"escolha 1 produto.", false},
                 {"ESCOLHA 1 PRODUTO.", false}, {"Escolha 1 produto", false}};
    for (const auto& c : cases) {
        replay(S("combo 9002\nopen\nexpect lblQuantGrupo \"%1\"\nanswer question yes\nkey Esc\n")
                   .arg(S(c.caption)));
        EXPECT_EQ(failure.isEmpty(), c.passes) << c.caption << ": " << failure.toStdString();
        if (!c.passes) {
            EXPECT_TRUE(failure.startsWith(S("t.kvs:3: expect lblQuantGrupo"))) << failure.toStdString();
        }
    }
}

TEST_F(ScriptReplay, AMissingDatabaseIsAClearError)
{
    QString output;
    QTextStream out(&output);
    ScriptRun run(Script::parse(S("combo 9002\nopen\n"), S("t.kvs")), out);
    ScriptRunOptions options;
    options.folder = folder;
    options.connectionString = S("driver=QSQLITE;database=/nonexistent/loja.db");
    EXPECT_FALSE(run.run(options));
    EXPECT_EQ(run.failureText(), S("t.kvs: the shop database /nonexistent/loja.db does not exist"));
}

namespace {

// Every row of every table but the module's scratch tables, as text.
QStringList shopRows(const QString& file)
{
    QStringList rows;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(S("QSQLITE"), S("shop-rows"));
        db.setDatabaseName(file);
        if (!db.open())
            return {S("cannot open")};
        for (const QString& table : db.tables()) {
            if (table == S("PROMOCAOCOMBTMP") || table == S("PROMOCAOCOMBAUX"))
                continue;
            QSqlQuery q(db);
            q.exec(S("SELECT * FROM ") + table);
            while (q.next()) {
                QStringList values;
                for (int i = 0; i < q.record().count(); ++i)
                    values << q.value(i).toString();
                rows << table + S(": ") + values.join(S("|"));
            }
        }
    }
    QSqlDatabase::removeDatabase(S("shop-rows"));
    return rows;
}

}  // namespace

TEST_F(ScriptReplay, AShopsOwnDatabaseGetsNothingButScratchRows)
{
    // The shop's database lacks the reference host's menu and price table: the script
    // says how the combo is sold and what the price function answers.
    QTemporaryDir shop;
    const QString db = shop.filePath(S("shop.db"));
    ASSERT_TRUE(QFile::copy(folder.databasePath(), db));
    {
        QSqlDatabase c = QSqlDatabase::addDatabase(S("QSQLITE"), S("shop-drop"));
        c.setDatabaseName(db);
        ASSERT_TRUE(c.open());
        QSqlQuery q(c);
        ASSERT_TRUE(q.exec(S("DROP TABLE COMBOHOST")));
        ASSERT_TRUE(q.exec(S("DROP TABLE PRECOHOST")));
    }
    QSqlDatabase::removeDatabase(S("shop-drop"));
    const QStringList before = shopRows(db);
    ASSERT_GT(before.size(), 50);

    QString output;
    QTextStream out(&output);
    ScriptRun run(Script::parse(S("combo 9003\npricemode 1\nprice 34,90\nprice * 10\n"
                                  "price 6002 fail BLOQUEADO\nopen\n"
                                  "answer warning \"indisponivel\"\ntouch imgProd02\n"
                                  "answer coupon\ntouch imgProd01\nanswer coupon\ntouch imgProd01\n"
                                  "answer coupon\ntouch imgProd01\ntouch bldConfirmar\n"),
                               S("t.kvs")),
                  out);
    ScriptRunOptions options;
    options.folder = folder;
    options.connectionString = S("driver=QSQLITE;database=") + db;
    EXPECT_TRUE(run.run(options)) << run.failureText().toStdString();
    EXPECT_TRUE(output.contains(S("NMPRODUTO=\"Mini Burger\""))) << output.toStdString();
    EXPECT_TRUE(output.endsWith(S("result true\n"))) << output.toStdString();
    EXPECT_EQ(shopRows(db), before);
}

namespace {

// Notes, at every line a run prints, the database connections open in the process: a run
// prints all through its sales (each dialog it answers), so it sees every one it holds.
class ConnectionWatch : public QIODevice {
public:
    QSet<QString> seen;
    ConnectionWatch() { open(QIODevice::WriteOnly); }

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char*, qint64 size) override
    {
        for (const QString& name : QSqlDatabase::connectionNames())
            if (QSqlDatabase::database(name, false).isOpen())
                seen.insert(name);
        return size;
    }
};

class HostConnection : public ::testing::TestWithParam<test::Backend> {};

}  // namespace

TEST_P(HostConnection, TheHostLooksUpOverOneConnectionOfItsOwn)
{
    test::qtApp();
    QTemporaryDir dir;
    RunFolder folder;
    folder.root = dir.path();
    buildRunFolder(folder);
    test::TestDatabase shop(GetParam());
    QSqlDatabase db = shop.fixture().database();
    PriceTable::createTable(db);
    for (const QString& sql : sampleSeedStatements()) {
        QSqlQuery q(db);
        ASSERT_TRUE(q.exec(sql)) << q.lastError().text().toStdString();
    }

    // Two sales: the menu, prices and a product's occurrences are looked up.
    ConnectionWatch watch;
    QTextStream out(&watch);
    ScriptRun run(Script::parse(S("combo 9002\nopen\ntouch blbMenu01\nanswer coupon\n"
                                  "answer observation 01\ntouch imgProd01\n"
                                  "answer question yes\nkey Esc\n"
                                  "combo 9002\nopen\ntouch blbMenu03\n"
                                  "answer question yes\nkey Esc\n"),
                                S("t.kvs")),
                  out);
    ScriptRunOptions options;
    options.folder = folder;
    options.connectionString = shop.connectionString();
    ASSERT_TRUE(run.run(options)) << run.failureText().toStdString();

    // The module's connection is its own, and the test's are the test's.
    QStringList host;
    for (const QString& name : std::as_const(watch.seen))
        if (!name.startsWith(S("rdmPromocaoCombinada")) && !name.startsWith(S("kvp-test-")))
            host << name;
    EXPECT_EQ(host.size(), 1) << host.join(S(", ")).toStdString();
}

INSTANTIATE_TEST_SUITE_P(Backends, HostConnection,
                         ::testing::Values(test::Backend::Sqlite, test::Backend::Postgres),
                         [](const ::testing::TestParamInfo<test::Backend>& p) {
                             return test::backendName(p.param).toStdString();
                         });

TEST(SampleShop, SqlSplitsAtSemicolonsOutsideQuotesAndDropsComments)
{
    const QStringList s = splitSqlStatements(
        S("-- head; comment\nINSERT INTO T VALUES ('a;b', 'it''s');\n\nSELECT 1 -- tail;\n;"));
    ASSERT_EQ(s.size(), 2);
    EXPECT_EQ(s.at(0), S("INSERT INTO T VALUES ('a;b', 'it''s')"));
    EXPECT_EQ(s.at(1), S("SELECT 1"));
    EXPECT_THROW(splitSqlStatements(S("SELECT 'open")), HostError);
}

namespace {

// The window's dialogs, answering what the test sets.
struct SetDialogs : DialogDriver {
    bool yes = true;
    std::optional<QString> text;
    ObservationChoice choice;
    std::optional<int> row;
    bool message(const MessageRequest&) override { return yes; }
    std::optional<QString> keypad(const KeypadRequest&) override { return text; }
    ObservationChoice observation(const ObservationRequest&) override { return choice; }
    std::optional<QString> coupon(const CouponRequest&) override { return text; }
    std::optional<int> search(const SearchRequest&) override { return row; }
    std::optional<int> fiscalMenu(const FiscalMenuRequest&) override { return row; }
};

// A question the operator answers with a key typed in its own window, over the screen.
struct KeyedDialogs : SetDialogs {
    QWidget* over = nullptr;
    bool message(const MessageRequest&) override
    {
        QDialog box(over);
        QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, QString(QChar(13)));
        QCoreApplication::sendEvent(&box, &enter);
        return yes;
    }
};

}  // namespace

TEST(WindowRecording, EachAnswerIsWrittenAsTheLineThatGivesItAgain)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(S("sale.kvs"));
    WindowRecorder recorder(path);
    SetDialogs inner;
    RecordingDialogs dialogs(inner, recorder);
    Combo combo;
    combo.code = S("9002");
    recorder.beginCall(combo, 2, S("7"), QDateTime(QDate(2025, 6, 14), QTime(12, 30)), 0.482);

    ObservationRequest obs;
    obs.occurrences = DataPacket{records::ocorrencia(), {}};
    obs.occurrences.rows = {Row{S("01")}, Row{S("04")}};
    const struct {
        std::function<void()> ask;
        const char* line;
    } cases[] = {
        {[&] { inner.yes = false; dialogs.message({S("Sair?"), MessageKind::Question, {}}); }, "answer question no"},
        {[&] { dialogs.message({S("Bloqueado"), MessageKind::Warning, {}}); }, "answer warning"},
        {[&] { inner.text = S("0,45"); dialogs.keypad({}); }, "answer keypad 0,45"},
        {[&] { inner.text.reset(); dialogs.keypad({}); }, "answer keypad cancel"},
        {[&] { inner.choice = {true, {1, 0}, S("sem sal")}; dialogs.observation(obs); }, "answer observation 04 01 | \"sem sal\""},
        {[&] { inner.choice = {}; dialogs.observation(obs); }, "answer observation cancel"},
        {[&] { inner.text = QString(); dialogs.coupon({}); }, "answer coupon"},
        {[&] { inner.text = S("CUPOM10"); dialogs.coupon({}); }, "answer coupon CUPOM10"},
        {[&] { inner.row = 0; dialogs.search({}); }, "answer search 1"},
        {[&] { inner.row.reset(); dialogs.fiscalMenu({}); }, "answer fiscal close"},
    };
    QStringList expected{S("combo 9002"), S("quantity 2"), S("sale 7"), S("clock 2025-06-14 12:30:00"),
                         S("scale 0,482")};
    for (const auto& c : cases) {
        c.ask();
        expected << S(c.line);
    }
    expected << S("open");
    DataSet items(S("cdsItensRet"), records::itemProd());
    DataSet observations(S("cdsObsRet"), records::obsItens());
    DataSet controlled(S("cdsCtObsRet"), records::prodCtObs());
    items.emptyOrCreate();
    observations.emptyOrCreate();
    controlled.emptyOrCreate();
    QString error;
    ASSERT_TRUE(recorder.endCall(items, observations, controlled, false, error)) << error.toStdString();

    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(f.readAll());
    QStringList lines = text.split(QLatin1Char('\n'));
    lines = lines.mid(1, expected.size());  // after the heading comment
    EXPECT_EQ(lines.join(S("\n")).toStdString(), expected.join(S("\n")).toStdString());
    EXPECT_TRUE(text.contains(S("expect result false\nexpect items 0\n")));
    // The recording is a script: every line of it parses.
    const Script script = Script::parse(text, path);
    EXPECT_EQ(script.sales.size(), 1);
}

TEST(WindowRecording, TouchesAndKeysOnAScreenComeAfterTheAnswersTheyTook)
{
    test::qtApp();
    QTemporaryDir dir;
    const QString path = dir.filePath(S("sale.kvs"));
    WindowRecorder recorder(path);
    KeyedDialogs inner;
    RecordingDialogs dialogs(inner, recorder);

    screen::Form form(S("frmTeste"));
    form.frame.bounds = {0, 0, 300, 200};
    screen::Control ok;
    ok.name = S("bldOk");
    ok.kind = screen::ControlKind::Button;
    ok.bounds = {10, 10, 120, 40};
    ok.caption = S("Confirmar");
    form.addControl(ok);
    screen::Control label;
    label.name = S("lblTexto");
    label.kind = screen::ControlKind::Label;
    label.bounds = {10, 80, 200, 20};
    form.addControl(label);
    // The button's handler asks a question, as a confirmation does.
    struct Binding : ui::FormBinding {
        RecordingDialogs& dialogs;
        explicit Binding(RecordingDialogs& d) : dialogs(d) {}
        std::function<void()> touchHandler(const screen::Control& c) override
        {
            if (c.name != QLatin1String("bldOk"))
                return {};
            return [this] { dialogs.message({S("Confirma?"), MessageKind::Question, {}}); };
        }
        void keyDown(int) override {}
        void keyPress(QChar) override {}
    };
    ui::ScreenDialog screen(form, nullptr, std::make_unique<Binding>(dialogs));
    inner.over = &screen;  // a key in the question's window is the question's, not the screen's
    screen.show();
    qApp->installEventFilter(&recorder);
    Combo combo;
    combo.code = S("9003");
    recorder.beginCall(combo, 1, S("1"), QDateTime(QDate(2025, 6, 14), QTime(12, 30)), 0);

    auto press = [](QWidget* w) {
        const QPointF at(w->width() / 2.0, w->height() / 2.0);
        QMouseEvent down(QEvent::MouseButtonPress, at, w->mapToGlobal(at), Qt::LeftButton,
                         Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(w, &down);
        QMouseEvent up(QEvent::MouseButtonRelease, at, w->mapToGlobal(at), Qt::LeftButton,
                       Qt::NoButton, Qt::NoModifier);
        QCoreApplication::sendEvent(w, &up);
    };
    press(screen.view()->widgetFor(S("lblTexto")));  // takes no touches: not recorded
    inner.yes = true;
    press(screen.view()->widgetFor(S("bldOk")));
    QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier, QString(QChar(27)));
    QCoreApplication::sendEvent(&screen, &esc);

    DataSet items(S("cdsItensRet"), records::itemProd());
    DataSet observations(S("cdsObsRet"), records::obsItens());
    DataSet controlled(S("cdsCtObsRet"), records::prodCtObs());
    QString error;
    ASSERT_TRUE(recorder.endCall(items, observations, controlled, false, error)) << error.toStdString();
    qApp->removeEventFilter(&recorder);
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(f.readAll());
    EXPECT_TRUE(text.contains(S("scale 0\nopen\nanswer question yes\ntouch bldOk\nkey Esc\n")))
        << text.toStdString();
}
