#pragma once

// The databases the data-service tests run against, each in a database of its own:
// SQLite through Qt's driver and through ODBC, PostgreSQL through Qt's driver and
// through ODBC. The PostgreSQL server is started by the test run (pg_server.sh); its
// port comes from KVP_PG_PORT or from the file the start script writes.

#include "fixture.h"

#include <QString>
#include <QTemporaryDir>

#include <memory>
#include <ostream>
#include <optional>

namespace kvp::test {

enum class Backend { Sqlite, Postgres, OdbcSqlite, OdbcPostgres };
QString backendName(Backend backend);
bool usesPostgres(Backend backend);
// Test names carry the backend's name rather than its bytes.
void PrintTo(Backend backend, std::ostream* os);

// The port of the test server; nothing when no server was started.
std::optional<int> postgresPort();

// A fresh, empty database with the schema created, for one test.
class TestDatabase {
public:
    explicit TestDatabase(Backend backend);
    ~TestDatabase();

    // What the host hands the data module.
    QString connectionString() const { return m_connectionString; }
    // A second connection of the test's own for filling and checking tables.
    DatabaseFixture& fixture() { return *m_fixture; }
    Backend backend() const { return m_backend; }
    // PostgreSQL: ends every session of the test's role, as a server restart would.
    void dropSessions();
    // PostgreSQL: refuses (or again allows) new sessions of the test's role, as a stopped
    // server would.
    void refuseSessions(bool refuse);

private:
    Backend m_backend;
    QTemporaryDir m_dir;
    QString m_role;
    int m_fixturePid = 0;
    QString m_fixtureConnection;
    QString m_connectionString;
    std::unique_ptr<DatabaseFixture> m_fixture;
};

}  // namespace kvp::test
