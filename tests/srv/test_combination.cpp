// Scratch tables, campaign lookup and the record of confirmed combinations.

#include "srv_suite.h"

#include <algorithm>

#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

namespace kvp::test {
namespace {

using L = QStringList;

class Combination : public SrvTest {
protected:
    void SetUp() override
    {
        SrvTest::SetUp();
        if (IsSkipped())
            return;
        for (const char* p : {"M", "C", "C2", "P1", "P10", "X", "Q7", "Q8"})
            product(p);
    }

    // Rows of a table for one branch and till, as "col1|col2|..." texts in key order.
    QStringList rows(const char* table, const char* columns, const char* branch, const char* till)
    {
        QSqlQuery q(db().database());
        q.prepare(S("SELECT %1 FROM %2 WHERE CDFILIAL = :F AND CDCAIXA = :C ORDER BY %1")
                      .arg(S(columns), S(table)));
        q.bindValue(S(":F"), S(branch));
        q.bindValue(S(":C"), S(till));
        EXPECT_TRUE(q.exec()) << q.lastError().text().toStdString();
        QStringList out;
        while (q.next()) {
            QStringList fields;
            for (int i = 0; i < q.record().count(); ++i)
                fields.append(q.value(i).toString());
            out.append(fields.join(QLatin1Char('|')));
        }
        return out;
    }

    // A campaign on every day, 08:00 to 10:00, valid around the server's today.
    void campaign(const char* code, const QVariant& type = {}, int fromDays = -1, int toDays = 1,
                  const char* sunday = "S", const char* monday = "S")
    {
        const QDate serverToday = QDate::currentDate();
        db().insert(S("CAMPANHAPROMO"),
                    {{"CDCAMPPROMO", V(code)}, {"DTINIVGCAMP", serverToday.addDays(fromDays)},
                     {"DTFINVGCAMP", serverToday.addDays(toDays)}, {"HRINICAMP", V("0800")},
                     {"HRFINCAMP", V("1000")}, {"IDDIADOMINGO", V(sunday)}, {"IDDIASEGUNDA", V(monday)},
                     {"IDDIATERCA", V("S")}, {"IDDIAQUARTA", V("S")}, {"IDDIAQUINTA", V("S")},
                     {"IDDIASEXTA", V("S")}, {"IDDIASABADO", V("S")}, {"CDTIPOCONS", type},
                     {"CDCLIENTE", V("CLI")}});
    }

    struct Comb {
        const char* prin = "M";
        const char* comb = "C";
        double value = 1.0;
        QVariant comb2 = {};
        QVariant comb4 = {};
        QVariant comb3 = {};
        QVariant opc = {};
        const char* from = "0000";
        const char* to = "2359";
    };
    void combination(const char* camp, const Comb& c)
    {
        db().insert(S("COMBINAPROD"),
                    {{"CDCAMPPROMO", V(camp)}, {"CDPRODPRIN", V(c.prin)}, {"CDPRODCOMB", V(c.comb)},
                     {"CDPRODCOMB2", c.comb2}, {"CDPRODCOMB4", c.comb4}, {"CDPRODCOMB3", c.comb3},
                     {"CDPRODCOMBOPC", c.opc}, {"IDPERCVALOR", V("P")}, {"IDDESCACRE", V("D")},
                     {"VRDESCACRE", c.value}, {"IDAPLICADESACR", V("S")}, {"HRINICOMB", V(c.from)},
                     {"HRFINCOMB", V(c.to)}, {"IDDIADOMCOMB", V("S")}, {"IDDIASEGCOMB", V("S")},
                     {"IDDIATERCOMB", V("S")}, {"IDDIAQUACOMB", V("S")}, {"IDDIAQUICOMB", V("S")},
                     {"IDDIASEXCOMB", V("S")}, {"IDDIASABCOMB", V("S")}});
    }

    QStringList campaigns(const char* customer = "CLI", const char* consumer = "NOBODY")
    {
        const DataResult r = getCampanhaPromo(S("01"), S("001"), S(customer), S(consumer));
        EXPECT_FALSE(r.isError()) << r.errorText().toStdString();
        return r.isError() ? QStringList{} : column(r.asPacket(), "CDCAMPPROMO");
    }

    void register_(std::initializer_list<const char*> products)
    {
        ASSERT_TRUE(ApagaItemPromoComb(S("01"), S("001")).isEmpty());
        const DataResult r = setItemPromoComb(S("01"), S("001"), items(products));
        ASSERT_TRUE(r.isEmpty()) << r.toText().toStdString();
    }
};

TEST_P(Combination, ScratchRowsAreNumberedAndRemovedPerBranchAndTill)
{
    ASSERT_TRUE(setItemPromoComb(S("01"), S("001"), items({"M", "C", "M"})).isEmpty());
    ASSERT_TRUE(setItemPromoComb(S("01"), S("002"), items({"X"})).isEmpty());
    EXPECT_EQ(rows("PROMOCAOCOMBTMP", "NRSEQPROMOCOMB, CDPRODUTO", "01", "001"),
              (L{S("00001|M"), S("00002|C"), S("00003|M")}));

    EXPECT_TRUE(ApagaItemPromoComb(S("01"), S("001")).isEmpty());
    EXPECT_TRUE(rows("PROMOCAOCOMBTMP", "CDPRODUTO", "01", "001").isEmpty());
    EXPECT_EQ(rows("PROMOCAOCOMBTMP", "CDPRODUTO", "01", "002"), L{S("X")});

    // An empty item packet writes nothing, with or without a structure.
    EXPECT_TRUE(setItemPromoComb(S("01"), S("001"), items({})).isEmpty());
    EXPECT_TRUE(setItemPromoComb(S("01"), S("001"), DataPacket{}).isEmpty());
    EXPECT_TRUE(rows("PROMOCAOCOMBTMP", "CDPRODUTO", "01", "001").isEmpty());
}

TEST_P(Combination, AFailedWriteLeavesNoneOfItsRows)
{
    // A leftover row takes the third number: the third insert fails.
    db().insert(S("PROMOCAOCOMBTMP"), {{"CDFILIAL", V("01")}, {"CDCAIXA", V("001")},
                                       {"CDPRODUTO", V("Z")}, {"NRSEQPROMOCOMB", V("00003")}});
    const DataResult r = setItemPromoComb(S("01"), S("001"), items({"M", "C", "X"}));
    ASSERT_TRUE(r.isError());
    EXPECT_FALSE(r.errorText().isEmpty());
    EXPECT_EQ(rows("PROMOCAOCOMBTMP", "CDPRODUTO", "01", "001"), L{S("Z")});

    // The second record has no product: the whole combination is refused.
    const DataResult aux = setPromoCombAux(S("01"), S("001"), items({"M", nullptr, "C"}));
    ASSERT_TRUE(aux.isError());
    EXPECT_TRUE(rows("PROMOCAOCOMBAUX", "CDPRODUTO", "01", "001").isEmpty());
    // The module goes on working after the rollback.
    EXPECT_TRUE(setPromoCombAux(S("01"), S("001"), items({"M"})).isEmpty());
    EXPECT_EQ(rows("PROMOCAOCOMBAUX", "NRSEQPRODCOM", "01", "001"), L{S("001")});
}

TEST_P(Combination, ConfirmedCombinationsAreNumberedPerBranchAndTill)
{
    ASSERT_TRUE(setPromoCombAux(S("01"), S("001"), items({"M", "C"})).isEmpty());
    ASSERT_TRUE(setPromoCombAux(S("01"), S("001"), items({"X"})).isEmpty());
    ASSERT_TRUE(setPromoCombAux(S("01"), S("002"), items({"Q7"})).isEmpty());
    ASSERT_TRUE(setPromoCombAux(S("02"), S("001"), items({"Q8"})).isEmpty());
    EXPECT_EQ(rows("PROMOCAOCOMBAUX", "NRSEQPRODCOM, CDPRODUTO, CDPRODPROMOCAO, VRUNITVEND, QTPRODVEND, VRDESITVEND",
                   "01", "001"),
              (L{S("001|C|PROMO|11|1.5|0.25"), S("001|M|PROMO|10|1.5|0.25"), S("002|X|PROMO|10|1.5|0.25")}));
    EXPECT_EQ(rows("PROMOCAOCOMBAUX", "NRSEQPRODCOM", "01", "002"), L{S("001")});
    EXPECT_EQ(rows("PROMOCAOCOMBAUX", "NRSEQPRODCOM", "02", "001"), L{S("001")});

    // A greatest number that is not a whole number stops the call before any insert.
    db().insert(S("PROMOCAOCOMBAUX"), {{"CDFILIAL", V("03")}, {"CDCAIXA", V("001")}, {"CDPRODUTO", V("M")},
                                       {"NRSEQPRODCOM", V("A1")}});
    EXPECT_TRUE(setPromoCombAux(S("03"), S("001"), items({"C"})).isError());
    EXPECT_EQ(rows("PROMOCAOCOMBAUX", "CDPRODUTO", "03", "001"), L{S("M")});
}

// Numbers are compared as numbers; past 999 the lowest free one of the till follows.
TEST_P(Combination, CombinationNumbersPastNineHundredNinetyNine)
{
    struct Case {
        const char* till;
        QStringList inUse;
        const char* next;
    };
    const Case cases[] = {
        {"011", {S("998")}, "999"},
        {"012", {S("999")}, "001"},
        {"013", {S("001"), S("002"), S("999")}, "003"},
        {"014", {S("099"), S("100")}, "101"},
        {"015", {S("001"), S("999"), S("998")}, "002"},
    };
    for (const Case& c : cases) {
        for (const QString& n : c.inUse)
            db().insert(S("PROMOCAOCOMBAUX"), {{"CDFILIAL", V("01")},
                                               {"CDCAIXA", V(c.till)},
                                               {"CDPRODUTO", V("M")},
                                               {"NRSEQPRODCOM", n}});
        const DataResult r = setPromoCombAux(S("01"), S(c.till), items({"C", "X"}));
        ASSERT_TRUE(r.isEmpty()) << c.till << ": " << r.toText().toStdString();
        EXPECT_EQ(rows("PROMOCAOCOMBAUX", "NRSEQPRODCOM", "01", c.till).filter(S(c.next)).size(), 2)
            << c.till << ": "
            << rows("PROMOCAOCOMBAUX", "NRSEQPRODCOM", "01", c.till).join(S(",")).toStdString();
    }

    // All 999 in use: a clear error naming the table, nothing written; one freed is taken.
    db().exec(
        S("INSERT INTO PROMOCAOCOMBAUX (CDFILIAL, CDCAIXA, CDPRODUTO, NRSEQPRODCOM) "
          "WITH RECURSIVE N(I) AS (SELECT 1 UNION ALL SELECT I + 1 FROM N WHERE I < 999) "
          "SELECT '01', '020', 'M', CASE WHEN I < 10 THEN '00' || I WHEN I < 100 THEN '0' || I "
          "ELSE '' || I END FROM N"));
    const DataResult full = setPromoCombAux(S("01"), S("020"), items({"C"}));
    ASSERT_TRUE(full.isError());
    EXPECT_TRUE(full.errorText().contains(S("PROMOCAOCOMBAUX"))) << full.errorText().toStdString();
    EXPECT_EQ(rows("PROMOCAOCOMBAUX", "CDPRODUTO", "01", "020").size(), 999);
    db().exec(
        S("DELETE FROM PROMOCAOCOMBAUX WHERE CDCAIXA = '020' AND NRSEQPRODCOM IN ('005', '700')"));
    ASSERT_TRUE(setPromoCombAux(S("01"), S("020"), items({"C"})).isEmpty());
    EXPECT_EQ(rows("PROMOCAOCOMBAUX", "NRSEQPRODCOM", "01", "020").filter(S("005")).size(), 1);
}

// A host may switch standard_conforming_strings off after the connection is made: texts
// still arrive as they are, none escapes its literal, and a NUL is refused unechoed.
TEST_P(Combination, TextsArriveWholeWhateverTheSessionsQuoting)
{
    if (usesPostgres(GetParam())) {
        QSqlQuery off(rdmPromocaoCombinada->adcPromocaoCombinada());
        ASSERT_TRUE(off.exec(S("SET standard_conforming_strings = off")))
            << off.lastError().text().toStdString();
    }
    const int products = db().count(S("PRODUTO"));
    const char* const codes[] = {"\\",     "'",       "\\'",
                                 "\\\\''", "x\\';--", "\\';DELETE FROM PRODUTO;--"};
    for (const char* code : codes) {
        ASSERT_TRUE(ApagaItemPromoComb(S("01"), S("001")).isEmpty());
        const DataResult lookup = getCampanhaPromo(S("01"), S("001"), S(code), S(code));
        EXPECT_FALSE(lookup.isError()) << code << ": " << lookup.toText().toStdString();
        if (QString::fromUtf8(code).size() <= 10) {
            const DataResult r = setItemPromoComb(S("01"), S("001"), items({code}));
            ASSERT_TRUE(r.isEmpty()) << code << ": " << r.toText().toStdString();
            EXPECT_EQ(rows("PROMOCAOCOMBTMP", "CDPRODUTO", "01", "001"), L{S(code)}) << code;
        }
        EXPECT_EQ(db().count(S("PRODUTO")), products) << code;
    }

    ASSERT_TRUE(ApagaItemPromoComb(S("01"), S("001")).isEmpty());
    const QString nul = S("AB") + QChar(0) + S("CD");
    DataPacket packet = items({"M"});
    packet.rows[0][1] = nul;
    const DataResult r = setItemPromoComb(S("01"), S("001"), packet);
    ASSERT_TRUE(r.isError());
    EXPECT_TRUE(r.errorText().contains(S("NUL"))) << r.errorText().toStdString();
    EXPECT_FALSE(r.errorText().contains(S("AB"))) << r.errorText().toStdString();
    EXPECT_TRUE(rows("PROMOCAOCOMBTMP", "CDPRODUTO", "01", "001").isEmpty());
}

TEST_P(Combination, CampaignColumnsAndDiscountOrder)
{
    campaign("K1");
    combination("K1", {.value = 5.0});
    campaign("K2");
    combination("K2", {.value = 9.0});
    campaign("K3");
    combination("K3", {.comb = "X", .value = 20.0});  // X is not registered
    register_({"M", "C"});
    const DataResult r = getCampanhaPromo(S("01"), S("001"), S("CLI"), S("NOBODY"));
    ASSERT_FALSE(r.isError()) << r.errorText().toStdString();
    EXPECT_EQ(names(r.asPacket()), (L{S("CDCAMPPROMO"), S("CDPRODPRIN"), S("CDPRODCOMB"), S("IDPERCVALOR"),
                                      S("IDDESCACRE"), S("VRDESCACRE"), S("IDAPLICADESACR"), S("CDPRODCOMB2"),
                                      S("CDPRODCOMB3"), S("CDCLIENTE"), S("CDPRODCOMB4")}));
    EXPECT_EQ(column(r.asPacket(), "CDCAMPPROMO"), (L{S("K2"), S("K1")}));
    // Another till's scratch rows do not count.
    ASSERT_TRUE(ApagaItemPromoComb(S("01"), S("001")).isEmpty());
    ASSERT_TRUE(setItemPromoComb(S("01"), S("002"), items({"M", "C"})).isEmpty());
    EXPECT_TRUE(campaigns().isEmpty());
}

TEST_P(Combination, WeekdayAndTimeComeFromTheHostClock)
{
    // Sunday 09:05:30: weekday "1", time "0905".
    campaign("SUN", {}, -1, 1, "S", "N");
    combination("SUN", {.from = "0905", .to = "0905"});
    campaign("LATE", {}, -1, 1, "S", "S");
    combination("LATE", {.from = "0906", .to = "2359"});
    campaign("MON", {}, -1, 1, "N", "S");
    combination("MON", {});
    register_({"M", "C"});
    EXPECT_EQ(campaigns(), L{S("SUN")});

    m_host.setNow(QDateTime(QDate(2024, 3, 11), QTime(9, 6, 0)));  // Monday 09:06
    L monday = campaigns();
    monday.sort();
    EXPECT_EQ(monday, (L{S("LATE"), S("MON")}));
}

TEST_P(Combination, CampaignValidityUsesTheServerDateBothEndsIncluded)
{
    campaign("TODAY", {}, 0, 0);
    combination("TODAY", {});
    campaign("ENDED", {}, -5, -1);
    combination("ENDED", {});
    campaign("SOON", {}, 1, 5);
    combination("SOON", {});
    register_({"M", "C"});
    EXPECT_EQ(campaigns(), L{S("TODAY")});
}

TEST_P(Combination, TypedCampaignsComeFirstAndAreNeverMixed)
{
    db().insert(S("CONSUMIDOR"), {{"CDCLIENTE", V("CLI")}, {"CDCONSUMIDOR", V("VIP'1")}, {"CDTIPOCONS", V("VIP")}});
    db().insert(S("CONSUMIDOR"), {{"CDCLIENTE", V("CLI")}, {"CDCONSUMIDOR", V("GOLD")}, {"CDTIPOCONS", V("GLD")}});
    campaign("ALL");
    combination("ALL", {.value = 50.0});
    campaign("TYPE_T", V("T"));
    combination("TYPE_T", {.value = 1.0});
    campaign("VIPS", V("VIP"));
    combination("VIPS", {.value = 2.0});
    register_({"M", "C"});

    EXPECT_EQ(campaigns("CLI", "NOBODY"), L{S("TYPE_T")});  // unknown consumer: type "T"
    EXPECT_EQ(campaigns("CLI", "VIP'1"), L{S("VIPS")});
    EXPECT_EQ(campaigns("CLI", "GOLD"), L{S("ALL")});       // no campaign of the type
}

TEST_P(Combination, AnEmptyArgumentIsAnEmptyTextNotNull)
{
    // A walk-in sale passes no customer and no consumer: they must match the shop's row
    // of empty codes, which a NULL never equals.
    db().insert(S("CONSUMIDOR"), {{"CDCLIENTE", V("")}, {"CDCONSUMIDOR", V("")}, {"CDTIPOCONS", V("BAL")}});
    campaign("ALL");
    combination("ALL", {.value = 50.0});
    campaign("COUNTER", V("BAL"));
    combination("COUNTER", {.value = 2.0});
    register_({"M", "C"});
    const DataResult r = getCampanhaPromo(S("01"), S("001"), QString(), QString());
    ASSERT_FALSE(r.isError()) << r.errorText().toStdString();
    EXPECT_EQ(column(r.asPacket(), "CDCAMPPROMO"), L{S("COUNTER")});
}

TEST_P(Combination, ListedProductsAreFoundInsideLongerTexts)
{
    campaign("ALLOF");
    combination("ALLOF", {.comb3 = V("P10;X")});  // names P10, X and, inside P10, P1
    campaign("ONEOF");
    combination("ONEOF", {.prin = "C", .comb = "M", .opc = V("ZZQ7ZZ")});
    campaign("NEEDS2");
    combination("NEEDS2", {.prin = "C", .comb = "C2", .comb2 = V("X"), .comb4 = V("Q8")});

    register_({"M", "C", "P10", "X"});
    EXPECT_TRUE(campaigns().isEmpty());
    register_({"M", "C", "P10", "X", "P1"});
    EXPECT_EQ(campaigns(), L{S("ALLOF")});
    register_({"M", "C", "Q7"});
    EXPECT_EQ(campaigns(), L{S("ONEOF")});
    register_({"C", "C2", "X"});
    EXPECT_TRUE(campaigns().isEmpty());
    register_({"C", "C2", "X", "Q8"});
    EXPECT_EQ(campaigns(), L{S("NEEDS2")});
}

// Product lists name every existing product whose code occurs anywhere in their text:
// codes inside longer codes, across separators, repeated, or not named at all.
TEST_P(Combination, ProductListsNameEveryProductOccurringInTheirText)
{
    const QStringList extra{S("10;X"), S("Q"), S("7Q"), S("LONGCODE10")};
    for (const QString& code : extra)
        product(code.toUtf8().constData());
    const QStringList catalogue = QStringList{S("M"), S("C"), S("C2"), S("P1"), S("P10"), S("X"),
                                              S("Q7"), S("Q8")} + extra;
    const QStringList lists{S("P10;X"), S("XP1"), S("P1P1"), S(""), S("Q7;Q7"), S("ZZZ"),
                            S("Q8Q7"), S("P10;X;10"), S("LONGCODE10;"), S(" C2 ")};
    const QList<QStringList> trays{{S("M"), S("C")},
                                   {S("M"), S("C"), S("P10"), S("X"), S("P1")},
                                   {S("M"), S("C"), S("P10"), S("X"), S("P1"), S("10;X")},
                                   {S("M"), S("C"), S("C"), S("Q7"), S("Q8"), S("Q"), S("7Q")},
                                   {S("M"), S("C"), S("C"), S("C2"), S("LONGCODE10"), S("P10"), S("P1")}};
    campaign("LIST");
    for (const QString& list : lists) {
        db().exec(S("DELETE FROM COMBINAPROD"));
        const QByteArray text = list.toUtf8();
        combination("LIST", {.comb3 = V(text.constData())});
        QStringList named;
        for (const QString& code : catalogue)
            if (list.contains(code))
                named << code;
        for (const QStringList& tray : trays) {
            SCOPED_TRACE(QString(list + S(" with ") + tray.join(QLatin1Char(','))).toStdString());
            ASSERT_TRUE(ApagaItemPromoComb(S("01"), S("001")).isEmpty());
            DataPacket packet = items({});
            for (const QString& code : tray)
                packet.rows.append({V("PROMO"), code, 10.0, 1.0, 0.0});
            ASSERT_TRUE(setItemPromoComb(S("01"), S("001"), packet).isEmpty());

            const bool allThere = std::all_of(named.begin(), named.end(),
                                              [&](const QString& code) { return tray.contains(code); });
            EXPECT_EQ(campaigns(), allThere ? L{S("LIST")} : L{});
            // The combination needs M, C and each named product once more.
            bool enough = true;
            for (const QString& code : catalogue) {
                const int needed = int(code == S("M")) + int(code == S("C")) + int(named.contains(code));
                enough = enough && tray.count(code) >= needed;
            }
            EXPECT_EQ(getVdCombinacoes(S("LIST"), S("M"), S("C"), S("01"), S("001")), enough);
        }
    }
}

// A tray longer than one multi-row insert: all rows numbered in order, or none at all.
TEST_P(Combination, LongTraysAreWrittenWholeOrNotAtAll)
{
    DataPacket packet = items({});
    for (int i = 0; i < 120; ++i)
        packet.rows.append({V("PROMO"), i % 2 ? V("M") : V("C"), 10.0, 1.0, 0.0});
    ASSERT_TRUE(setItemPromoComb(S("01"), S("001"), packet).isEmpty());
    const QStringList scratch = rows("PROMOCAOCOMBTMP", "NRSEQPROMOCOMB", "01", "001");
    ASSERT_EQ(scratch.size(), 120);
    EXPECT_EQ(scratch.first(), S("00001"));
    EXPECT_EQ(scratch.last(), S("00120"));
    ASSERT_TRUE(setPromoCombAux(S("01"), S("001"), packet).isEmpty());
    EXPECT_EQ(rows("PROMOCAOCOMBAUX", "CDPRODUTO", "01", "001").size(), 120);

    // The last rows meet a number taken already: the earlier inserts go too.
    ASSERT_TRUE(ApagaItemPromoComb(S("01"), S("001")).isEmpty());
    db().insert(S("PROMOCAOCOMBTMP"), {{"CDFILIAL", V("01")}, {"CDCAIXA", V("001")},
                                       {"CDPRODUTO", V("Z")}, {"NRSEQPROMOCOMB", V("00110")}});
    EXPECT_TRUE(setItemPromoComb(S("01"), S("001"), packet).isError());
    EXPECT_EQ(rows("PROMOCAOCOMBTMP", "CDPRODUTO", "01", "001"), L{S("Z")});
}

TEST_P(Combination, CountsOfRequiredProducts)
{
    campaign("K");
    // C twice (combined product and CDPRODCOMB2), P1 and P10 through the list, and a
    // CDPRODCOMB4 that names no product (ignored).
    combination("K", {.comb2 = V("C"), .comb4 = V("NOPE"), .comb3 = V("P10")});
    auto check = [&](std::initializer_list<const char*> products) {
        register_(products);
        return getVdCombinacoes(S("K"), S("M"), S("C"), S("01"), S("001"));
    };
    EXPECT_FALSE(check({"M", "C", "P10", "P1"}));
    EXPECT_TRUE(check({"M", "C", "C", "P10", "P1"}));
    EXPECT_FALSE(check({"M", "C", "C", "P10"}));
    EXPECT_TRUE(check({"M", "M", "C", "C", "C", "P10", "P1", "X"}));
    // A combination that requires nothing, or another till, gives false.
    EXPECT_FALSE(getVdCombinacoes(S("NONE"), S("M"), S("C"), S("01"), S("001")));
    EXPECT_FALSE(getVdCombinacoes(S("K"), S("M"), S("C"), S("01"), S("002")));
}

INSTANTIATE_TEST_SUITE_P(Backends, Combination,
                         ::testing::Values(Backend::Sqlite, Backend::Postgres, Backend::OdbcSqlite,
                                           Backend::OdbcPostgres),
                         backendParamName);

}  // namespace
}  // namespace kvp::test
