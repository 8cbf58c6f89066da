// What the data functions answer when the database is out of reach or a statement is
// misused, and how the module lives and dies.

#include "srv_suite.h"

#include "pgdriver.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QScopeGuard>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlField>
#include <QSqlQuery>
#include <QSqlRecord>

#include <cstdio>
#include <cstdlib>
#include <functional>


namespace kvp::test {
namespace {

using L = QStringList;

class Failures : public SrvTest {
protected:
    QString unreachable() const
    {
        switch (GetParam()) {
        case Backend::Sqlite: return S("driver=QSQLITE;database=/nonexistent/folder/shop.db");
        case Backend::Postgres: return S("driver=QPSQL;host=127.0.0.1;port=1;database=kvp_test;user=nobody");
        case Backend::OdbcSqlite:
            return S("driver=QODBC;database=\"Driver=SQLite3;Database=/nonexistent/folder/shop.db;NoCreat=1\"");
        case Backend::OdbcPostgres:
            return S("driver=QODBC;database=\"Driver={PostgreSQL Unicode};Server=127.0.0.1;Port=1;Database=x\"");
        }
        return {};
    }

    // Every function, with the answer each gives on failure.
    void expectAllFail()
    {
        const DataPacket none = items({"M"});
        for (const DataResult& r :
             {getGrupoPromoComb(S("P"), S("01")), getProdutoPromoComb(S("G"), S("P"), S("01"), S("1"), S("1")),
              getDescontoPromocao(S("01"), S("P"), S("G"), S("A"), S("1")), getGrupoMutex(S("01"), S("P"), S("M")),
              getPreSelecionados(S("01"), S("P")), getCodigoAtalho(S("01"), S("1"), S("9")),
              setItemPromoComb(S("01"), S("001"), none), ApagaItemPromoComb(S("01"), S("001")),
              getCampanhaPromo(S("01"), S("001"), S("C"), S("D")), setPromoCombAux(S("01"), S("001"), none),
              getImposto(S("01"), S("A"), S("")), getValidProdNFCe(S("01"), S("A")), getRegraFisPdv(S("A")),
              getOcorPed(S("01"), S("L"), S("A")), getExisteProd(S("01"), S("A"), S("V")),
              getCuponsValidos(S("01"), S("A"))}) {
            EXPECT_TRUE(r.isError());
            EXPECT_FALSE(r.errorText().isEmpty());
        }
        EXPECT_FALSE(getVerificaPromo(S("01"), S("P")));
        EXPECT_FALSE(getVdCombinacoes(S("K"), S("M"), S("C"), S("01"), S("001")));
        EXPECT_FALSE(getIDUTCUPOMDESC().isEmpty());
        EXPECT_NE(getIDUTCUPOMDESC(), S("S"));
        EXPECT_EQ(getExibeProd(S("01")), S("S"));
    }
};

TEST_P(Failures, AnUnreachableDatabaseRaisesAtConnectAndFailsEveryFunction)
{
    freeDataModule();
    m_host.setConnectionString(unreachable());
    m_host.clearCalls();
    // ODBC drivers may accept the connection and fail at the first statement instead.
    bool raised = false;
    try {
        ensureDataModule();
    } catch (const std::exception&) {
        raised = true;
    }
    ASSERT_NE(rdmPromocaoCombinada, nullptr);
    if (GetParam() != Backend::OdbcSqlite) {
        EXPECT_TRUE(raised);
    }
    if (raised) {
        EXPECT_TRUE(m_host.callsOf(S("SetADODBSession")).isEmpty());
    }
    expectAllFail();
    EXPECT_FALSE(m_host.callsOf(S("ADOExceptionMessage")).isEmpty());
}

TEST_P(Failures, ALostConnectionFailsEveryFunctionWithoutRaising)
{
    if (!usesPostgres(GetParam()))
        GTEST_SKIP() << "An embedded database cannot go away";
    product("A");
    EXPECT_EQ(getExibeProd(S("01")), S(""));
    m_db->dropSessions();
    expectAllFail();
}

// The screen stays open after a confirmation failed on a killed session: its next
// attempt, a new unit of work, runs on a new connection.
TEST_P(Failures, TheNextUnitAfterALostConnectionReconnects)
{
    if (!usesPostgres(GetParam()))
        GTEST_SKIP() << "An embedded database cannot go away";
    product("A");
    m_db->dropSessions();
    const DataResult lost = IniciaTransacao();
    if (!lost.isError()) {
        EXPECT_TRUE(setPromoCombAux(S("01"), S("001"), items({"A"})).isError());
        EXPECT_TRUE(ConcluiTransacao().isError());
    }
    for (int attempt = 1; attempt <= 2; ++attempt) {
        ASSERT_TRUE(IniciaTransacao().isEmpty()) << "attempt " << attempt;
        EXPECT_TRUE(setPromoCombAux(S("01"), S("001"), items({"A"})).isEmpty())
            << "attempt " << attempt;
        EXPECT_TRUE(ConcluiTransacao().isEmpty()) << "attempt " << attempt;
    }
    EXPECT_EQ(db().count(S("PROMOCAOCOMBAUX")), 2);
    EXPECT_EQ(m_host.callsOf(S("SetADODBSession")).size(), 2);
}

TEST_P(Failures, NoModuleIsAnErrorNotACrash)
{
    freeDataModule();
    EXPECT_TRUE(getGrupoPromoComb(S("P"), S("01")).isError());
    EXPECT_FALSE(getVerificaPromo(S("01"), S("P")));
    EXPECT_EQ(getExibeProd(S("01")), S("S"));
}

TEST_P(Failures, EveryPlaceholderMustBeBoundAnewForEachRun)
{
    SqlStatement& s = rdmPromocaoCombinada->statement(Stmt::adqAtaProd);
    EXPECT_EQ(s.parameters(), (L{S("P_CDATAPRODITM"), S("P_CDFILIAL"), S("P_NRCONFTELA")}));
    EXPECT_THROW(s.bindText("P_CDPRODUTO", S("X")), DataModuleError);
    s.bindText("P_CDATAPRODITM", S("1"));
    s.bindText("P_CDFILIAL", S("01"));
    s.bindText("P_NRCONFTELA", S("1"));
    EXPECT_NO_THROW(s.execute());
    // The values of the last run do not count for the next one.
    s.bindText("P_CDATAPRODITM", S("1"));
    s.bindText("P_CDFILIAL", S("01"));
    try {
        s.execute();
        ADD_FAILURE() << "ran with P_NRCONFTELA unbound";
    } catch (const DataModuleError& e) {
        EXPECT_TRUE(e.message().contains(S("P_NRCONFTELA")));
    }
}

TEST_P(Failures, TheModuleIsCreatedOnceConnectedOnceAndRebuiltAfterItIsFreed)
{
    TrdmPromocaoCombinada* first = rdmPromocaoCombinada;
    EXPECT_EQ(&ensureDataModule(), first);  // a nested screen start reuses it
    EXPECT_EQ(m_host.callsOf(S("GetStringConexQmt")).size(), 1);
    EXPECT_EQ(m_host.callsOf(S("SetADODBSession")).size(), 1);
    const Dialect expected = (GetParam() == Backend::Sqlite || GetParam() == Backend::OdbcSqlite)
        ? Dialect::Sqlite
        : Dialect::PostgreSql;
    EXPECT_EQ(first->dialect(), expected);
    freeDataModule();
    EXPECT_EQ(rdmPromocaoCombinada, nullptr);
    ensureDataModule();
    EXPECT_NE(rdmPromocaoCombinada, nullptr);
    // The healthy connection outlived the module: the host is asked for the string again,
    // but no new session is opened.
    EXPECT_EQ(m_host.callsOf(S("GetStringConexQmt")).size(), 2);
    EXPECT_EQ(m_host.callsOf(S("SetADODBSession")).size(), 1);
    EXPECT_EQ(getExibeProd(S("01")), S(""));
}

TEST_P(Failures, AKeptConnectionIsNotReusedAfterAFailureOrForAnotherDatabase)
{
    // A failed call: the next module connects anew.
    setDataCallHook([](const QString&) { throw DataModuleError(S("broken")); });
    EXPECT_EQ(getExibeProd(S("01")), S("S"));
    setDataCallHook({});
    freeDataModule();
    ensureDataModule();
    EXPECT_EQ(m_host.callsOf(S("SetADODBSession")).size(), 2);
    EXPECT_EQ(getExibeProd(S("01")), S(""));

    // Another connection string: the kept connection is not the one asked for.
    freeDataModule();
    m_host.setConnectionString(unreachable());
    bool raised = false;
    try {
        ensureDataModule();
    } catch (const std::exception&) {
        raised = true;
    }
    if (GetParam() != Backend::OdbcSqlite) {
        EXPECT_TRUE(raised);
    }
    EXPECT_FALSE(getExibeProd(S("01")).isEmpty());
}

TEST_P(Failures, AConnectionTheServerEndedBetweenSalesIsReplacedUnnoticed)
{
    if (!usesPostgres(GetParam()))
        GTEST_SKIP() << "An embedded database cannot go away";
    product("A");
    EXPECT_EQ(getExibeProd(S("01")), S(""));
    freeDataModule();
    m_db->dropSessions();
    ensureDataModule();
    EXPECT_EQ(m_host.callsOf(S("SetADODBSession")).size(), 2);
    EXPECT_EQ(getExibeProd(S("01")), S(""));
    EXPECT_FALSE(getVerificaPromo(S("01"), S("A")));
}

TEST_P(Failures, AShopFileReplacedUnderTheSameNameIsOpenedAnew)
{
    if (usesPostgres(GetParam()))
        GTEST_SKIP() << "A server's database has no file to replace";
    EXPECT_EQ(getExibeProd(S("01")), S(""));
    freeDataModule();  // the healthy connection is kept for the next module

    // The back office writes the new file beside the old one and renames it over it.
    const QString path = db().database().databaseName();
    const QString next = path + S(".new");
    {
        QSqlDatabase fresh = QSqlDatabase::addDatabase(S("QSQLITE"), S("replacement"));
        fresh.setDatabaseName(next);
        ASSERT_TRUE(fresh.open());
        DatabaseFixture shop(fresh);
        shop.createSchema();
        shop.insert(S("PARAVEND"), {{"CDFILIAL", V("01")}, {"IDEXIBEPRECZERO", V("N")}});
        fresh.close();
    }
    QSqlDatabase::removeDatabase(S("replacement"));
    ASSERT_EQ(std::rename(QFile::encodeName(next).constData(), QFile::encodeName(path).constData()), 0);

    ensureDataModule();
    EXPECT_EQ(getExibeProd(S("01")), S("N")) << "read from the file that was replaced";
    EXPECT_EQ(m_host.callsOf(S("SetADODBSession")).size(), 2);
}

TEST_P(Failures, ActivatingTheModuleConnectsThroughTheHost)
{
    freeDataModule();
    closeKeptSession();  // a connection is made here, not taken over from the last module
    m_host.clearCalls();
    auto* module = new TrdmPromocaoCombinada();
    rdmPromocaoCombinada = module;
    module->MtsDataModuleActivate();
    EXPECT_TRUE(module->connected());
    EXPECT_EQ(m_host.callsOf(S("TryConnect")).size(), 1);
    EXPECT_EQ(m_host.callsOf(S("SetADODBSession")).size(), 1);
    EXPECT_EQ(getExibeProd(S("01")), S(""));
    module->MtsDataModuleActivate();  // connected already: the host is not asked again
    EXPECT_EQ(m_host.callsOf(S("TryConnect")).size(), 1);
    module->MtsDataModuleDeactivate();
    EXPECT_FALSE(module->connected());

    // A connection the host cannot open leaves the module unconnected, with the reason.
    m_host.setConnectionString(S("driver=QSQLITE;database=/nonexistent/folder/shop.db"));
    EXPECT_THROW(module->MtsDataModuleActivate(), DataModuleError);
    EXPECT_FALSE(module->connected());
}

INSTANTIATE_TEST_SUITE_P(Backends, Failures,
                         ::testing::Values(Backend::Sqlite, Backend::Postgres, Backend::OdbcSqlite,
                                           Backend::OdbcPostgres),
                         backendParamName);

// PostgreSQL: a statement is prepared in the round trip of its first run, and each later
// run takes one round trip with its values bound, never written into the text.
class FirstRun : public SrvTest {
protected:
    // The round trips a call takes on the module's connection.
    long trips(const std::function<void()>& call)
    {
        const QSqlDriver* driver = rdmPromocaoCombinada->adcPromocaoCombinada().driver();
        const long before = pg::roundTrips(driver);
        call();
        return pg::roundTrips(driver) - before;
    }

    // Each statement prepared on the server, with when it was prepared.
    QStringList preparedOnServer()
    {
        QSqlQuery q(rdmPromocaoCombinada->adcPromocaoCombinada());
        EXPECT_TRUE(q.exec(S("SELECT statement || ' @ ' || prepare_time FROM pg_prepared_statements "
                             "WHERE statement NOT LIKE 'SELECT statement%' ORDER BY prepare_time")));
        QStringList texts;
        while (q.next())
            texts.append(q.value(0).toString());
        return texts;
    }
};

TEST_P(FirstRun, PreparesAndRunsInOneRequestThenRunsInOneEach)
{
    SqlStatement s(rdmPromocaoCombinada->adcPromocaoCombinada(), S("adqSoma"),
                   S("SELECT CAST(:P_A AS INTEGER) + CAST(:P_B AS INTEGER) * 10 + CAST(:P_A AS "
                     "INTEGER) * 100, "
                     "':P_A', CAST(:P_T AS VARCHAR(40))"));
    EXPECT_TRUE(preparedOnServer().isEmpty());  // making it costs nothing

    // A first run the server refuses still leaves the statement prepared.
    EXPECT_EQ(trips([&] {
        s.bindText("P_A", S("x"));
        s.bindText("P_B", S("2"));
        s.bindText("P_T", S(""));
        try {
            s.execute();
            ADD_FAILURE() << "ran with a value that is no number";
        } catch (const DataModuleError& e) {
            EXPECT_FALSE(e.message().startsWith(S("adqSoma")))
                << "the run failed, not the preparing";
        }
    }), 1);
    const QStringList prepared = preparedOnServer();
    ASSERT_EQ(prepared.size(), 1);
    EXPECT_TRUE(prepared[0].contains(
        S("CAST($1 AS INTEGER) + CAST($2 AS INTEGER) * 10 + CAST($3 AS INTEGER)")))
        << prepared[0].toStdString();

    // Quotes and backslashes reach the server as values, never as SQL.
    const QString odd = S("O'Brien \\'; DROP TABLE x; --");
    for (const char* a : {"3", "4"}) {
        DataPacket rows;
        EXPECT_EQ(trips([&] {
            s.bindText("P_A", S(a));
            s.bindText("P_B", S("2"));
            s.bindText("P_T", odd);
            s.execute();
            rows = s.takePacket();
        }), 1);
        ASSERT_EQ(rows.rows.size(), 1);
        EXPECT_EQ(rows.rows[0][0].toInt(), QString::fromLatin1(a).toInt() * 101 + 20);
        EXPECT_EQ(rows.rows[0][1].toString(), S(":P_A"));
        EXPECT_EQ(rows.rows[0][2].toString(), odd);
    }
    EXPECT_EQ(preparedOnServer(), prepared) << "prepared once";

    // A connection opened again knows none of the statements: they are prepared anew.
    QSqlDatabase db = rdmPromocaoCombinada->adcPromocaoCombinada();
    db.close();
    ASSERT_TRUE(db.open());
    s.bindText("P_A", S("1"));
    s.bindText("P_B", S("1"));
    s.bindText("P_T", S("z"));
    s.execute();
    EXPECT_EQ(s.takePacket().rows.value(0).value(0).toInt(), 111);
    // So is one whose statements the host discarded.
    QSqlQuery(db).exec(S("DEALLOCATE ALL"));
    s.bindText("P_A", S("2"));
    s.bindText("P_B", S("1"));
    s.bindText("P_T", S("z"));
    s.execute();
    EXPECT_EQ(s.takePacket().rows.value(0).value(0).toInt(), 212);
}

TEST_P(FirstRun, AStatementTheServerCannotPrepareIsPreparedAgainInItsNextRun)
{
    SqlStatement s(rdmPromocaoCombinada->adcPromocaoCombinada(), S("adqAusente"),
                   S("SELECT COUNT(*) FROM AUSENTE WHERE CDX = :P_X"));
    s.bindText("P_X", S("1"));
    try {
        s.execute();
        ADD_FAILURE() << "ran on a table that does not exist";
    } catch (const DataModuleError& e) {
        EXPECT_TRUE(e.message().startsWith(S("adqAusente: "))) << e.message().toStdString();
        EXPECT_TRUE(e.message().contains(S("ausente"))) << e.message().toStdString();
    }
    EXPECT_TRUE(preparedOnServer().isEmpty());
    db().exec(S("CREATE TABLE AUSENTE (CDX VARCHAR(4))"));
    db().exec(S("INSERT INTO AUSENTE VALUES ('1')"));
    s.bindText("P_X", S("1"));
    EXPECT_TRUE(s.executeAny());
    s.bindText("P_X", S("1"));
    s.execute();
    EXPECT_EQ(s.takePacket().rows.value(0).value(0).toInt(), 1);
    EXPECT_EQ(preparedOnServer().size(), 1);
}

INSTANTIATE_TEST_SUITE_P(Backends, FirstRun, ::testing::Values(Backend::Postgres),
                         backendParamName);

}  // namespace
}  // namespace kvp::test

namespace kvp::test {
namespace {

// Values read through our driver are what Qt's own driver read (the fixture's connection
// is Qt's): type, value, width and precision.
TEST_P(FirstRun, ValuesReadAsQtsOwnDriverReadThem)
{
    const char* const expressions[] = {
        "CAST(1 AS SMALLINT)", "CAST(3000000000 AS BIGINT)", "CAST(-5 AS BIGINT)",
        "CAST(1.25 AS NUMERIC(10,2))", "CAST(2.5 AS DOUBLE PRECISION)", "CAST('NaN' AS FLOAT8)",
        "TRUE", "CAST('2024-03-10' AS DATE)", "CAST('2024-03-10 09:05:30.123' AS TIMESTAMP)",
        "CAST('2024-03-10 09:05:30+02' AS TIMESTAMPTZ)", "CAST('09:05:30' AS TIME)",
        "CAST('ação' AS VARCHAR(8))", "CAST('ab' AS CHAR(4))", "CAST(NULL AS INTEGER)",
        "CAST(NULL AS VARCHAR(3))", "CAST('\\x00ff41' AS BYTEA)", "CAST('x' AS TEXT)"};
    QSqlDatabase ours = rdmPromocaoCombinada->adcPromocaoCombinada();
    for (const char* e : expressions) {
        QSqlQuery a(db().database()), b(ours);
        ASSERT_TRUE(a.exec(S("SELECT ") + S(e)) && a.next()) << e;
        ASSERT_TRUE(b.prepare(S("SELECT ") + S(e)) && b.exec() && b.next())
            << e << ": " << b.lastError().text().toStdString();
        EXPECT_EQ(b.value(0).metaType(), a.value(0).metaType()) << e;
        EXPECT_EQ(b.value(0).isNull(), a.value(0).isNull()) << e;
        EXPECT_EQ(b.value(0).toString(), a.value(0).toString()) << e;
        EXPECT_EQ(b.record().field(0).length(), a.record().field(0).length()) << e;
        EXPECT_EQ(b.record().field(0).precision(), a.record().field(0).precision()) << e;
    }
    // A transaction's BEGIN goes with its first statement, whichever kind; a commit of
    // a transaction that failed is a failure.
    ASSERT_TRUE(ours.transaction());
    QSqlQuery plain(ours);
    EXPECT_TRUE(plain.exec(S("SELECT 1")) && plain.next()) << plain.lastError().text().toStdString();
    EXPECT_TRUE(ours.commit()) << ours.lastError().text().toStdString();
    ASSERT_TRUE(ours.transaction());
    EXPECT_FALSE(plain.exec(S("SELECT 1 / 0")));
    EXPECT_FALSE(ours.commit());
}

// A value never becomes SQL, whatever the session, the role or the database says of
// backslashes: the reported injection, and quotes, a statement's end, a NUL and a long
// text through every text parameter of the reading functions.
TEST_P(Failures, ValuesStayDataWhateverTheServerSaysOfBackslashes)
{
    const QString pwned = S("\\', 1); CREATE TABLE pwned (x int); --");
    const QString nul = S("AB") + QChar(0) + S("CD");
    const QString values[] = {pwned, S("'; DROP TABLE PRODUTO; --"), S("\\\\'\\'"), nul,
                              QString(100000, QLatin1Char('x'))};
    using Call = std::function<QString(const QString&)>;
    auto text = [](const DataResult& r) { return r.isError() ? r.errorText() : QString(); };
    // Each reading function with the value in one of its text places, the rest plain.
    const std::vector<Call> calls = {
        [&](const QString& v) { return text(getCampanhaPromo(S("01"), S("001"), v, v)); },
        [&](const QString& v) { return text(getGrupoPromoComb(v, v)); },
        [&](const QString& v) { getVerificaPromo(v, v); return ultimoErroDados(); },
        [&](const QString& v) { return text(getProdutoPromoComb(v, v, v, v, v)); },
        [&](const QString& v) { return text(getDescontoPromocao(v, v, v, v, v)); },
        [&](const QString& v) { return text(getGrupoMutex(v, v, v)); },
        [&](const QString& v) { return text(getPreSelecionados(v, v)); },
        [&](const QString& v) { return text(getCodigoAtalho(v, v, v)); },
        [&](const QString& v) { getVdCombinacoes(v, v, v, v, v); return ultimoErroDados(); },
        [&](const QString& v) { return text(getImposto(v, v, v)); },
        [&](const QString& v) { return text(getValidProdNFCe(v, v)); },
        [&](const QString& v) { return text(getRegraFisPdv(v)); },
        [&](const QString& v) { return text(getOcorPed(v, v, v)); },
        [&](const QString& v) { return text(getExisteProd(v, v, v)); },
        [&](const QString& v) { return text(getCuponsValidos(v, v)); },
        [&](const QString& v) { getExibeProd(v); return ultimoErroDados(); },
    };
    QSqlDatabase module = rdmPromocaoCombinada->adcPromocaoCombinada();
    const int products = db().count(S("PRODUTO"));
    // The settings are switched on our own driver's sessions; through ODBC the values go
    // as they are (the ODBC stack itself does not survive a session switched off).
    const bool server = GetParam() == Backend::Postgres;
    for (const char* where : {"session", "role"}) {
        if (!server) {
            if (QString::fromLatin1(where) == S("role"))
                break;  // SQLite has no such setting: one round
        } else if (QString::fromLatin1(where) == S("role")) {
            QSqlQuery(module).exec(S("ALTER ROLE CURRENT_USER SET standard_conforming_strings = off"));
            module.close();
            ASSERT_TRUE(module.open());
        } else {
            ASSERT_TRUE(QSqlQuery(module).exec(S("SET standard_conforming_strings = off")));
        }
        QSqlQuery setting(module);
        if (server) {
            ASSERT_TRUE(setting.exec(S("SHOW standard_conforming_strings")) && setting.next());
            ASSERT_EQ(setting.value(0).toString(), S("off")) << where;
        }
        for (size_t c = 0; c < calls.size(); ++c) {
            for (const QString& v : values) {
                const QString error = calls[c](v);
                const QString shown = v.left(10);
                EXPECT_FALSE(!error.isEmpty() && error.contains(shown))
                    << where << " call " << c << " echoes the value: " << error.left(300).toStdString();
                if (v.contains(QChar(0))) {
                    EXPECT_TRUE(error.contains(S("NUL"))) << where << " call " << c;
                }
                if (v.size() > 400) {
                    EXPECT_TRUE(error.contains(S("characters long"))) << where << " call " << c;
                }
            }
        }
        QSqlQuery made(module);
        ASSERT_TRUE(made.exec(usesPostgres(GetParam())
                                  ? S("SELECT to_regclass('pwned') IS NULL")
                                  : S("SELECT COUNT(*) = 0 FROM sqlite_master WHERE name = 'pwned'")) &&
                    made.next());
        EXPECT_TRUE(made.value(0).toBool()) << where << ": the value ran as SQL";
        EXPECT_EQ(db().count(S("PRODUTO")), products) << where;
    }
    if (server)
        QSqlQuery(module).exec(S("ALTER ROLE CURRENT_USER RESET standard_conforming_strings"));
}

}  // namespace
}  // namespace kvp::test

namespace kvp::test {
namespace {

// The same with the quoting switched off for the whole server and for the database, on a
// server of the test's own (the shared one serves other tests at the same time).
TEST(ServerWideQuoting, ValuesStayDataWhenTheServerAndTheDatabaseTakeBackslashesAsEscapes)
{
    QTemporaryDir state;
    ASSERT_TRUE(state.isValid());
    const auto server = [&](const char* what) {
        QProcess p;
        p.start(S(KVP_PG_SERVER_SCRIPT), {S(what), state.path()});
        return p.waitForFinished(120000) && p.exitCode() == 0;
    };
    if (!server("start"))
        GTEST_SKIP() << "no PostgreSQL server can be started here";
    const auto stop = qScopeGuard([&] { server("stop"); });
    QFile portFile(state.path() + S("/port"));
    ASSERT_TRUE(portFile.open(QIODevice::ReadOnly));
    const QString connection = S("driver=QPSQL;host=127.0.0.1;port=%1;database=kvp_test;user=postgres")
                                   .arg(QString::fromLatin1(portFile.readAll().trimmed()));
    const auto withDatabase = [&](const QString& name, const std::function<void(QSqlDatabase&)>& body) {
        {
            QSqlDatabase db = addDatabase(ConnectionSettings::parse(connection), name);
            ASSERT_TRUE(db.open()) << db.lastError().text().toStdString();
            body(db);
        }
        QSqlDatabase::removeDatabase(name);
    };
    withDatabase(S("quoting-admin"), [](QSqlDatabase& db) {
        QSqlQuery q(db);
        ASSERT_TRUE(q.exec(S("ALTER SYSTEM SET standard_conforming_strings = off")));
        ASSERT_TRUE(q.exec(S("SELECT pg_reload_conf()")));
        ASSERT_TRUE(q.exec(S("ALTER DATABASE kvp_test SET standard_conforming_strings = off")));
        ASSERT_TRUE(q.exec(S("CREATE TABLE KEPT (X VARCHAR(200000))")));
    });
    withDatabase(S("quoting-till"), [](QSqlDatabase& db) {
        QSqlQuery show(db);
        ASSERT_TRUE(show.exec(S("SHOW standard_conforming_strings")) && show.next());
        ASSERT_EQ(show.value(0).toString(), S("off"));
        const QString values[] = {S("\\', 1); CREATE TABLE pwned (x int); --"),
                                  S("'; DROP TABLE KEPT; --"), S("\\\\'\\'"), QString(100000, QLatin1Char('y'))};
        QSqlQuery insert(db), read(db);
        ASSERT_TRUE(insert.prepare(S("INSERT INTO KEPT (X) VALUES (?)")));
        ASSERT_TRUE(read.prepare(S("SELECT X FROM KEPT WHERE X = ?")));
        for (const QString& v : values) {
            insert.addBindValue(v);
            EXPECT_TRUE(insert.exec()) << insert.lastError().text().toStdString();
            read.addBindValue(v);
            ASSERT_TRUE(read.exec() && read.next()) << read.lastError().text().left(200).toStdString();
            EXPECT_EQ(read.value(0).toString(), v);
        }
        QSqlQuery nul(db);
        ASSERT_TRUE(nul.prepare(S("INSERT INTO KEPT (X) VALUES (?)")));
        nul.addBindValue(QString(S("AB") + QChar(0) + S("CD")));
        EXPECT_FALSE(nul.exec());
        EXPECT_TRUE(nul.lastError().text().contains(S("NUL")));
        EXPECT_FALSE(nul.lastError().text().contains(S("AB")));
        QSqlQuery check(db);
        ASSERT_TRUE(check.exec(S("SELECT to_regclass('pwned') IS NULL, COUNT(*) FROM KEPT")) && check.next());
        EXPECT_TRUE(check.value(0).toBool()) << "a value ran as SQL";
        EXPECT_EQ(check.value(1).toInt(), 4);
    });
}

}  // namespace
}  // namespace kvp::test
