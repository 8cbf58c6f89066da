#include "faultplanter.h"

#include "pgdriver.h"

#include "rdmpromocaocombinada.h"

#include <QSqlError>
#include <QSqlQuery>

#include <stdexcept>

namespace kvp::test {

namespace {

const QString kLockedText = QStringLiteral("database is locked");

void run(QSqlDatabase db, const QString& sql)
{
    QSqlQuery q(db);
    if (!q.exec(sql))
        throw std::runtime_error(QString(sql + QStringLiteral(": ") + q.lastError().text()).toStdString());
}

}  // namespace

QString faultName(Fault fault)
{
    switch (fault) {
    case Fault::StatementError: return QStringLiteral("StatementError");
    case Fault::ConnectionLost: return QStringLiteral("ConnectionLost");
    case Fault::Locked: return QStringLiteral("Locked");
    }
    return {};
}

QString FaultPlanter::connectionString(const TestDatabase& shop)
{
    // A till must not wait on another's lock for Qt's default five seconds here.
    return shop.backend() == Backend::Sqlite
        ? shop.connectionString() + QStringLiteral(";options=QSQLITE_BUSY_TIMEOUT=0")
        : shop.connectionString();
}

FaultPlanter::FaultPlanter(TestDatabase& shop, Fault fault) : m_shop(shop), m_fault(fault)
{
    if (fault != Fault::Locked)
        return;
    QSqlDatabase db = shop.fixture().database();
    if (usesPostgres(shop.backend())) {
        // Sessions opened from now on (the module's) give up on a lock after 200 ms.
        run(db, QStringLiteral("ALTER ROLE CURRENT_USER SET lock_timeout = '50ms'"));
        run(db, QStringLiteral("SET lock_timeout = '50ms'"));
        QSqlQuery q(db);
        q.exec(QStringLiteral("SELECT tablename FROM pg_tables WHERE schemaname = current_schema()"));
        while (q.next())
            m_tables << q.value(0).toString();
    } else {
        run(db, QStringLiteral("PRAGMA busy_timeout = 0"));
    }
}

FaultPlanter::~FaultPlanter()
{
    setDataCallHook({});
    unlock();
}

void FaultPlanter::arm(int at)
{
    m_at = at;
    m_calls = 0;
    m_failedCall.clear();
    setDataCallHook([this](const QString& call) {
        ++m_calls;
        // A lock stands for one call only: the till waiting on it fails, the next goes on.
        // A call whose statement waits to go with the next one (a write inside a unit)
        // meets the lock when it goes.
        if (!m_locked || moduleTrips() != m_tripsAtLock)
            unlock();
        if (m_calls == m_at)
            plant(call);
    });
}

void FaultPlanter::disarm()
{
    setDataCallHook({});
    unlock();
}

void FaultPlanter::plant(const QString& call)
{
    m_failedCall = call;
    switch (m_fault) {
    case Fault::StatementError:
        throw DataModuleError(QStringLiteral("injected failure at ") + call);
    case Fault::ConnectionLost:
        if (usesPostgres(m_shop.backend())) {
            m_shop.dropSessions();
        } else if (rdmPromocaoCombinada) {
            rdmPromocaoCombinada->adcPromocaoCombinada().close();
        }
        return;
    case Fault::Locked:
        // An answer sent ahead was read before the lock: this call must meet it.
        if (rdmPromocaoCombinada)
            rdmPromocaoCombinada->dropAhead();
        if (call == QLatin1String("BEGIN") || call == QLatin1String("COMMIT") || !lock()) {
            ++m_raisedLocks;
            throw DataModuleError(kLockedText);
        }
        return;
    }
}

bool FaultPlanter::lock()
{
    QSqlDatabase db = m_shop.fixture().database();
    QSqlQuery q(db);
    if (usesPostgres(m_shop.backend())) {
        if (!q.exec(QStringLiteral("BEGIN")))
            return false;
        m_locked = true;
        m_tripsAtLock = moduleTrips();
        if (!q.exec(QStringLiteral("LOCK TABLE %1 IN ACCESS EXCLUSIVE MODE").arg(m_tables.join(QLatin1Char(','))))) {
            unlock();
            return false;
        }
        return true;
    }
    if (!q.exec(QStringLiteral("BEGIN EXCLUSIVE")))
        return false;
    m_locked = true;
    return true;
}

long FaultPlanter::moduleTrips()
{
    return rdmPromocaoCombinada ? pg::roundTrips(rdmPromocaoCombinada->adcPromocaoCombinada().driver()) : 0;
}

void FaultPlanter::unlock()
{
    if (!m_locked)
        return;
    m_locked = false;
    QSqlQuery q(m_shop.fixture().database());
    q.exec(QStringLiteral("ROLLBACK"));
}

}  // namespace kvp::test
