// The locks of a confirmation's unit: a lock another connection holds (another till, the
// host) ends the confirmation after the wait the host set, with the wait named, instead of
// hanging the screen; and the host's price function is never called while the unit holds
// its locks.

#include "backendselection.h"

#include "connectionstring.h"

#include <QSqlQuery>

#include <chrono>
#include <future>
#include <thread>

namespace kvp::test {
namespace {

// Another connection, on a thread of its own, holding the record and scratch tables
// (PostgreSQL) or the whole file (SQLite) until released, or for 30 s at most: a module
// that waits without bound then still comes back, and the test fails rather than hangs.
class LockHolder {
public:
    LockHolder(const QString& connectionString, bool postgres)
    {
        std::promise<bool> ready;
        std::future<bool> taken = ready.get_future();
        m_thread =
            std::thread([this, connectionString, postgres, ready = std::move(ready)]() mutable {
                const QString name = S("lock-holder");
                {
                    QSqlDatabase db =
                        addDatabase(ConnectionSettings::parse(connectionString), name);
                    QSqlQuery q(db);
                    const bool ok =
                        db.open() &&
                        (postgres ? q.exec(S("BEGIN")) &&
                                        q.exec(S("LOCK TABLE PROMOCAOCOMBAUX, PROMOCAOCOMBTMP "
                                                 "IN ACCESS EXCLUSIVE MODE"))
                                  : q.exec(S("BEGIN EXCLUSIVE")));
                    ready.set_value(ok);
                    m_release.get_future().wait_for(std::chrono::seconds(30));
                    q.exec(S("ROLLBACK"));
                    q.finish();
                    db.close();
                }
                QSqlDatabase::removeDatabase(name);
            });
        m_taken = taken.get();
    }
    ~LockHolder() { release(); }
    bool taken() const { return m_taken; }
    void release()
    {
        if (m_thread.joinable()) {
            m_release.set_value();
            m_thread.join();
        }
    }

private:
    std::promise<void> m_release;
    std::thread m_thread;
    bool m_taken = false;
};

class UnitLocks : public BackendSelection, public ::testing::WithParamInterface<Backend> {
protected:
    Backend backend() const override { return GetParam(); }

    // A sold by 12,00 and B by 9,00 in two groups, with a campaign taking 1,00 off A when
    // both are sold, by call type "B" and a price built from the products.
    void sellAAndB()
    {
        sellable(S("A"), 12.00);
        sellable(S("B"), 9.00);
        addGroup(S("G1"), {S("A")});
        addGroup(S("G2"), {S("B")});
        insertCampaign(*db, S("C1"), S("A"), S("B"));
        start(S("2"));
        screen->stTipoChamada = S("B");
        touch(S("A"));
        touch(S("B"));
        ASSERT_EQ(lineCount(), 2);
    }
};

TEST_P(UnitLocks, ALockHeldElsewhereEndsTheConfirmationAfterTheWaitTheHostSet)
{
    host.setConnectionString(shop->connectionString() + S(";timeout=1"));
    sellAAndB();
    LockHolder holder(shop->connectionString(), usesPostgres(GetParam()));
    ASSERT_TRUE(holder.taken());
    confirm();
    holder.release();
    EXPECT_FALSE(combinada::boPromocaoComb);
    EXPECT_FALSE(screen->closeRequested());
    ASSERT_EQ(warnings().size(), 1);
    EXPECT_TRUE(warnings().first().contains(S("after waiting 1 s for a lock")))
        << warnings().first().toStdString();

    host.clearCalls();
    confirm();
    EXPECT_TRUE(combinada::boPromocaoComb);
    EXPECT_EQ(rowsOfTill("PROMOCAOCOMBAUX"), 2);
}

TEST_P(UnitLocks, TheHostsPriceFunctionRunsBeforeTheUnitTakesItsLocks)
{
    sellAAndB();
    host.clearCalls();
    qsizetype begin = -1;
    qsizetype commit = -1;
    setDataCallHook([&](const QString& call) {
        if (call == S("BEGIN"))
            begin = host.calls().size();
        else if (call == S("COMMIT"))
            commit = host.calls().size();
    });
    confirm();
    setDataCallHook({});
    ASSERT_TRUE(combinada::boPromocaoComb);
    EXPECT_EQ(column("CDCAMPPROMO"), (QStringList{S("C1"), S("C1")}));
    EXPECT_EQ(column("VRDESCONTO"), (QStringList{S("1"), S("0")}));
    ASSERT_GE(begin, 0);
    ASSERT_GE(commit, begin);
    for (qsizetype i = begin; i < commit; ++i)
        EXPECT_NE(host.calls().at(i).service, S("ChamaFuncaoGetRetornaPreco")) << "call " << i;
}

INSTANTIATE_TEST_SUITE_P(Backends, UnitLocks, ::testing::Values(Backend::Sqlite, Backend::Postgres),
                         [](const ::testing::TestParamInfo<Backend>& param) {
                             return backendName(param.param).toStdString();
                         });

}  // namespace
}  // namespace kvp::test
