// The till as an operator feels it: every step of a sale through the host's entry and
// the real Qt view (offscreen), on the reference host's sample shop and on a large one
// (the sample shop plus 100,000 products with a picture file each, 2,000 promotions and
// 10,000 campaign combinations), on SQLite and, when KVP_BENCH_PG names a server
// ("host=...;port=...; user=..."), on PostgreSQL directly and behind a proxy that delays
// every round trip by 1, 5 or 20 ms (tests/support/wireproxy.h).
// bench/run_till_bench.sh starts a throw-away server itself.
//
// Each benchmark reports in the same run:
//   stmts    data calls of the step (statements, BEGIN, COMMIT: the data-call hook)
//   rt       round trips on the wire to PostgreSQL (counted by the proxy; connection
//            set-up and PREPAREs included)
//   floor_us the step's own statements, each distinct one once, run bare on a prepared
//            connection: what the step cannot go below
//   painted  widgets painted for the step
//   handler_us the touch's handler alone, before the view follows it and paints
//   host_us  the part of handler_us spent in the host's own services (its price and
//            occurrence queries, its clock): the host's cost, not the module's
//   faults   pages a first open touched for the first time (minor page faults)
//   idle_us  before a first open: the host window's first paint and what the view does
//            while the host then waits (it loads the screens' fonts and lists the
//            product pictures)
// The time is that of the step alone (manual time); the first open of a process runs in
// a child process of its own ("open_cold", after a window as a till's host shows one;
// "open_cold_bare", in a process that has drawn nothing; "open_cold_early", PostgreSQL,
// after a host that asked for the module's connection as it started).

#include "catalogue.h"
#include "connectionstring.h"
#include "dialogdriver.h"
#include "itemrecord.h"
#include "pgdriver.h"
#include "kvp510.h"
#include "qthostservices.h"
#include "rdmpromocaocombinada.h"
#include "schema.h"
#include "screendialog.h"
#include "script.h"
#include "scriptrun.h"
#include "shop.h"
#include "warmup.h"
#include "wireproxy.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QProcess>
#include <QSqlError>
#include <QSqlQuery>
#include <QTextStream>

#include <sys/resource.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <functional>
#include <map>
#include <memory>
#include <stdexcept>
#include <type_traits>

namespace {

using namespace kvp;
using refhost::RunFolder;

QString S(const char* text) { return QString::fromUtf8(text); }

[[noreturn]] void fail(const QString& what) { throw std::runtime_error(what.toStdString()); }

void exec(QSqlDatabase db, const QString& sql)
{
    QSqlQuery q(db);
    if (!q.exec(sql))
        fail(sql.left(80) + S(": ") + q.lastError().text());
}

// --- The host around the module ---------------------------------------------------------

// Answers every dialog the way a hurried operator does: yes, no coupon, no observation.
class QuickAnswers : public refhost::DialogDriver {
public:
    bool message(const refhost::MessageRequest&) override { return true; }
    std::optional<QString> keypad(const refhost::KeypadRequest&) override { return std::nullopt; }
    refhost::ObservationChoice observation(const refhost::ObservationRequest&) override { return {}; }
    std::optional<QString> coupon(const refhost::CouponRequest&) override { return QString(); }
    std::optional<int> search(const refhost::SearchRequest&) override { return std::nullopt; }
    std::optional<int> fiscalMenu(const refhost::FiscalMenuRequest&) override { return std::nullopt; }
};

// Paints, counted: the view's repaint after a step is part of what the operator waits for.
class PaintCounter : public QObject {
public:
    long painted = 0;
    bool eventFilter(QObject* o, QEvent* e) override
    {
        if (e->type() == QEvent::Paint && o->isWidgetType()) {
            ++painted;
            static const bool named = qEnvironmentVariableIsSet("KVP_BENCH_PAINTS");
            if (named)
                std::fprintf(stderr, "paint %s %s\n", o->metaObject()->className(), qPrintable(o->objectName()));
        }
        return false;
    }
};
PaintCounter* g_paints = nullptr;

// Lets the view paint what the step changed, at once (the bench sets the window system's
// update delay to 0), and frees the widgets the step removed.
void flushView()
{
    for (int pass = 0; pass < 2; ++pass) {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
    }
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// Runs each screen in the real dialog and hands it to the benchmark's body, which plays
// the operator; the screen is left (without confirming) when the body returns.
class BenchPresenter : public screen::ModalPresenter {
public:
    // As the view's own presenter does when a host makes it.
    BenchPresenter() { ui::warmUpWhenIdle(); }
    std::function<void(ui::ScreenDialog&)> body;
    void runModal(screen::Form& form) override
    {
        ui::ScreenDialog dialog(form, nullptr);
        ui::QtTimerDriver timers;
        for (screen::ScreenTimer* t : form.timers())
            timers.attach(*t);
        m_top = &dialog;
        dialog.show();
        dialog.start();
        flushView();
        if (body && !form.closeRequested())
            body(dialog);
        for (screen::ScreenTimer* t : form.timers())
            t->attach(nullptr);
        m_top = nullptr;
    }
    void closeRequested(screen::Form&) override {}
    void repaint(screen::Form& form) override
    {
        if (m_top && &m_top->form() == &form) {
            m_top->view()->sync();
            m_top->view()->paintChanges();
        }
    }

private:
    ui::ScreenDialog* m_top = nullptr;
};

// --- Shops ------------------------------------------------------------------------------

struct Shop {
    QString name;             // "sqlite/sample", "pg5ms/large", ...
    RunFolder folder;         // the host's files (and the SQLite database)
    QString moduleConnection; // what the host hands the module
    QString hostConnection;   // the host's own connection (prices, menu), never delayed
    test::WireProxy* proxy = nullptr;
    bool large = false;
};

// A second campaign whose combination lists products (X-Bacon with a soda, when the
// ice cream and the ketchup are on the tray too), so that a confirmation tests a list.
void addListCampaign(QSqlDatabase db)
{
    exec(db, S("INSERT INTO CAMPANHAPROMO (CDCAMPPROMO, NMCAMPPROMO, DTINIVGCAMP, DTFINVGCAMP, HRINICAMP, "
               "HRFINCAMP, IDDIADOMINGO, IDDIASEGUNDA, IDDIATERCA, IDDIAQUARTA, IDDIAQUINTA, IDDIASEXTA, "
               "IDDIASABADO, CDTIPOCONS, CDCLIENTE) VALUES ('CAMPLIST', 'Lista', '2020-01-01 00:00:00', "
               "'2099-12-31 23:59:59', '0000', '2359', 'S', 'S', 'S', 'S', 'S', 'S', 'S', NULL, NULL)"));
    exec(db, S("INSERT INTO COMBINAPROD (CDCAMPPROMO, CDPRODPRIN, CDPRODCOMB, CDPRODCOMB2, CDPRODCOMB4, "
               "CDPRODCOMB3, CDPRODCOMBOPC, IDPERCVALOR, IDDESCACRE, VRDESCACRE, IDAPLICADESACR, HRINICOMB, "
               "HRFINCOMB, IDDIADOMCOMB, IDDIASEGCOMB, IDDIATERCOMB, IDDIAQUACOMB, IDDIAQUICOMB, IDDIASEXCOMB, "
               "IDDIASABCOMB) VALUES ('CAMPLIST', '1003', '2001', NULL, NULL, '3001;5001', NULL, 'P', 'D', 5, "
               "'4', '0000', '2359', 'S', 'S', 'S', 'S', 'S', 'S', 'S')"));
}

// The generated catalogue on top of the sample shop, sellable by the reference host:
// every product has a price and every promotion is on the menu, priced from its products.
void addLargeCatalogue(QSqlDatabase db)
{
    DatabaseFixture fx(db);
    bench::CatalogueSize size;
    size.shopRows = false;
    bench::buildCatalogue(fx, size);
    exec(db, S("BEGIN"));
    QSqlQuery price(db);
    price.prepare(S("INSERT INTO PRECOHOST (CDFILIAL, CDPRODUTO, VRPRECO) VALUES ('01', ?, ?)"));
    for (int p = 1; p <= size.products; ++p) {
        price.addBindValue(bench::productCode(p));
        price.addBindValue(1.0 + p % 50);
        if (!price.exec())
            fail(price.lastError().text());
    }
    QSqlQuery menu(db);
    menu.prepare(S("INSERT INTO COMBOHOST (CDPRODUTO, NRORDEM, IDTIPOPRECO) VALUES (?, ?, '2')"));
    for (int pr = 1; pr <= size.promotions; ++pr) {
        menu.addBindValue(bench::promotionCode(pr));
        menu.addBindValue(100 + pr);
        if (!menu.exec())
            fail(menu.lastError().text());
    }
    exec(db, S("COMMIT"));
}

QString sqliteConnection(const QString& path)
{
    return S("driver=QSQLITE;database=") + quoteConnectionValue(path);
}

// What the benchmark adds to the sample shop on either engine, then fresh statistics.
void fillShop(QSqlDatabase& db, bool large)
{
    addListCampaign(db);
    if (large)
        addLargeCatalogue(db);
    exec(db, S("ANALYZE"));
}

// A shop keeps a picture per product: the large shop's folder gets a file for each
// product. The generated products share their tree codes, so these files are named by
// product code and left empty: only the folder's size matters to the screens.
void addProductPictures(QSqlDatabase& db, const RunFolder& folder)
{
    const QDir pictures(folder.picturesPath());
    QSqlQuery q(db);
    q.setForwardOnly(true);
    if (!q.exec(S("SELECT CDPRODUTO FROM PRODUTO")))
        fail(q.lastError().text());
    while (q.next()) {
        const QString file = pictures.filePath(S("p") + q.value(0).toString() + S(".bmp"));
        QFile f(file);
        if (!QFile::exists(file) && !f.open(QIODevice::WriteOnly))
            fail(S("cannot write ") + file);
    }
}

// SQLite shops live beside the program, built once per schema.
RunFolder sqliteShop(bool large)
{
    const QString root = QCoreApplication::applicationDirPath() +
        QStringLiteral("/till_%1-%2-pictures").arg(large ? S("large") : S("sample")).arg(qHash(schemaDdl(Dialect::Sqlite)), 0, 16);
    RunFolder folder{root};
    // A finished shop carries its marker; anything else is built again from scratch.
    const QString marker = root + S("/.built");
    if (QFile::exists(marker))
        return folder;
    std::fprintf(stderr, "building %s ...\n", qPrintable(root));
    QDir(root).removeRecursively();
    refhost::prepareRunFolder(folder, true);
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(S("QSQLITE"), S("till-build"));
        db.setDatabaseName(folder.databasePath());
        if (!db.open())
            fail(db.lastError().text());
        fillShop(db, large);
        if (large)
            addProductPictures(db, folder);
        db.close();
    }
    QSqlDatabase::removeDatabase(S("till-build"));
    QFile done(marker);
    if (!done.open(QIODevice::WriteOnly))
        fail(S("cannot write ") + marker);
    return folder;
}

// PostgreSQL shops: one database each, built fresh for the run.
QString postgresShop(const ConnectionSettings& server, bool large)
{
    const QString database = large ? S("kvp_till_large") : S("kvp_till_sample");
    auto open = [&](const QString& name, const QString& dbName) {
        ConnectionSettings settings = server;
        settings.database = dbName;
        QSqlDatabase db = addDatabase(settings, name);
        if (!db.open())
            fail(db.lastError().text());
        return db;
    };
    {
        QSqlDatabase admin = open(S("till-admin"), server.database);
        exec(admin, S("DROP DATABASE IF EXISTS ") + database);
        exec(admin, S("CREATE DATABASE ") + database);
        admin.close();
    }
    QSqlDatabase::removeDatabase(S("till-admin"));
    {
        std::fprintf(stderr, "building the PostgreSQL shop %s ...\n", qPrintable(database));
        QSqlDatabase db = open(S("till-build"), database);
        refhost::loadSampleShop(db);
        fillShop(db, large);
        db.close();
    }
    QSqlDatabase::removeDatabase(S("till-build"));
    return database;
}

QString pgConnection(const ConnectionSettings& s, int port, const QString& database)
{
    return QStringLiteral("driver=QPSQL;host=%1;port=%2;database=%3;user=%4")
        .arg(s.host).arg(port).arg(database, s.user);
}

// The named connection, opened on first use.
QSqlDatabase openOnce(const QString& name, const QString& connection)
{
    if (QSqlDatabase::contains(name))
        return QSqlDatabase::database(name);
    QSqlDatabase db = addDatabase(ConnectionSettings::parse(connection), name);
    if (!db.open())
        fail(db.lastError().text());
    return db;
}

// --- One till ---------------------------------------------------------------------------

std::atomic<long> g_calls{0};
// The statements of the step being recorded: text and bound values, in order.
struct Traced {
    QString text;
    QList<std::pair<QString, QVariant>> values;  // placeholder (with colon), value
    bool write;
};
QList<Traced>* g_trace = nullptr;

void onDataCall(const QString& call)
{
    ++g_calls;
    if (!g_trace || !rdmPromocaoCombinada)
        return;
    if (call == QLatin1String("BEGIN") || call == QLatin1String("COMMIT")) {
        g_trace->append({call, {}, true});
        return;
    }
    const SqlStatement* s = hookedStatement();
    if (!s)
        return;
    Traced t{s->text(), {}, call.startsWith(QLatin1String("acm"))};
    for (const QString& p : s->parameters())
        t.values.append({QLatin1Char(':') + p, s->boundValue(p)});
    g_trace->append(t);
}

using Clock = std::chrono::steady_clock;
double seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

// Time of the host's look-ups made from the module (price, occurrences).
double g_hostSeconds = 0;

// The reference host's services, its look-ups timed.
class TimedHost : public refhost::QtHostServices {
public:
    using QtHostServices::QtHostServices;
    DataResult ChamaFuncaoGetRetornaPreco(const QVariantList& nine, DataSet& price) override
    {
        return timed([&] { return QtHostServices::ChamaFuncaoGetRetornaPreco(nine, price); });
    }
    QString Observacao(const QVariantList& inputs, HostAnswer& answer) override
    {
        return timed([&] { return QtHostServices::Observacao(inputs, answer); });
    }
    QDateTime now() const override
    {
        return timed([&] { return QtHostServices::now(); });
    }

private:
    template <typename F>
    static std::invoke_result_t<F> timed(F f)
    {
        const auto t0 = Clock::now();
        auto result = f();
        g_hostSeconds += seconds(Clock::now() - t0);
        return result;
    }
};

class Till {
public:
    explicit Till(const Shop& shop) : m_shop(shop)
    {
        m_hostConnection = S("till-host-") + shop.name;
        openOnce(m_hostConnection, shop.hostConnection);
        refhost::QtHostConfig config;
        config.connectionString = shop.moduleConnection;
        config.programFolder = shop.folder.root;
        config.priceConnection = m_hostConnection;
        config.clock = [] { return QDateTime(QDate(2025, 6, 14), QTime(12, 30)); };
        const refhost::ShopCatalogue catalogue(m_hostConnection);
        config.occurrences = [catalogue](const QString& p) { return catalogue.occurrences(p); };
        m_combo = catalogue.combo(S("9001"));
        m_services = std::make_unique<TimedHost>(config, m_answers);
        installHost(m_services.get());
        screen::installPresenter(&m_presenter);
    }
    ~Till()
    {
        screen::installPresenter(nullptr);
        installHost(nullptr);
    }

    // One call of the entry for the family combo; body plays the screen.
    bool sell(std::function<void(ui::ScreenDialog&)> body)
    {
        m_presenter.body = std::move(body);
        DataSet itens(S("cdsItensRet"), records::itemProd());
        DataSet obs(S("cdsObsRet"), records::obsItens());
        DataSet ctObs(S("cdsCtObsRet"), records::prodCtObs());
        DataSet sold(S("cdsItensVendidos"), records::itemProd());
        itens.emptyOrCreate();
        obs.emptyOrCreate();
        ctObs.emptyOrCreate();
        sold.emptyOrCreate();
        const refhost::Combo& c = m_combo;
        return combinada::CriaPromocaoInteligente(itens, obs, ctObs, c.code, c.name, QString(), QString(),
                                                 c.priceMode, c.valueOrPerc, c.adjustType, c.price, c.adjust,
                                                 1, c.applyAdjust, false, S("1"), sold, S("A"));
    }

    const Shop& shop() const { return m_shop; }

private:
    Shop m_shop;
    QString m_hostConnection;
    refhost::Combo m_combo;
    QuickAnswers m_answers;
    BenchPresenter m_presenter;
    std::unique_ptr<refhost::QtHostServices> m_services;
};

// Time of the handlers run by touches, the screen's own work before the view follows it.
double g_handlerSeconds = 0;

// Touches a control as a press on its widget does (as FormView::touch delivers it, with
// its handler timed on its own), then lets the view paint.
void touch(ui::ScreenDialog& d, const QString& name)
{
    const screen::Control* control = std::as_const(d.form()).findComponent(name);
    const std::function<void()> handler = control ? d.view()->binding().touchHandler(*control) : nullptr;
    if (!handler)
        fail(S("cannot touch ") + name);
    d.view()->deliver([&] {
        const auto t0 = Clock::now();
        handler();
        g_handlerSeconds += seconds(Clock::now() - t0);
    });
    flushView();
}

// The tray entry made last ("bandejaNFoto" with the highest N).
QString lastTrayEntry(ui::ScreenDialog& d)
{
    int best = 0;
    for (const screen::Control* c : std::as_const(d.form()).controls()) {
        const QString& n = c->name;
        if (n.startsWith(QLatin1String("bandeja"), Qt::CaseInsensitive) && n.endsWith(QLatin1String("Foto"), Qt::CaseInsensitive))
            best = std::max(best, n.mid(7, n.size() - 11).toInt());
    }
    if (best == 0)
        fail(S("the tray is empty"));
    return QStringLiteral("bandeja%1Foto").arg(best);
}

// The family combo's tray, complete: two sandwiches, two drinks, two desserts, a sauce
// (the fries come chosen). withList puts the X-Bacon and the soda on it as well, which
// the listing campaign needs.
void fillTray(ui::ScreenDialog& d, bool withList)
{
    touch(d, S("blbMenu01"));
    touch(d, S("imgProd01"));
    touch(d, withList ? S("imgProd03") : S("imgProd02"));
    touch(d, S("blbMenu03"));
    touch(d, S("imgProd01"));
    touch(d, S("imgProd02"));
    touch(d, S("blbMenu04"));
    touch(d, S("imgProd01"));
    touch(d, S("imgProd03"));
    touch(d, S("blbMenu05"));
    touch(d, S("imgProd01"));
}

// --- Measuring --------------------------------------------------------------------------

struct StepCounts {
    long calls = 0;
    long roundTrips = 0;
    long painted = 0;
    double handler = 0;  // seconds
    double host = 0;     // seconds of the handler in the host's look-ups
};

class Meter {
public:
    explicit Meter(const Shop& shop) : m_shop(shop) {}
    void start()
    {
        m_calls = g_calls;
        m_rt = m_shop.proxy ? m_shop.proxy->roundTrips() : 0;
        m_painted = g_paints->painted;
        m_handler = g_handlerSeconds;
        m_host = g_hostSeconds;
        m_t0 = Clock::now();
    }
    double stop()
    {
        const double s = seconds(Clock::now() - m_t0);
        m_sum.calls += g_calls - m_calls;
        m_sum.roundTrips += (m_shop.proxy ? m_shop.proxy->roundTrips() : 0) - m_rt;
        m_sum.painted += g_paints->painted - m_painted;
        m_sum.handler += g_handlerSeconds - m_handler;
        m_sum.host += g_hostSeconds - m_host;
        ++m_steps;
        return s;
    }
    void report(benchmark::State& state) const
    {
        const double n = std::max(1L, m_steps);
        state.counters["stmts"] = double(m_sum.calls) / n;
        if (m_shop.proxy)
            state.counters["rt"] = double(m_sum.roundTrips) / n;
        state.counters["painted"] = double(m_sum.painted) / n;
        if (m_sum.handler > 0) {
            state.counters["handler_us"] = m_sum.handler * 1e6 / n;
            state.counters["host_us"] = m_sum.host * 1e6 / n;
        }
    }

private:
    const Shop& m_shop;
    StepCounts m_sum;
    long m_steps = 0;
    long m_calls = 0, m_rt = 0, m_painted = 0;
    double m_handler = 0;
    double m_host = 0;
    Clock::time_point m_t0;
};

// Runs the recorded statements bare: each distinct read once, every write, in a
// transaction that is rolled back when the step wrote. Microseconds per run.
double floorOf(const Shop& shop, const QList<Traced>& trace)
{
    if (trace.isEmpty())
        return 0;
    QSqlDatabase db = openOnce(S("till-floor-") + shop.name, shop.moduleConnection);
    bool writes = false;
    QList<Traced> steps;
    QSet<QString> seen;
    for (const Traced& t : trace) {
        if (t.text == QLatin1String("BEGIN") || t.text == QLatin1String("COMMIT")) {
            writes = true;
            continue;
        }
        QString key = t.text;
        for (const auto& [p, v] : t.values)
            key += QLatin1Char('\x1f') + v.toString();
        if (!t.write && seen.contains(key))
            continue;
        seen.insert(key);
        writes = writes || t.write;
        steps.append(t);
    }
    std::map<QString, std::unique_ptr<QSqlQuery>> prepared;
    for (const Traced& t : steps) {
        auto& q = prepared[t.text];
        if (!q) {
            q = std::make_unique<QSqlQuery>(db);
            q->setForwardOnly(true);
            if (!q->prepare(t.text))
                fail(q->lastError().text());
        }
    }
    auto once = [&] {
        if (writes)
            db.transaction();
        for (const Traced& t : steps) {
            QSqlQuery& q = *prepared[t.text];
            for (const auto& [p, v] : t.values)
                q.bindValue(p, v);
            if (!q.exec())
                fail(q.lastError().text());
            while (q.next())
                benchmark::DoNotOptimize(q.value(0));
            q.finish();
        }
        if (writes)
            db.rollback();
    };
    once();
    const int runs = shop.proxy && shop.name.contains(QLatin1String("ms/")) ? 3 : 20;
    const auto t0 = Clock::now();
    for (int i = 0; i < runs; ++i)
        once();
    return seconds(Clock::now() - t0) / runs * 1e6;
}

// Records one step's statements, then runs the step's loop.
struct Recorder {
    QList<Traced> trace;
    bool done = false;
    void begin()
    {
        if (!done)
            g_trace = &trace;
    }
    void end()
    {
        if (g_trace == &trace) {
            g_trace = nullptr;
            done = true;
        }
    }
};

void finish(benchmark::State& state, const Meter& meter, const Shop& shop, const Recorder& rec)
{
    // KVP_BENCH_TRACE=1 lists the statements of each step on standard error.
    if (qEnvironmentVariableIsSet("KVP_BENCH_TRACE")) {
        std::fprintf(stderr, "%s:\n", qPrintable(shop.name));
        for (const Traced& t : rec.trace) {
            QStringList values;
            for (const auto& [p, v] : t.values)
                values << v.toString();
            std::fprintf(stderr, "  %s (%s)\n", qPrintable(t.text.simplified().left(60)), qPrintable(values.join(S(", "))));
        }
    }
    meter.report(state);
    state.counters["floor_us"] = floorOf(shop, rec.trace);
}

using Step = std::function<void(benchmark::State&, Till&)>;

// One measured step: its statements recorded (the first time), its time reported.
void timed(benchmark::State& state, Meter& meter, Recorder& rec, const std::function<void()>& step)
{
    rec.begin();
    meter.start();
    step();
    state.SetIterationTime(meter.stop());
    rec.end();
}

// --- The steps --------------------------------------------------------------------------

void openWarm(benchmark::State& state, Till& till)
{
    Meter meter(till.shop());
    Recorder rec;
    till.sell({});  // the process's first open is open_cold's business
    for (auto _ : state) {
        double t = 0;
        rec.begin();
        meter.start();
        till.sell([&](ui::ScreenDialog&) {
            t = meter.stop();
            rec.end();
        });
        state.SetIterationTime(t);
    }
    finish(state, meter, till.shop(), rec);
}

void groupTouch(benchmark::State& state, Till& till)
{
    Meter meter(till.shop());
    Recorder rec;
    till.sell([&](ui::ScreenDialog& d) {
        int i = 0;
        for (auto _ : state)
            timed(state, meter, rec, [&] { touch(d, i++ % 2 ? S("blbMenu01") : S("blbMenu03")); });
    });
    finish(state, meter, till.shop(), rec);
}

// A sandwich on the tray and off again; timeRemoval says which half is measured.
void productTouch(benchmark::State& state, Till& till, bool timeRemoval)
{
    Meter meter(till.shop());
    Recorder rec;
    till.sell([&](ui::ScreenDialog& d) {
        touch(d, S("blbMenu01"));
        for (auto _ : state) {
            const auto add = [&] { touch(d, S("imgProd01")); };
            timeRemoval ? add() : timed(state, meter, rec, add);
            const auto remove = [&, entry = lastTrayEntry(d)] { touch(d, entry); };
            timeRemoval ? timed(state, meter, rec, remove) : remove();
        }
    });
    finish(state, meter, till.shop(), rec);
}

void confirm(benchmark::State& state, Till& till, bool withList)
{
    Meter meter(till.shop());
    Recorder rec;
    for (auto _ : state) {
        bool closed = false;
        till.sell([&](ui::ScreenDialog& d) {
            fillTray(d, withList);
            timed(state, meter, rec, [&] { d.view()->touch(S("bldConfirmar")); });
            closed = d.form().closeRequested();
        });
        if (!closed)
            fail(S("the confirmation did not go through"));
    }
    finish(state, meter, till.shop(), rec);
}

// The peak resident memory of this program image. Not getrusage's: across fork and exec
// Linux keeps the parent's peak there, so a child started by a big parent reports the parent.
long peakRssKb()
{
    QFile status(S("/proc/self/status"));
    if (status.open(QIODevice::ReadOnly)) {
        for (const QByteArray& line : status.readAll().split('\n'))
            if (line.startsWith("VmHWM:"))
                return line.mid(6).trimmed().split(' ').value(0).toLong();
    }
    rusage u{};
    ::getrusage(RUSAGE_SELF, &u);
    return u.ru_maxrss;
}

// The demo sale of the reference host's scripts, as kvp_host --script plays it.
QString demoScript()
{
    QFile f(QStringLiteral(KVP_DEMO_SCRIPT));
    if (!f.open(QIODevice::ReadOnly))
        fail(S("cannot read ") + f.fileName());
    QStringList lines;
    for (QString line : QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'))) {
        if (line.startsWith(QLatin1String("screenshot")) || line.startsWith(QLatin1String("show")))
            continue;
        const qsizetype capture = line.indexOf(QLatin1String(" > "));
        if (capture > 0)
            line.truncate(capture);
        lines << line;
    }
    return lines.join(QLatin1Char('\n'));
}

void scriptedSale(benchmark::State& state, const Shop& shop)
{
    // The peak of a process that only sells (this one has built shops and run other steps),
    // taken first, before this step's own sales have grown the shop's write-ahead log.
    QProcess child;
    child.start(QCoreApplication::applicationFilePath(),
                {S("--sale-peak"), shop.folder.root, shop.moduleConnection});
    if (!child.waitForFinished(120000) || child.exitCode() != 0)
        fail(S("the sale's child failed: ") + QString::fromUtf8(child.readAllStandardError()));
    const double peakMb = QString::fromUtf8(child.readAllStandardOutput()).trimmed().toDouble() / 1024.0;

    const refhost::Script script = refhost::Script::parse(demoScript(), S("demo.kvs"));
    Meter meter(shop);
    QString out;
    for (auto _ : state) {
        out.clear();
        QTextStream stream(&out);
        refhost::ScriptRun run(script, stream);
        refhost::ScriptRunOptions options;
        options.folder = shop.folder;
        options.connectionString = shop.moduleConnection;
        meter.start();
        const bool ok = run.run(options);
        state.SetIterationTime(meter.stop());
        if (!ok)
            fail(run.failureText());
    }
    meter.report(state);
    state.counters["peak_MB"] = peakMb;
}

// Child mode: the demo sale once, printed as the process's peak resident memory in KiB.
int salePeakChild(const QStringList& args)
{
    const refhost::Script script = refhost::Script::parse(demoScript(), S("demo.kvs"));
    QString out;
    QTextStream stream(&out);
    refhost::ScriptRun run(script, stream);
    refhost::ScriptRunOptions options;
    options.folder.root = args.value(0);
    options.connectionString = args.value(1);
    if (!run.run(options)) {
        std::fprintf(stderr, "%s\n", qPrintable(run.failureText()));
        return 1;
    }
    std::printf("%ld\n", peakRssKb());
    std::fflush(stdout);
    return 0;
}

// --- The first open of a process ----------------------------------------------------------

// Pages the process has touched for the first time (or found in the page cache) so far:
// a first open's cost on a machine whose page faults are dear.
long minorFaults()
{
    struct rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_minflt;
}

// Child mode: one open, printed as "seconds calls painted faults idle-seconds".
int coldOpenChild(const QStringList& args)
{
    Shop shop;
    shop.name = S("cold");
    shop.folder.root = args.value(0);
    shop.moduleConnection = args.value(1);
    shop.hostConnection = args.value(2);
    // The till installs its services and presenter when it starts.
    setDataCallHook(onDataCall);
    Till till(shop);
    Meter meter(shop);
    // A till's own window is on the screen before its first sale, so Qt's fonts and the
    // window system are up by then, and the view has made the screens' fonts and pictures
    // ready while the host waited (the reference host shows its sale window first).
    // "bare" leaves all of it to the entry: a process that has drawn nothing yet.
    QWidget hostWindow;
    double idle = 0;
    // "early": the host asked for the module's connection as it started; the operator's
    // first sale comes after it is made.
    const bool early = args.value(3) == QLatin1String("early");
    if (early)
        connectEarly();
    if (args.value(3) != QLatin1String("bare")) {
        auto* caption = new QLabel(S("Venda 1 - Total R$ 0,00"), &hostWindow);
        caption->move(10, 10);
        hostWindow.resize(320, 80);
        const auto t0 = Clock::now();
        hostWindow.show();
        flushView();
        idle = seconds(Clock::now() - t0);
    }
    if (early)
        pg::waitForEarlyConnection();
    double t = 0;
    const long faults0 = minorFaults();
    meter.start();
    till.sell([&](ui::ScreenDialog&) {
        t = meter.stop();
        const long faults = minorFaults() - faults0;
        // Reported while the screen is open, and held there until the parent has counted
        // the round trips: leaving the screen and the process's end are not the open's.
        std::printf("%.9f %ld %ld %ld %.9f\n", t, g_calls.load(), g_paints->painted, faults, idle);
        std::fflush(stdout);
        char go[8];
        static_cast<void>(std::fgets(go, sizeof go, stdin));
    });
    return 0;
}

void openCold(benchmark::State& state, const Shop& shop, const QString& mode)
{
    const bool bare = mode == QLatin1String("bare");
    long calls = 0, rt = 0;
    long painted = 0, faults = 0;
    double idle = 0;
    long runs = 0;
    for (auto _ : state) {
        const long rt0 = shop.proxy ? shop.proxy->roundTrips() : 0;
        QProcess child;
        child.start(QCoreApplication::applicationFilePath(),
                    {S("--cold-open"), shop.folder.root, shop.moduleConnection, shop.hostConnection,
                     mode});
        QByteArray line;
        while (!line.contains('\n') && child.waitForReadyRead(120000))
            line += child.readAllStandardOutput();
        const long rtOpen = (shop.proxy ? shop.proxy->roundTrips() : 0) - rt0;
        child.write("go\n");
        child.closeWriteChannel();
        if (!line.contains('\n') || !child.waitForFinished(120000) || child.exitCode() != 0)
            fail(S("cold open failed: ") + QString::fromUtf8(child.readAllStandardError()));
        const QStringList parts = QString::fromUtf8(line).trimmed().split(QLatin1Char(' '));
        state.SetIterationTime(parts.value(0).toDouble());
        calls += parts.value(1).toLong();
        painted += parts.value(2).toLong();
        faults += parts.value(3).toLong();
        idle += parts.value(4).toDouble();
        rt += rtOpen;
        ++runs;
    }
    const double n = std::max(1L, runs);
    state.counters["stmts"] = double(calls) / n;
    state.counters["painted"] = double(painted) / n;
    state.counters["faults"] = double(faults) / n;
    if (!bare)
        state.counters["idle_us"] = idle * 1e6 / n;
    if (shop.proxy)
        state.counters["rt"] = double(rt) / n;
}

// --- Registration ---------------------------------------------------------------------------

std::vector<std::unique_ptr<Shop>> g_shops;

void registerShop(const Shop& s, bool everyStep)
{
    g_shops.push_back(std::make_unique<Shop>(s));
    const Shop* shop = g_shops.back().get();
    const bool slow = shop->name.contains(QLatin1String("ms/"));
    auto add = [&](const char* step, std::function<void(benchmark::State&)> body) {
        auto* b = benchmark::RegisterBenchmark(QString(shop->name + S("/") + S(step)).toStdString().c_str(),
                                               [body](benchmark::State& st) { body(st); });
        b->UseManualTime()->Unit(benchmark::kMicrosecond);
        const std::string name(step);
        if (slow)
            b->Iterations(name.rfind("open_cold", 0) == 0 ? 3 : 10);
        else if (name == "product_touch" || name == "tray_removal")
            // One sale numbers its lines up to 999: more touches in a sale would time refusals.
            b->Iterations(400);
    };
    auto withTill = [shop](Step step) {
        return [shop, step](benchmark::State& st) {
            Till till(*shop);
            step(st, till);
        };
    };
    add("open_cold", [shop](benchmark::State& st) { openCold(st, *shop, S("after-window")); });
    add("open_cold_bare", [shop](benchmark::State& st) { openCold(st, *shop, S("bare")); });
    if (shop->proxy)  // its rt include the connection made before the sale
        add("open_cold_early", [shop](benchmark::State& st) { openCold(st, *shop, S("early")); });
    add("open_warm", withTill(openWarm));
    add("group_touch", withTill(groupTouch));
    add("product_touch", withTill([](benchmark::State& st, Till& t) { productTouch(st, t, false); }));
    add("tray_removal", withTill([](benchmark::State& st, Till& t) { productTouch(st, t, true); }));
    add("confirm_campaign", withTill([](benchmark::State& st, Till& t) { confirm(st, t, false); }));
    add("confirm_campaign_list", withTill([](benchmark::State& st, Till& t) { confirm(st, t, true); }));
    if (everyStep || !slow)
        add("whole_sale", [shop](benchmark::State& st) { scriptedSale(st, *shop); });
}

}  // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // Paint as soon as asked, so that a step's repaint is part of the step.
    qputenv("QT_QPA_UPDATE_IDLE_TIME", "0");
    QApplication app(argc, argv);
    PaintCounter paints;
    g_paints = &paints;
    app.installEventFilter(&paints);
    if (argc > 1 && QByteArray(argv[1]) == "--cold-open")
        return coldOpenChild(app.arguments().mid(2));
    if (argc > 1 && QByteArray(argv[1]) == "--sale-peak")
        return salePeakChild(app.arguments().mid(2));

    setDataCallHook(onDataCall);
    try {
        for (const bool large : {false, true}) {
            const QString size = large ? S("large") : S("sample");
            Shop shop;
            shop.large = large;
            shop.folder = sqliteShop(large);
            shop.name = S("sqlite/") + size;
            shop.moduleConnection = shop.hostConnection = sqliteConnection(shop.folder.databasePath());
            registerShop(shop, true);
        }
        const QString pg = qEnvironmentVariable("KVP_BENCH_PG");
        if (!pg.isEmpty()) {
            ConnectionSettings server = ConnectionSettings::parse(S("driver=QPSQL;") + pg);
            static test::WireProxy direct(server.port, 0), oneMs(server.port, 1), fiveMs(server.port, 5),
                twentyMs(server.port, 20);
            for (const bool large : {false, true}) {
                const QString database = postgresShop(server, large);
                const QString size = large ? S("large") : S("sample");
                Shop shop;
                shop.large = large;
                shop.folder = sqliteShop(large);
                shop.hostConnection = pgConnection(server, server.port, database);
                const std::pair<const char*, test::WireProxy*> links[] = {
                    {"pg", &direct}, {"pg1ms", &oneMs}, {"pg5ms", &fiveMs}, {"pg20ms", &twentyMs}};
                for (const auto& [label, proxy] : links) {
                    if (large && proxy != &direct)
                        continue;  // the delayed runs show the round trips; the sample shop does
                    shop.name = S(label) + S("/") + size;
                    shop.proxy = proxy;
                    shop.moduleConnection = pgConnection(server, proxy->port(), database);
                    registerShop(shop, proxy == &direct);
                }
            }
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "benchmark set-up failed: %s\n", e.what());
        return 1;
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    setDataCallHook({});
    freeDataModule();
    std::fflush(stdout);
    // The kept connections and the proxies go with the process; taking them down one by
    // one would only slow the exit.
    std::_Exit(0);
}
