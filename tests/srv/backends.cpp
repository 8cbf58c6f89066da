#include "backends.h"

#include "connectionstring.h"
#include "rdmpromocaocombinada.h"

#include <QCoreApplication>
#include <QFile>
#include <QSqlError>
#include <QSqlQuery>

#include <stdexcept>

namespace kvp::test {

namespace {

const QString kAdminConnection = QStringLiteral("kvp-test-admin");

QSqlDatabase adminConnection(int port)
{
    if (QSqlDatabase::contains(kAdminConnection))
        return QSqlDatabase::database(kAdminConnection);
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), kAdminConnection);
    db.setHostName(QStringLiteral("127.0.0.1"));
    db.setPort(port);
    db.setDatabaseName(QStringLiteral("kvp_test"));
    db.setUserName(QStringLiteral("postgres"));
    if (!db.open())
        throw std::runtime_error(db.lastError().text().toStdString());
    return db;
}

void admin(int port, const QString& sql)
{
    QSqlQuery q(adminConnection(port));
    if (!q.exec(sql))
        throw std::runtime_error(QString(sql + QStringLiteral(": ") + q.lastError().text()).toStdString());
}

}  // namespace

QString backendName(Backend backend)
{
    switch (backend) {
    case Backend::Sqlite: return QStringLiteral("Sqlite");
    case Backend::Postgres: return QStringLiteral("Postgres");
    case Backend::OdbcSqlite: return QStringLiteral("OdbcSqlite");
    case Backend::OdbcPostgres: return QStringLiteral("OdbcPostgres");
    }
    return {};
}

void PrintTo(Backend backend, std::ostream* os) { *os << backendName(backend).toStdString(); }

bool usesPostgres(Backend backend)
{
    return backend == Backend::Postgres || backend == Backend::OdbcPostgres;
}

std::optional<int> postgresPort()
{
    bool ok = false;
    int port = qEnvironmentVariableIntValue("KVP_PG_PORT", &ok);
    if (ok && port > 0)
        return port;
    QFile file(QStringLiteral(KVP_PG_STATE_DIR "/port"));
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    port = QString::fromUtf8(file.readAll()).trimmed().toInt(&ok);
    return ok && port > 0 ? std::optional<int>(port) : std::nullopt;
}

TestDatabase::TestDatabase(Backend backend) : m_backend(backend)
{
    static int serial = 0;
    ++serial;
    m_fixtureConnection = QStringLiteral("kvp-test-fixture-%1").arg(serial);
    QSqlDatabase db;
    if (usesPostgres(backend)) {
        const auto port = postgresPort();
        if (!port)
            throw std::runtime_error("No PostgreSQL test server: run the tests through ctest");
        // A role per test whose own schema comes first on its search path keeps tests
        // that run side by side apart.
        m_role = QStringLiteral("kvp_%1_%2").arg(QCoreApplication::applicationPid()).arg(serial);
        admin(*port, QStringLiteral("CREATE ROLE %1 LOGIN").arg(m_role));
        admin(*port, QStringLiteral("CREATE SCHEMA %1 AUTHORIZATION %1").arg(m_role));
        db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), m_fixtureConnection);
        db.setHostName(QStringLiteral("127.0.0.1"));
        db.setPort(*port);
        db.setDatabaseName(QStringLiteral("kvp_test"));
        db.setUserName(m_role);
        if (backend == Backend::Postgres) {
            ConnectionSettings s;
            s.driver = QStringLiteral("QPSQL");
            s.host = QStringLiteral("127.0.0.1");
            s.port = *port;
            s.database = QStringLiteral("kvp_test");
            s.user = m_role;
            m_connectionString = s.toString();
        } else {
            m_connectionString =
                QStringLiteral("driver=QODBC;database=")
                + quoteConnectionValue(
                    QStringLiteral("Driver={PostgreSQL Unicode};Server=127.0.0.1;Port=%1;Database=kvp_test;Uid=%2")
                        .arg(*port)
                        .arg(m_role));
        }
    } else {
        if (!m_dir.isValid())
            throw std::runtime_error("No temporary folder");
        // A ";" in the file name checks the connection string's quoting; ODBC strings
        // have quoting rules of their own, so that one gets a plain name.
        const QString path = m_dir.filePath(backend == Backend::Sqlite ? QStringLiteral("shop;test.db")
                                                                       : QStringLiteral("shop.db"));
        db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_fixtureConnection);
        db.setDatabaseName(path);
        m_connectionString =
            backend == Backend::Sqlite
                ? QStringLiteral("driver=QSQLITE;database=") + quoteConnectionValue(path)
                : QStringLiteral("driver=QODBC;database=")
                      + quoteConnectionValue(QStringLiteral("Driver=SQLite3;Database=") + path);
    }
    if (!db.open())
        throw std::runtime_error(db.lastError().text().toStdString());
    m_fixture = std::make_unique<DatabaseFixture>(db);
    m_fixture->createSchema();
    if (!m_role.isEmpty()) {
        QSqlQuery q(db);
        if (q.exec(QStringLiteral("SELECT pg_backend_pid()")) && q.next())
            m_fixturePid = q.value(0).toInt();
    }
}

void TestDatabase::dropSessions()
{
    if (m_role.isEmpty())
        return;
    admin(*postgresPort(),
          // Waits for the sessions to end, so the next statement meets a closed one.
          QStringLiteral("SELECT pg_terminate_backend(pid, 5000) FROM pg_stat_activity "
                         "WHERE usename = '%1' AND pid <> %2")
              .arg(m_role)
              .arg(m_fixturePid));
}

void TestDatabase::refuseSessions(bool refuse)
{
    if (m_role.isEmpty())
        return;
    admin(*postgresPort(), QStringLiteral("ALTER ROLE %1 %2").arg(m_role, refuse ? QStringLiteral("NOLOGIN")
                                                                                : QStringLiteral("LOGIN")));
}

TestDatabase::~TestDatabase()
{
    m_fixture.reset();
    QSqlDatabase::database(m_fixtureConnection, false).close();
    QSqlDatabase::removeDatabase(m_fixtureConnection);
    if (!m_role.isEmpty()) {
        try {
            const int port = *postgresPort();
            admin(port, QStringLiteral("SELECT pg_terminate_backend(pid) FROM pg_stat_activity WHERE usename = '%1'").arg(m_role));
            admin(port, QStringLiteral("DROP SCHEMA %1 CASCADE").arg(m_role));
            admin(port, QStringLiteral("DROP ROLE %1").arg(m_role));
        } catch (const std::exception&) {
            // A leftover schema dies with the throw-away server.
        }
    }
}

}  // namespace kvp::test
