#include "backends.h"
#include "connectionstring.h"
#include "fakedriver.h"
#include "itemrecord.h"
#include "pricetable.h"
#include "qtapp.h"
#include "qthostservices.h"
#include "rdmpromocaocombinada.h"

#include <gtest/gtest.h>

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <limits>

using namespace kvp;
using namespace kvp::refhost;

namespace {

PriceQuery priceQuery(const char* product, const char* hhmm, const char* store, const char* customer,
                      const char* branch)
{
    PriceQuery q;
    q.branch = QString::fromUtf8(branch);
    q.product = QString::fromUtf8(product);
    q.store = QString::fromUtf8(store);
    q.customer = QString::fromUtf8(customer);
    q.hhmm = QString::fromUtf8(hhmm);
    return q;
}

const QString kConnection = QStringLiteral("prices_test");

struct PriceRowText {
    const char *branch, *product, *store, *customer;
    double price, discount, surcharge;
    const char *pv, *blocked, *from, *to, *validFrom, *validTo;
};

void add(QSqlDatabase& db, const PriceRowText& r)
{
    QSqlQuery q(db);
    ASSERT_TRUE(q.prepare(QStringLiteral(
        "INSERT INTO PRECOHOST (CDFILIAL, CDPRODUTO, CDLOJA, CDCLIENTE, VRPRECO, VRDESCONTO, "
        "VRACRESCIMO,"
        " IDPERCVALOR, IDBLOQUEADO, HRINIVENDA, HRFIMVENDA, DTINIVIGENCIA, DTFIMVIGENCIA)"
        " VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)")));
    const auto s = [](const char* t) { return QVariant(QString::fromUtf8(t)); };
    for (const QVariant& v :
         {s(r.branch), s(r.product), s(r.store), s(r.customer), QVariant(r.price),
          QVariant(r.discount), QVariant(r.surcharge), s(r.pv), s(r.blocked), s(r.from), s(r.to),
          s(r.validFrom), s(r.validTo)})
        q.addBindValue(v);
    ASSERT_TRUE(q.exec()) << q.lastError().text().toStdString();
}

// branch, product, store, customer, price, discount, surcharge, P/V, blocked, sale from,
// sale to, valid from, valid to: one row for each rule of the price function.
const PriceRowText kRows[] = {
    {"01", "P1", "", "", 10.0, 0, 0, "V", "N", "", "", "", ""},
    {"01", "P2", "", "", 12.5, 10, 0, "P", "N", "", "", "", ""},
    {"01", "P3", "", "", 9.0, 0, 0, "V", "S", "", "", "", ""},
    {"01", "P4", "", "", 9.0, 0, 0, "V", "N", "1100", "1500", "", ""},
    {"01", "P5", "", "", 9.0, 0, 0, "V", "N", "2200", "0200", "", ""},
    {"01", "P6", "", "", 0.0, 0, 0, "V", "N", "", "", "", ""},
    {"01", "P7", "", "", 8.0, 0, 0, "V", "N", "", "", "", ""},
    {"01", "P7", "02", "", 7.5, 0, 0, "V", "N", "", "", "", ""},
    {"01", "P7", "02", "C1", 7.0, 0, 0, "V", "N", "", "", "", ""},
    {"01", "P8", "", "", 8.0, 0, 0, "V", "N", "", "", "2026-01-01", "2026-01-31"},
    {"01", "P9", "", "", 8.0, 0, 0, "V", "N", "", "", "", ""},
    {"01", "P9", "02", "", 7.0, 0, 0, "V", "N", "", "", "", "2026-12-05"},
    {"01", "P10", "", "C1", 7.0, 0, 0, "V", "N", "", "", "2026-12-07", ""},
    {"01", "P11", "", "", 7.0, 0, 0, "V", "N", "", "", "2026-13-45", ""},
    {"01", "P12", "", "", 10.0, 0, 1.5, "V", "N", "", "", "", ""},
    {"01", "X'1", "", "", 3.0, 0, 0, "V", "N", "", "", "", ""},
};

class PriceTableTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        kvp::test::qtApp();
        ASSERT_TRUE(m_dir.isValid());
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), kConnection);
            db.setDatabaseName(m_dir.filePath(QStringLiteral("shop.db")));
            ASSERT_TRUE(db.open()) << db.lastError().text().toStdString();
            PriceTable::createTable(db);
            for (const PriceRowText& r : kRows)
                add(db, r);
        }
        m_table = std::make_unique<PriceTable>(kConnection);
    }

    void TearDown() override
    {
        m_table.reset();  // its statements go before the database
        QSqlDatabase::database(kConnection, false).close();
        QSqlDatabase::removeDatabase(kConnection);
    }

    // The code the lookup fails with, or "" when it filled the record.
    std::string lookup(const char* product, const char* hhmm = "0905", const char* store = "",
                       const char* customer = "", const char* branch = "01")
    {
        const DataResult r = m_table->lookup(priceQuery(product, hhmm, store, customer, branch), m_now, m_price);
        return r.isError() ? r.errorText().toStdString() : std::string();
    }

    QTemporaryDir m_dir;
    std::unique_ptr<PriceTable> m_table;
    DataSet m_price{QStringLiteral("cdsRetornaPreco"), records::retornaPreco()};
    QDateTime m_now{QDate(2026, 12, 6), QTime(9, 5, 30)};  // a Sunday morning
};

}  // namespace

TEST_F(PriceTableTest, FillsThePriceRecordWithValuesOfDiscountAndSurcharge)
{
    ASSERT_EQ(lookup("P1"), "");
    ASSERT_EQ(m_price.recordCount(), 1);
    EXPECT_DOUBLE_EQ(m_price.asFloat(QStringLiteral("VRPRECO")), 10.0);
    EXPECT_DOUBLE_EQ(m_price.asFloat(QStringLiteral("VRPRECOCLIE")), 10.0);
    EXPECT_DOUBLE_EQ(m_price.asFloat(QStringLiteral("VRPRECODIA")), 10.0);

    // A 10 % discount becomes money in the record; one row, the previous one replaced.
    ASSERT_EQ(lookup("P2"), "");
    ASSERT_EQ(m_price.recordCount(), 1);
    EXPECT_DOUBLE_EQ(m_price.asFloat(QStringLiteral("VRDESCONTO")), 1.25);
    EXPECT_DOUBLE_EQ(m_price.asFloat(QStringLiteral("VRPRECOCLIE")), 11.25);
    EXPECT_EQ(m_price.asString(QStringLiteral("IDPERCVALOR")).toStdString(), "P");
    EXPECT_EQ(m_price.asString(QStringLiteral("IDACREDESC")).toStdString(), "D");

    ASSERT_EQ(lookup("P12"), "");
    EXPECT_DOUBLE_EQ(m_price.asFloat(QStringLiteral("VRACRESCIMO")), 1.5);
    EXPECT_DOUBLE_EQ(m_price.asFloat(QStringLiteral("VRPRECOCLIE")), 11.5);
    EXPECT_EQ(m_price.asString(QStringLiteral("IDACREDESC")).toStdString(), "A");

    // Codes are bound, never pasted into the statement.
    ASSERT_EQ(lookup("X'1"), "");
    EXPECT_DOUBLE_EQ(m_price.asFloat(QStringLiteral("VRPRECO")), 3.0);

    // An empty record dataset gets the price record's fields.
    DataSet bare(QStringLiteral("bare"));
    PriceQuery q;
    q.branch = QStringLiteral("01");
    q.product = QStringLiteral("P1");
    ASSERT_FALSE(m_table->lookup(q, m_now, bare).isError());
    EXPECT_DOUBLE_EQ(bare.asFloat(QStringLiteral("VRPRECO")), 10.0);
}

TEST_F(PriceTableTest, CustomerAndStorePricesTakePrecedence)
{
    ASSERT_EQ(lookup("P7"), "");
    EXPECT_DOUBLE_EQ(m_price.asFloat(QStringLiteral("VRPRECO")), 8.0);
    ASSERT_EQ(lookup("P7", "0905", "02"), "");
    EXPECT_DOUBLE_EQ(m_price.asFloat(QStringLiteral("VRPRECO")), 7.5);
    ASSERT_EQ(lookup("P7", "0905", "02", "C1"), "");
    EXPECT_DOUBLE_EQ(m_price.asFloat(QStringLiteral("VRPRECO")), 7.0);
    ASSERT_EQ(lookup("P7", "0905", "03", "C1"), "");
    EXPECT_DOUBLE_EQ(m_price.asFloat(QStringLiteral("VRPRECO")), 8.0);
}

TEST_F(PriceTableTest, FailsWithTheCodesTheModuleKnows)
{
    EXPECT_EQ(lookup("NOPE"), "PRECNCAD");
    EXPECT_EQ(lookup("P1", "0905", "", "", "99"), "TABENCAD");
    EXPECT_EQ(lookup("P3"), "BLOQUEADO");
    EXPECT_EQ(lookup("P6"), "PRECZERO");
    EXPECT_EQ(lookup("P8"), "DTPAR");
    EXPECT_EQ(lookup("P9", "0905", "02"), "DTLOJ");
    EXPECT_EQ(lookup("P9", "0905", "01"), "") << "the branch row is still valid";
    EXPECT_EQ(lookup("P10", "0905", "", "C1"), "DTCLI");
    EXPECT_EQ(lookup("P10"), "PRECNCAD") << "only that customer has a price";

    // Sale hours, inclusive at both ends, and across midnight.
    EXPECT_EQ(lookup("P4", "0905"), "FORAHORA");
    EXPECT_EQ(lookup("P4", "1100"), "");
    EXPECT_EQ(lookup("P4", "1500"), "");
    EXPECT_EQ(lookup("P4", "1501"), "FORAHORA");
    EXPECT_EQ(lookup("P4", ""), "FORAHORA") << "without a time the clock's is used";
    EXPECT_EQ(lookup("P5", "2330"), "");
    EXPECT_EQ(lookup("P5", "0130"), "");
    EXPECT_EQ(lookup("P5", "1200"), "FORAHORA");

    // A damaged row says what is wrong instead of a code.
    const std::string damaged = lookup("P11");
    EXPECT_NE(damaged.find("vigência inválida"), std::string::npos) << damaged;
    EXPECT_NE(damaged.find("P11"), std::string::npos) << damaged;

    PriceTable closed(QStringLiteral("no_such_connection"));
    PriceQuery q;
    q.product = QStringLiteral("P1");
    const DataResult r = closed.lookup(q, m_now, m_price);
    ASSERT_TRUE(r.isError());
    EXPECT_TRUE(r.errorText().contains(QStringLiteral("no_such_connection")));
}

TEST_F(PriceTableTest, TheHostPricesWithItsClockAndRefusesFailuresOnCheck)
{
    test::FakeDriver dialogs;
    QtHostConfig config;
    config.priceConnection = kConnection;
    config.clock = [] { return QDateTime(QDate(2026, 12, 6), QTime(12, 0)); };
    QtHostServices host(config, dialogs);

    // The nine values as the module passes them: branch, customer, product, store,
    // consumer, HHMM, price flag, debit flag, call type.
    const auto nine = [](const char* product, const char* hhmm) {
        return QVariantList{QStringLiteral("01"),
                            QString(),
                            QString::fromUtf8(product),
                            QString(),
                            QString(),
                            QString::fromUtf8(hhmm),
                            QString(),
                            true,
                            QString()};
    };
    const DataResult ok = host.ChamaFuncaoGetRetornaPreco(nine("P4", "1200"), m_price);
    EXPECT_NO_THROW(host.CheckResultServ(ok, true, 0));
    EXPECT_DOUBLE_EQ(m_price.asFloat(QStringLiteral("VRPRECO")), 9.0);

    // Without a time the host's clock (noon) decides.
    EXPECT_FALSE(host.ChamaFuncaoGetRetornaPreco(nine("P4", ""), m_price).isError());

    const DataResult blocked = host.ChamaFuncaoGetRetornaPreco(nine("P3", "1200"), m_price);
    try {
        host.CheckResultServ(blocked, true, 0);
        FAIL() << "a failed price must not pass the check";
    } catch (const HostError& e) {
        EXPECT_EQ(e.message().toStdString(), "BLOQUEADO");
    }
    EXPECT_TRUE(dialogs.messages.isEmpty()) << "the module, not the host, tells the operator";

    // A failure to decide is the function's own: raised, never a code the module may pass.
    QSqlDatabase db = QSqlDatabase::database(kConnection, false);
    add(db, {"01", "PINF", "", "", std::numeric_limits<double>::infinity(), 0, 0, "V", "N", "", "",
             "", ""});
    QSqlQuery nan(db);
    ASSERT_TRUE(
        nan.exec(QStringLiteral("UPDATE PRECOHOST SET VRPRECO = 'NaN' WHERE CDPRODUTO = 'P12'")));
    struct Case {
        QVariantList values;
        const char* says;
    };
    QVariantList nul = nine("P1", "1200");
    nul[1] = QString(QStringLiteral("CLI") + QChar(0) + QStringLiteral("1"));
    const Case cases[] = {
        {nine("PINF", "1200"), "PINF"}, {nine("P12", "1200"), "P12"}, {nul, "nulo"}};
    for (const Case& c : cases) {
        try {
            host.ChamaFuncaoGetRetornaPreco(c.values, m_price);
            ADD_FAILURE() << c.says << ": the price function answered";
        } catch (const HostError& e) {
            EXPECT_TRUE(e.message().contains(QString::fromUtf8(c.says)))
                << e.message().toStdString();
        }
    }
}

namespace {

const QString kSaleConnection = QStringLiteral("prices_sale_test");

// The price function within a sale, on each engine: the host's connection made as the
// host makes it.
class PriceTableSale : public ::testing::TestWithParam<test::Backend> {
protected:
    void SetUp() override
    {
        kvp::test::qtApp();
        m_database = std::make_unique<test::TestDatabase>(GetParam());
        QSqlDatabase db =
            addDatabase(ConnectionSettings::parse(m_database->connectionString()), kSaleConnection);
        ASSERT_TRUE(db.open()) << db.lastError().text().toStdString();
        PriceTable::createTable(db);
        for (const PriceRowText& r : kRows)
            add(db, r);
        m_table = std::make_unique<PriceTable>(kSaleConnection);
    }

    void TearDown() override
    {
        m_table.reset();
        QSqlDatabase::database(kSaleConnection, false).close();
        QSqlDatabase::removeDatabase(kSaleConnection);
        m_database.reset();
    }

    QSqlDatabase db() const { return QSqlDatabase::database(kSaleConnection, false); }

    // What the lookup answers: its code or text, or the record's values.
    std::string answer(const char* product, const char* hhmm = "0905", const char* store = "",
                       const char* customer = "", const char* branch = "01")
    {
        const DataResult r = m_table->lookup(priceQuery(product, hhmm, store, customer, branch), m_now, m_price);
        if (r.isError())
            return r.errorText().toStdString();
        QStringList values;
        for (const char* f :
             {"VRPRECO", "VRDESCONTO", "VRACRESCIMO", "VRPRECOCLIE", "IDPERCVALOR", "IDACREDESC"})
            values << m_price.asString(QString::fromUtf8(f));
        return values.join(QLatin1Char(' ')).toStdString();
    }

    std::unique_ptr<test::TestDatabase> m_database;
    std::unique_ptr<PriceTable> m_table;
    DataSet m_price{QStringLiteral("cdsRetornaPreco"), records::retornaPreco()};
    QDateTime m_now{QDate(2026, 12, 6), QTime(9, 5, 30)};
};

}  // namespace

TEST_P(PriceTableSale, AGroupCostsOneRequestAndTheNextSaleSeesAChangedPrice)
{
    const char* group[] = {"P1", "P2", "P7", "P12", "X'1", "P3", "P9"};
    long before = m_table->requests();
    {
        const PriceTable::Sale sale(*m_table);
        for (const char* product : group)
            answer(product);
        EXPECT_EQ(answer("P1"), "10 0 0 10 V D");
    }
    EXPECT_EQ(m_table->requests() - before, 1) << "one read of the branch's rows for the sale";

    QSqlQuery q(db());
    ASSERT_TRUE(q.exec(QStringLiteral("UPDATE PRECOHOST SET VRPRECO = 11 WHERE CDPRODUTO = 'P1'")));
    before = m_table->requests();
    {
        const PriceTable::Sale sale(*m_table);
        EXPECT_EQ(answer("P1"), "11 0 0 11 V D") << "the next sale sees the new price";
        EXPECT_EQ(answer("P2"), "12.5 1.25 0 11.25 P D");
    }
    EXPECT_EQ(m_table->requests() - before, 1);
}

TEST_P(PriceTableSale, ASaleAnswersWhatEachProductsOwnReadAnswers)
{
    // A branch with more rows than a sale reads at once is priced product by product.
    QSqlDatabase shop = db();
    ASSERT_TRUE(shop.transaction());
    for (int p = 0; p <= PriceTable::kMaxSaleRows; ++p) {
        const QByteArray code = "G" + QByteArray::number(p);
        add(shop, {"02", code.constData(), "", "", 1.0 + p % 7, 0, 0, "V", "N", "", "", "", ""});
    }
    ASSERT_TRUE(shop.commit());

    struct Case {
        const char *product, *hhmm, *store, *customer, *branch;
    };
    const Case cases[] = {
        {"P1", "0905", "", "", "01"},     {"P2", "0905", "", "", "01"},
        {"P3", "0905", "", "", "01"},     {"P4", "", "", "", "01"},
        {"P5", "0130", "", "", "01"},     {"P6", "0905", "", "", "01"},
        {"P7", "0905", "02", "C1", "01"}, {"P7", "0905", "03", "C1", "01"},
        {"P8", "0905", "", "", "01"},     {"P9", "0905", "02", "", "01"},
        {"P10", "0905", "", "C1", "01"},  {"P10", "0905", "", "", "01"},
        {"P11", "0905", "", "", "01"},    {"NOPE", "0905", "", "", "01"},
        {"P1", "0905", "", "", "99"},     {"G2000", "0905", "", "", "02"},
    };
    std::vector<std::string> alone;
    for (const Case& c : cases)
        alone.push_back(answer(c.product, c.hhmm, c.store, c.customer, c.branch));
    const PriceTable::Sale sale(*m_table);
    for (size_t i = 0; i < std::size(cases); ++i) {
        const Case& c = cases[i];
        EXPECT_EQ(answer(c.product, c.hhmm, c.store, c.customer, c.branch), alone[i])
            << c.product << " at " << c.hhmm << ", store '" << c.store << "', customer '"
            << c.customer << "', branch " << c.branch;
    }
}

INSTANTIATE_TEST_SUITE_P(Backends, PriceTableSale,
                         ::testing::Values(test::Backend::Sqlite, test::Backend::Postgres),
                         [](const ::testing::TestParamInfo<test::Backend>& p) {
                             return test::backendName(p.param).toStdString();
                         });
