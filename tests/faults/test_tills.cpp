// Eight tills of one branch selling at once against one PostgreSQL server, each a process
// of its own (kvp_till_driver) with its own connection: every sale confirmed and priced
// as its till's first (a till that read or deleted another's scratch rows would price
// the campaign wrongly), no deadlock, each till's record numbers 001.. without a gap, and
// the server holding exactly the rows the tills stored.

#include "entrysale.h"

#include <QProcess>
#include <QSqlQuery>

#include <algorithm>
#include <memory>
#include <vector>

namespace kvp::test {
namespace {

struct TillsCase {
    Backend backend;
    int sales;
};

void PrintTo(const TillsCase& c, std::ostream* os)
{
    *os << backendName(c.backend).toStdString() << ' ' << c.sales << " sales";
}

class Tills : public BackendSelection, public ::testing::WithParamInterface<TillsCase> {
protected:
    Backend backend() const override { return GetParam().backend; }

    QStringList column(const QString& sql)
    {
        QSqlQuery q(db->database());
        EXPECT_TRUE(q.exec(sql)) << sql.toStdString();
        QStringList out;
        while (q.next())
            out << q.value(0).toString().trimmed();
        return out;
    }
};

TEST_P(Tills, EightTillsSellAtOnceWithoutSeeingEachOther)
{
    constexpr int kTills = 8;
    const int sales = GetParam().sales;
    sellable(S("A"), 12.00);
    sellable(S("B"), 9.00);
    sellable(S("D"), 5.00);
    addGroup(S("G1"), {S("A")}, quantity(1, 1));
    addGroup(S("G2"), {S("B"), S("D")}, quantity(1, 1));
    insertCampaign(*db, S("C1"), S("A"), S("B"));

    std::vector<std::unique_ptr<QProcess>> tills;
    for (int t = 1; t <= kTills; ++t) {
        auto p = std::make_unique<QProcess>();
        p->setProgram(S(KVP_TILL_DRIVER));
        p->setArguments({shop->connectionString(), QString::number(t).rightJustified(3, QLatin1Char('0')),
                         QString::number(sales), programFolder() + S("/till") + QString::number(t)});
        p->start();
        ASSERT_TRUE(p->waitForStarted()) << p->errorString().toStdString();
        tills.push_back(std::move(p));
    }
    QStringList odd, even;
    for (int t = 1; t <= kTills; ++t) {
        QProcess& p = *tills[static_cast<size_t>(t - 1)];
        ASSERT_TRUE(p.waitForFinished(600000)) << "till " << t << " never finished";
        const QString out = QString::fromUtf8(p.readAllStandardOutput()).trimmed();
        const QString err = QString::fromUtf8(p.readAllStandardError());
        EXPECT_EQ(p.exitCode(), 0) << out.toStdString() << "\n" << err.left(4000).toStdString();
        EXPECT_TRUE(out.contains(QString(S(": %1 sold, 0 failed")).arg(sales))) << out.toStdString();
        (t % 2 ? odd : even) << out.section(S(", lines "), 1);
        std::printf("[ tills    ] %s\n", qPrintable(out));
    }
    // The campaign went to the tills that sold A with B, and only to them.
    odd.removeDuplicates();
    even.removeDuplicates();
    ASSERT_EQ(odd.size(), 1) << odd.join(S(" / ")).toStdString();
    ASSERT_EQ(even.size(), 1) << even.join(S(" / ")).toStdString();
    EXPECT_TRUE(odd.first().contains(S("C1"))) << odd.first().toStdString();
    EXPECT_FALSE(even.first().contains(S("C1"))) << even.first().toStdString();

    // Nothing left in the scratch table; each till's record rows and numbers complete.
    EXPECT_EQ(column(S("SELECT COUNT(*) FROM PROMOCAOCOMBTMP")), QStringList{S("0")});
    EXPECT_EQ(column(S("SELECT COUNT(*) FROM PROMOCAOCOMBAUX")),
              QStringList{QString::number(kTills * sales * 2)});
    QStringList want;
    for (int n = 1; n <= sales; ++n)
        want << QString::number(n).rightJustified(3, QLatin1Char('0'));
    for (int t = 1; t <= kTills; ++t) {
        const QString till = QString::number(t).rightJustified(3, QLatin1Char('0'));
        EXPECT_EQ(column(S("SELECT DISTINCT NRSEQPRODCOM FROM PROMOCAOCOMBAUX WHERE CDFILIAL = '01' "
                           "AND CDCAIXA = '") + till + S("' ORDER BY NRSEQPRODCOM")),
                  want)
            << "till " << till.toStdString();
        EXPECT_EQ(column(S("SELECT COUNT(*) FROM PROMOCAOCOMBAUX WHERE CDCAIXA = '") + till + S("'")),
                  QStringList{QString::number(sales * 2)});
    }
}

// A cloned till: two processes under one till number confirm at once. Each combination
// keeps a number of its own (two rows each), and the numbers run without a gap.
TEST_P(Tills, TwoTillsSharingANumberNeverShareACombinationNumber)
{
    const int sales = std::min(GetParam().sales, 60);
    sellable(S("A"), 12.00);
    sellable(S("B"), 9.00);
    addGroup(S("G1"), {S("A")}, quantity(1, 1));
    addGroup(S("G2"), {S("B")}, quantity(1, 1));

    std::vector<std::unique_ptr<QProcess>> tills;
    for (int t = 1; t <= 2; ++t) {
        auto p = std::make_unique<QProcess>();
        p->setProgram(S(KVP_TILL_DRIVER));
        p->setArguments({shop->connectionString(), S("001"), QString::number(sales),
                         programFolder() + S("/clone") + QString::number(t)});
        p->start();
        ASSERT_TRUE(p->waitForStarted()) << p->errorString().toStdString();
        tills.push_back(std::move(p));
    }
    for (auto& p : tills) {
        ASSERT_TRUE(p->waitForFinished(600000));
        const QString out = QString::fromUtf8(p->readAllStandardOutput()).trimmed();
        EXPECT_EQ(p->exitCode(), 0)
            << out.toStdString() << "\n"
            << QString::fromUtf8(p->readAllStandardError()).left(4000).toStdString();
        EXPECT_TRUE(out.contains(QString(S(": %1 sold, 0 failed")).arg(sales)))
            << out.toStdString();
        std::printf("[ clones   ] %s\n", qPrintable(out.section(S(", lines "), 0, 0)));
    }
    QStringList want;
    for (int n = 1; n <= 2 * sales; ++n)
        want << QString::number(n).rightJustified(3, QLatin1Char('0')) + S("|2");
    QStringList numbers;
    QSqlQuery q(db->database());
    ASSERT_TRUE(
        q.exec(S("SELECT NRSEQPRODCOM, COUNT(*) FROM PROMOCAOCOMBAUX GROUP BY NRSEQPRODCOM "
                 "ORDER BY NRSEQPRODCOM")));
    while (q.next())
        numbers << q.value(0).toString().trimmed() + S("|") + q.value(1).toString();
    EXPECT_EQ(numbers, want);
}

INSTANTIATE_TEST_SUITE_P(Server, Tills,
                         ::testing::Values(TillsCase{Backend::Postgres, 200},
                                           TillsCase{Backend::OdbcPostgres, 25}),
                         [](const ::testing::TestParamInfo<TillsCase>& param) {
                             return backendName(param.param.backend).toStdString();
                         });

}  // namespace
}  // namespace kvp::test
