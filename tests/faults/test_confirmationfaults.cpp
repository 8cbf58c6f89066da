// A confirmation whose data calls fail one at a time: the Nth call of the whole path
// (transaction, call-type "B" record, scratch rows, campaign lookup and check) fails, for
// every N until a run gets through. A failed run must leave the screen open, the lines as
// they were, one message shown and logged, and no row of the till in the scratch or
// record tables; the run that gets through must be priced in full and store its record
// under the till's first number. All of it holds too with a host whose MensagemMetodo
// shows a failure and returns.

#include "backendselection.h"

#include <QRegularExpression>
#include <QSqlQuery>

namespace kvp::test {
namespace {

enum class Fault { StatementError, ConnectionLost };

struct Case {
    Backend backend;
    Fault fault;
    bool hostReturns = false;
};

void PrintTo(const Case& c, std::ostream* os)
{
    *os << backendName(c.backend).toStdString()
        << (c.fault == Fault::StatementError ? "StatementError" : "ConnectionLost")
        << (c.hostReturns ? "HostReturns" : "");
}

class ConfirmationFaults : public BackendSelection, public ::testing::WithParamInterface<Case> {
protected:
    Backend backend() const override { return GetParam().backend; }

    // A combo of two groups, 20,00 divided, with a campaign taking 1,00 off A when A and
    // B are sold together, sold by call type "B".
    void sellCombo()
    {
        sellable(S("A"), 12.00);
        sellable(S("B"), 9.00);
        addGroup(S("G1"), {S("A")});
        addGroup(S("G2"), {S("B")});
        insertCampaign(*db, S("C1"), S("A"), S("B"));
        start(S("1"));
        screen->stTipoChamada = S("B");
        screen->vrPrecoDividir = 20.00;
        touch(S("A"));
        touch(S("B"));
        ASSERT_EQ(lineCount(), 2);
    }

    // Fails the data call numbered `at` (from 1) of what runs next; answers whether it did.
    bool confirmFailingCall(int at)
    {
        int calls = 0;
        bool fired = false;
        setDataCallHook([&](const QString& call) {
            if (++calls != at)
                return;
            fired = true;
            failedCall = call;
            if (GetParam().fault == Fault::StatementError)
                throw DataModuleError(S("injected failure at ") + call);
            shop->dropSessions();  // the statement then meets a closed connection
        });
        confirm();
        setDataCallHook({});
        return fired;
    }

    // Lines of the operation log that start an entry (a message may span lines).
    int logEntries()
    {
        static const QRegularExpression entry(S("^\\d\\d/\\d\\d/\\d{4} "),
                                              QRegularExpression::MultilineOption);
        return static_cast<int>(log().count(entry));
    }

    QString failedCall;
};

TEST_P(ConfirmationFaults, EveryFailingCallLeavesTheSaleUnconfirmedAndUntouched)
{
    host.setMensagemMetodoReturns(GetParam().hostReturns);
    sellCombo();
    const DataPacket before = screen->cdsItemProd.data();
    QStringList failed;
    int at = 1;
    for (;; ++at) {
        host.clearCalls();
        const int logLines = logEntries();
        if (!confirmFailingCall(at))
            break;
        failed << failedCall;
        SCOPED_TRACE(QString(S("call %1, %2").arg(at).arg(failedCall)).toStdString());
        EXPECT_FALSE(combinada::boPromocaoComb);
        EXPECT_FALSE(screen->closeRequested());
        EXPECT_EQ(screen->cdsItemProd.data().rows, before.rows);
        EXPECT_EQ(warnings().size(), 1) << warnings().join(S(" | ")).toStdString();
        EXPECT_EQ(logEntries(), logLines + 1) << log().toStdString();
        EXPECT_EQ(rowsOfTill("PROMOCAOCOMBTMP"), 0);
        EXPECT_EQ(rowsOfTill("PROMOCAOCOMBAUX"), 0);
        if (GetParam().fault == Fault::ConnectionLost) {
            // The host's next call brings a new connection.
            freeDataModule();
            ensureDataModule();
        }
        ASSERT_LT(at, 100) << "the confirmation never got through";
    }
    // The whole path was faulted: transaction, record, scratch rows, lookup, check, commit.
    for (const char* call : {"BEGIN", "adqPromocaoCombAux", "acmInsPromocaoCombAux",
                             "acmDelPromoCombTmp", "acmInsPromoCombTmp", "adqCampPromoTCons",
                             "adqCombinaProd", "adqPromocaoComb", "COMMIT"})
        EXPECT_TRUE(failed.contains(S(call))) << call << " never failed: " << failed.join(S(", ")).toStdString();

    // The run that got through: confirmed, campaign applied, 20,00 divided, one record.
    EXPECT_TRUE(combinada::boPromocaoComb);
    EXPECT_TRUE(screen->closeRequested());
    EXPECT_EQ(column("CDCAMPPROMO"), (QStringList{S("C1"), S("C1")}));
    EXPECT_EQ(column("VRUNVENDAEST"), (QStringList{S("10"), S("10")}));
    EXPECT_EQ(rowsOfTill("PROMOCAOCOMBTMP"), 0);
    EXPECT_EQ(rowsOfTill("PROMOCAOCOMBAUX"), 2);
    QSqlQuery q(db->database());
    ASSERT_TRUE(q.exec(S("SELECT DISTINCT NRSEQPRODCOM FROM PROMOCAOCOMBAUX")));
    ASSERT_TRUE(q.next());
    EXPECT_EQ(q.value(0).toString(), S("001"));
    std::printf("[ faults   ] %d runs faulted\n", at - 1);
}

INSTANTIATE_TEST_SUITE_P(Backends, ConfirmationFaults,
                         ::testing::Values(Case{Backend::Sqlite, Fault::StatementError},
                                           Case{Backend::Postgres, Fault::StatementError},
                                           Case{Backend::Postgres, Fault::ConnectionLost},
                                           Case{Backend::Sqlite, Fault::StatementError, true},
                                           Case{Backend::Postgres, Fault::ConnectionLost, true}),
                         [](const ::testing::TestParamInfo<Case>& param) {
                             std::ostringstream os;
                             PrintTo(param.param, &os);
                             return os.str();
                         });

}  // namespace
}  // namespace kvp::test
