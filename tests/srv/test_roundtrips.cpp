// Round trips of the module to PostgreSQL, step by step, as the till benchmark drives a
// sale of the sample shop's COMBO FAMÍLIA: counted on the wire by a proxy in front of the
// module's connection only (the host's own look-ups go to the server directly), so that
// a change that adds a round trip to a step fails here.

#include "backends.h"
#include "qtapp.h"
#include "pgdriver.h"
#include "wireproxy.h"

#include "dialogdriver.h"
#include "kvp510.h"
#include "qthostservices.h"
#include "rdmpromocaocombinada.h"
#include "scriptpresenter.h"
#include "shop.h"
#include "tfrmpromocaocombinada.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <map>

namespace kvp::test {

namespace {

// What each step costs today. A step whose count changes fails with the step's name, the
// count expected here and the count on the wire: lower the number here when a change
// saves round trips on purpose.
struct StepRoundTrips {
    const char* step;
    long expected;
};
const StepRoundTrips kRoundTrips[] = {
    {"first open, connection included", 4},
    {"later open", 2},
    {"group touch", 1},
    {"product touch", 1},
    {"confirmation with a campaign", 3},
    {"first open after the early connection", 2},
};

QString S(const char* text)
{
    return QString::fromUtf8(text);
}

// The hurried operator of the benchmark: yes, no coupon, no observation.
class QuickAnswers : public refhost::DialogDriver {
public:
    bool message(const refhost::MessageRequest&) override { return true; }
    std::optional<QString> keypad(const refhost::KeypadRequest&) override { return std::nullopt; }
    refhost::ObservationChoice observation(const refhost::ObservationRequest&) override
    {
        return {};
    }
    std::optional<QString> coupon(const refhost::CouponRequest&) override { return QString(); }
    std::optional<int> search(const refhost::SearchRequest&) override { return std::nullopt; }
    std::optional<int> fiscalMenu(const refhost::FiscalMenuRequest&) override
    {
        return std::nullopt;
    }
};

// The sample shop in a database of its own on the test server, dropped at the end.
class SampleShopDatabase {
public:
    explicit SampleShopDatabase(int port) : m_port(port)
    {
        m_name = QStringLiteral("kvp_roundtrips_%1").arg(QCoreApplication::applicationPid());
        admin(S("DROP DATABASE IF EXISTS ") + m_name);
        admin(S("CREATE DATABASE ") + m_name);
        QSqlDatabase db = addDatabase(ConnectionSettings::parse(connectionString(port)), kHost);
        if (!db.open())
            throw std::runtime_error(db.lastError().text().toStdString());
        refhost::loadSampleShop(db);
    }
    ~SampleShopDatabase()
    {
        QSqlDatabase::database(kHost, false).close();
        QSqlDatabase::removeDatabase(kHost);
        try {
            admin(S("DROP DATABASE IF EXISTS ") + m_name + S(" WITH (FORCE)"));
        } catch (const std::exception&) {
            // A leftover database dies with the throw-away server.
        }
        QSqlDatabase::database(kAdmin, false).close();
        QSqlDatabase::removeDatabase(kAdmin);
    }
    QString connectionString(int port) const
    {
        return QStringLiteral("driver=QPSQL;host=127.0.0.1;port=%1;database=%2;user=postgres")
            .arg(port)
            .arg(m_name);
    }
    // The host's own connection, straight to the server.
    static inline const QString kHost = QStringLiteral("kvp-roundtrips-host");

private:
    void admin(const QString& sql)
    {
        if (!QSqlDatabase::contains(kAdmin)) {
            const QString admin =
                QStringLiteral(
                    "driver=QPSQL;host=127.0.0.1;port=%1;database=kvp_test;user=postgres")
                    .arg(m_port);
            addDatabase(ConnectionSettings::parse(admin), kAdmin);
        }
        QSqlDatabase db = QSqlDatabase::database(kAdmin);
        QSqlQuery q(db);
        if (!db.isOpen() || !q.exec(sql))
            throw std::runtime_error(
                QString(sql + S(": ") + q.lastError().text() + db.lastError().text())
                    .toStdString());
    }
    static inline const QString kAdmin = QStringLiteral("kvp-roundtrips-admin");
    int m_port;
    QString m_name;
};

using Screen = combinada::TfrmPromocaoCombinada;

// Touches as the view delivers them: a group button latches down, then its handler runs.
void touchGroup(Screen& s, const char* name)
{
    screen::Control& button = s.component(S(name));
    s.deliver([&] {
        s.SetDown(button);
        s.blbMenu01Click(button);
    });
}
void touchProduct(Screen& s, const char* name)
{
    s.deliver([&] { s.bpbProd01Click(&s.component(S(name))); });
}

}  // namespace

TEST(RoundTrips, Postgres)
{
    const auto port = postgresPort();
    if (!port)
        GTEST_SKIP() << "No PostgreSQL test server was started (ctest starts one)";
    // The run folder's pictures are drawn.
    qtApp();
    // The first open below is the process's: no connection is kept from before.
    freeDataModule();
    closeKeptSession();

    SampleShopDatabase shop(*port);
    WireProxy proxy(*port);
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const refhost::RunFolder folder{dir.path()};
    refhost::prepareRunFolder(folder, true);

    const refhost::ShopCatalogue catalogue(SampleShopDatabase::kHost);
    refhost::QtHostConfig config;
    config.connectionString = shop.connectionString(proxy.port());
    config.programFolder = folder.root;
    config.priceConnection = SampleShopDatabase::kHost;
    config.clock = [] { return QDateTime(QDate(2025, 6, 14), QTime(12, 30)); };
    config.occurrences = [catalogue](const QString& p) { return catalogue.occurrences(p); };
    QuickAnswers answers;
    refhost::QtHostServices services(config, answers);
    installHost(&services);
    screen::ScriptPresenter presenter;
    screen::installPresenter(&presenter);

    std::map<std::string, long> counted;
    long mark = 0;
    const auto count = [&](const char* step) {
        counted[step] = proxy.roundTrips() - mark;
        mark = proxy.roundTrips();
    };
    const auto onScreen = [&](std::function<void(Screen&)> steps) {
        presenter.then([steps](screen::Form& f) { steps(dynamic_cast<Screen&>(f)); });
    };
    const refhost::Combo combo = catalogue.combo(S("9001"));
    const auto sell = [&] {
        mark = proxy.roundTrips();
        DataSet itens(S("cdsItensRet"), records::itemProd()),
            obs(S("cdsObsRet"), records::obsItens()), ctObs(S("cdsCtObsRet"), records::prodCtObs()),
            sold(S("cdsItensVendidos"), records::itemProd());
        for (DataSet* d : {&itens, &obs, &ctObs, &sold})
            d->emptyOrCreate();
        return combinada::CriaPromocaoInteligente(
            itens, obs, ctObs, combo.code, combo.name, QString(), QString(), combo.priceMode,
            combo.valueOrPerc, combo.adjustType, combo.price, combo.adjust, 1, combo.applyAdjust,
            false, S("1"), sold, S("A"));
    };

    onScreen([&](Screen&) { count("first open, connection included"); });
    EXPECT_FALSE(sell());

    onScreen([&](Screen& s) {
        count("later open");
        touchGroup(s, "blbMenu03");
        count("group touch");
        touchGroup(s, "blbMenu01");
        mark = proxy.roundTrips();
        touchProduct(s, "imgProd01");
        count("product touch");
    });
    EXPECT_FALSE(sell());

    // The tray the campaign of an X-Burger with an orange juice needs, complete.
    onScreen([&](Screen& s) {
        for (const auto& [group, products] :
             std::initializer_list<std::pair<const char*, std::vector<const char*>>>{
                 {"blbMenu01", {"imgProd01", "imgProd02"}},
                 {"blbMenu03", {"imgProd01", "imgProd02"}},
                 {"blbMenu04", {"imgProd01", "imgProd03"}},
                 {"blbMenu05", {"imgProd01"}}}) {
            touchGroup(s, group);
            for (const char* p : products)
                touchProduct(s, p);
        }
        mark = proxy.roundTrips();
        s.deliver([&] { s.bldConfirmarClick(); });
        count("confirmation with a campaign");
    });
    EXPECT_TRUE(sell()) << "the confirmation did not go through";

    // A host that asked for the connection early: the first open finds it made.
    freeDataModule();
    closeKeptSession();
    const long before = proxy.roundTrips();
    connectEarly();
    pg::waitForEarlyConnection();
    EXPECT_GT(proxy.roundTrips(), before) << "nothing was connected early";
    onScreen([&](Screen&) { count("first open after the early connection"); });
    static_cast<void>(sell());  // only the open is counted

    screen::installPresenter(nullptr);
    installHost(nullptr);
    services.prices().release();
    freeDataModule();
    closeKeptSession();

    for (const StepRoundTrips& e : kRoundTrips) {
        const auto it = counted.find(e.step);
        if (it == counted.end())
            ADD_FAILURE() << e.step << ": never reached";
        else if (it->second != e.expected)
            ADD_FAILURE() << e.step << ": expected " << e.expected << " round trips, counted "
                          << it->second;
    }
}

}  // namespace kvp::test
