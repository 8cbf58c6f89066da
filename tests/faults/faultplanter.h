#pragma once

// Makes the Nth data call of whatever runs next fail, the way a database fails:
//  - StatementError: the statement raises an error;
//  - ConnectionLost: PostgreSQL ends the module's session (the statement then meets a
//    closed connection); SQLite has no session to lose, so the module's connection
//    handle is closed under it, as a dropped link leaves the driver;
//  - Locked: the test's second connection takes the database (SQLite: BEGIN EXCLUSIVE,
//    the module waiting 0 ms) or every table (PostgreSQL: LOCK TABLE, the module's role
//    waiting 200 ms) until the call has failed. BEGIN and COMMIT take no table lock, and
//    a lock the module's own open transaction keeps out cannot be taken: those calls
//    fail with the driver's "database is locked" text raised instead (counted apart).

#include "backends.h"

#include <QString>
#include <QStringList>

namespace kvp::test {

enum class Fault { StatementError, ConnectionLost, Locked };
QString faultName(Fault fault);

class FaultPlanter {
public:
    FaultPlanter(TestDatabase& shop, Fault fault);
    ~FaultPlanter();

    // The connection string the module must get for the fault to be real.
    static QString connectionString(const TestDatabase& shop);

    // Counts the data calls from now on; with at > 0 the call numbered `at` fails.
    void arm(int at);
    // Stops counting and lets go of any lock.
    void disarm();

    int calls() const { return m_calls; }
    bool fired() const { return !m_failedCall.isEmpty(); }
    QString failedCall() const { return m_failedCall; }
    // Locked faults raised as text because no real lock could be taken.
    int raisedLocks() const { return m_raisedLocks; }

private:
    void plant(const QString& call);
    bool lock();
    void unlock();
    // The module's round trips so far (PostgreSQL); 0 elsewhere.
    static long moduleTrips();

    TestDatabase& m_shop;
    Fault m_fault;
    int m_at = 0;
    int m_calls = 0;
    bool m_locked = false;
    long m_tripsAtLock = 0;
    int m_raisedLocks = 0;
    QString m_failedCall;
    QStringList m_tables;
};

}  // namespace kvp::test
