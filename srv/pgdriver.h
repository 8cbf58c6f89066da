#pragma once

// PostgreSQL through libpq, as a Qt SQL driver.
//
// Every value travels as a bound parameter of a prepared statement, never inside the text
// of a request: what a session's settings (standard_conforming_strings, the encoding) say
// about literals cannot change what a value means. A statement is prepared in the round
// trip of its first run, and a connection opened again (by the module, or by a host that
// closes and reopens it) prepares its statements again.
//
// Runs that do not need each other's answers can share one round trip: a run may be
// queued ahead (its answer is kept until the same statement runs with the same values),
// and whatever is queued goes to the server with the next request (libpq's pipeline
// mode). A transaction's BEGIN is queued the same way.

#include <QByteArray>
#include <QSqlDriver>
#include <QString>

#include <QList>
#include <QStringList>

class QSqlQuery;
typedef struct pg_conn PGconn;

namespace kvp::pg {

// A driver for QSqlDatabase::addDatabase(QSqlDriver*, name), which takes it over;
// connection strings keep saying driver=QPSQL.
QSqlDriver* newDriver();
// Whether a connection's driver is this one.
bool isOurs(const QSqlDriver* driver);
// The driver's libpq connection; nullptr when the driver is not this one or not open.
PGconn* connectionOf(const QSqlDriver* driver);

// The lock and statement time limits a session starts with, in milliseconds (0: none
// set). Given by the host, they travel inside the connection request and cost no round
// trip; as a default only (keepServers), a limit the server, the database or the role
// sets stands, and the check goes with the session's first statement.
struct SessionLimits {
    int lockTimeoutMs = 0;
    int statementTimeoutMs = 0;
    bool keepServers = false;
};
void setSessionLimits(QSqlDriver* driver, SessionLimits limits);
// Starts connecting in the background, with what a driver's open() would be handed (and
// these limits); the next open() asking for exactly the same takes that connection,
// waiting for it if it is not made yet, and reports its failure as its own. Never blocks.
void connectEarly(const QString& db, const QString& user, const QString& password,
                  const QString& host, int port, const QString& options, SessionLimits limits);
// Waits until the connection started early is made or has failed (tests, benchmarks).
void waitForEarlyConnection();

// A limit the server, the database or the role set and the session kept ("50ms"); empty
// when the session runs on ours or has not started its first statement yet.
QString serversLimit(const QSqlDriver* driver, bool lock);

// Requests on the wire since the driver was made: each round trip (a batch of requests
// sent together, then their answers) counts once, connecting included.
long roundTrips(const QSqlDriver* driver);

// Queues the run of a prepared query of this driver with the values bound to it now; its
// answer is kept for the query's own run with the same values. False for another driver's
// query.
bool queueAhead(QSqlQuery& query);
// Queues the run of a prepared query of this driver with the values bound to it now, its
// answer needed by nobody: it goes to the server with the next run, in that run's sync, so
// that if it fails, the next run fails with its error. For a write inside a transaction.
bool queueWrite(QSqlQuery& query);
// The answer kept for the query's run with the values bound to it now, without taking it:
// the column names (upper-cased), then each row as text (a NULL as a null string); empty
// when none is kept or it failed.
QList<QStringList> aheadRows(const QSqlQuery& query);

// Forgets the answer kept for the query's run with the values bound to it now.
void forgetAhead(QSqlQuery& query);
// Drops every answer queued ahead that no run has taken yet (at the end of a step: the
// next step must read the data as it is then).
void dropAhead(QSqlDriver* driver);
// Sends whatever is queued now, in one round trip, and keeps the answers.
bool sendQueued(QSqlDriver* driver, QString* error);

}  // namespace kvp::pg
