#pragma once

// The data module of the combined-promotion service: one database connection and one
// prepared query per statement, shared by the twenty data functions.

#include "connectionstring.h"
#include "statements.h"

#include "dataset.h"

#include <QDate>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QVariant>

#include <array>
#include <functional>
#include <map>
#include <memory>
#include <stdexcept>

namespace kvp {

// A database failure or a misuse of a statement; message() is the text a person sees.
class DataModuleError : public std::runtime_error {
public:
    explicit DataModuleError(const QString& message);
    QString message() const { return QString::fromUtf8(what()); }
};

// A connection named name, set up from the settings, not yet opened. PostgreSQL
// (driver=QPSQL) goes through our own libpq driver: values are bound, never written into SQL.
QSqlDatabase addDatabase(const ConnectionSettings& settings, const QString& name);

// Which dialect a connection speaks: Qt's own answer, or for ODBC the driver's
// SQL_DBMS_NAME when Qt does not know it. Raises DataModuleError for other databases.
Dialect detectDialect(const QSqlDatabase& db);
// The DBMS name an ODBC connection reports; empty for other drivers.
QString odbcDbmsName(const QSqlDatabase& db);

// A unit of work failed on an error a data function met and answered already; the text
// is that answer, as the host words it.
class WorkFailedError : public DataModuleError {
public:
    using DataModuleError::DataModuleError;
};

// Called with the call's name before every statement the data module runs and before a
// transaction begins or commits. Tests install one to fail a chosen call the way the
// database would (by raising, or by really breaking the connection); none in production.
using DataCallHook = std::function<void(const QString& call)>;
void setDataCallHook(DataCallHook hook);
void dataCallHook(const QString& call);
class SqlStatement;
// While the hook runs: the statement about to run, its values bound (benchmarks trace
// it); nullptr for a transaction's begin and commit.
const SqlStatement* hookedStatement();

// One prepared statement, bound by name.
//
// Qt binds a placeholder nobody set as NULL without complaint, and would silently reuse
// a value bound by the previous call. So every run must bind each of the statement's
// names anew, and binding a name the statement lacks is an error as well.
class SqlStatement {
public:
    SqlStatement(const QSqlDatabase& db, Stmt id, Dialect dialect);  // prepares
    // A statement of our own dialects only, under its own name.
    SqlStatement(const QSqlDatabase& db, const QString& name, const QString& text);
    SqlStatement(const SqlStatement&) = delete;
    SqlStatement& operator=(const SqlStatement&) = delete;

    const QString& name() const { return m_name; }
    const QString& text() const { return m_text; }
    const QStringList& parameters() const { return m_parameters; }

    // Binds a value to every occurrence of name (given without the colon).
    void bind(const QString& name, const QVariant& value);
    // Binds text; an empty text is bound as '' and never as NULL.
    void bindText(const QString& name, const QString& value);
    void bind(const char* name, const QVariant& value) { bind(QString::fromLatin1(name), value); }
    void bindText(const char* name, const QString& value)
    {
        bindText(QString::fromLatin1(name), value);
    }

    // Releases the previous rows, checks that every parameter was bound since the last
    // run, and runs the statement.
    void execute();
    // execute(), then whether the first row exists; the rows are released.
    bool executeAny();
    // All rows of the last execute() as a packet, then releases them. Column names are
    // upper-cased (PostgreSQL folds unquoted names to lower case); types come from
    // fields when given, else from the column catalogue (the driver's for columns it does
    // not know); text widths from the driver, or where the driver reports none, the
    // width fields give or else the item record's. A text longer than a width the driver reported
    // raises; a width only taken from the item record grows to the longest text, so that one long
    // name does not cost a whole list (the line refuses it when it is chosen). The structure is
    // worked out on the first run and kept.
    DataPacket takePacket(const FieldDefs& fields = {});
    // While reads are queued ahead (TrdmPromocaoCombinada::Ahead), execute() queued this
    // run instead of running it: it answers no rows.
    bool queuedOnly() const { return m_queuedOnly; }
    QSqlQuery& query() { return m_query; }
    QVariant boundValue(const QString& name) const
    {
        return m_values.value(m_parameters.indexOf(name));
    }
    void release() { m_query.finish(); }

private:
    void prepare(const QString& text);
    // A failure's text naming, not repeating, the values bound.
    QString withoutValues(const QString& text) const;

    QString m_name;
    QString m_text;
    QSqlQuery m_query;
    QStringList m_parameters;
    QStringList m_placeholders;  // ":" + each parameter, made once (Qt's binding)
    QList<bool> m_bound;         // by parameter, since the last run
    QVariantList m_values;       // by parameter, as last bound
    FieldDefs m_resultFields;      // a prepared statement's columns do not change between runs
    QList<bool> m_widthGuessed;    // text widths the driver did not report
    bool m_queuedOnly = false;
    bool m_reads = false;  // the text only reads
};

class TrdmPromocaoCombinada {
public:
    TrdmPromocaoCombinada();
    ~TrdmPromocaoCombinada();  // queries first, then the connection
    TrdmPromocaoCombinada(const TrdmPromocaoCombinada&) = delete;
    TrdmPromocaoCombinada& operator=(const TrdmPromocaoCombinada&) = delete;

    // Connecting asks the host for the connection string, opens it, learns the dialect
    // and lets the host prepare the session. Raises DataModuleError or
    // ConnectionStringError when the database cannot be reached. Connecting an open
    // module does nothing.
    void setConnected(bool on);
    bool connected() const { return m_connected; }

    // The connection; an invalid QSqlDatabase before the first connect.
    QSqlDatabase adcPromocaoCombinada() const;
    Dialect dialect() const { return m_dialect; }

    void adcPromocaoCombinadaBeforeConnect();
    void adcPromocaoCombinadaAfterConnect();
    // Connects through the host's TryConnect; raises like setConnected when the
    // connection stays closed.
    void MtsDataModuleActivate();
    void MtsDataModuleDeactivate() { setConnected(false); }

    // The statement, prepared on first use and kept for the connection's life.
    SqlStatement& statement(Stmt id);
    // The statements that only SQLite and PostgreSQL run (the shops' dialects answer the
    // same with the shared statements): one text for both, prepared on first use.
    // NumerosCombinacao and ReservaCaixa serve every dialect.
    enum class Own { VerificaPromo, Roteiro, PreSelecPadr, NumerosCombinacao, ReservaCaixa,
                     kCount };
    SqlStatement& ownStatement(Own id);
    // SQLite and PostgreSQL: the multi-row INSERT of an insert statement for rows rows,
    // under the statement's name, prepared on first use and kept like the others.
    SqlStatement& batchStatement(Stmt id, int rows);

    // P_DATA: today at midnight by the host's clock, in the form that compares correctly
    // with this dialect's date columns.
    QVariant dateParameter() const;

    // A unit of work: the data functions called between beginWork and commitWork share
    // one transaction, so their writes stand or fall together. commitWork raises the
    // first error any of them met (a function that answers false on failure included),
    // or the commit's own; rollbackWork never raises. Units do not nest.
    void beginWork();
    void commitWork();
    void rollbackWork() noexcept;
    bool inWork() const { return m_inWork; }
    // A data function's failure, remembered when it happens inside a unit of work. The
    // connection is not kept past the module after any failure: the next one is new.
    void noteError(const QString& text);
    // Replaces a connection the server ended (a killed session, a restart) after a
    // failure showed it; outside a unit of work only. Raises like setConnected when the
    // database is still away.
    void reconnectIfLost();

    // Reads sent ahead (PostgreSQL): while an Ahead lives, each read statement a data
    // function runs is queued with its values instead, and answers no rows, so that calling
    // the functions a step will call queues their reads. Whatever is queued goes to the
    // server with the next request, in the same round trip; the step's real run with the
    // same values then takes its answer without a round trip of its own. Nothing is queued
    // on other databases, and a data function's failure while queueing is not one.
    bool readsAhead() const;
    class Ahead {
    public:
        explicit Ahead(TrdmPromocaoCombinada& m);
        ~Ahead();
        Ahead(const Ahead&) = delete;
        Ahead& operator=(const Ahead&) = delete;

    private:
        bool m_was;
    };
    static bool queueing();
    // Sends what is queued now (one round trip); false when that failed.
    bool sendAhead();
    // Forgets every answer no run has taken (a step's end: the next reads what is then).
    void dropAhead();
    // The answer kept for s with the values bound to it now: the column names, then each
    // row as text; empty when none is kept.
    QList<QStringList> aheadRows(const SqlStatement& s) const;
    // Forgets the answer kept for s with the values bound to it now.
    void forgetAhead(SqlStatement& s);

    // Working tables of the two writing functions.
    DataSet cdsItemPromoComb{QStringLiteral("cdsItemPromoComb")};
    DataSet cdsPromoComb{QStringLiteral("cdsPromoComb")};

    // The connection, its prepared statements and what it was opened with: kept from
    // one module to the next while the host's connection string stays the same.
    struct Session {
        QString connectionName;
        QString connectionString;
        Dialect dialect = Dialect::Sqlite;
        std::array<std::unique_ptr<SqlStatement>, kStmtCount> statements;
        std::array<std::unique_ptr<SqlStatement>, static_cast<size_t>(Own::kCount)> own;
        std::map<std::pair<Stmt, int>, std::unique_ptr<SqlStatement>> batches;
        qint64 fileId = -1;  // SQLite: the database file's inode, to see it replaced
        QString filePath;    // SQLite: that file, whichever driver opened it
    };

private:
    void dropStatements();
    void connect(const std::function<bool(QSqlDatabase&)>& open);
    bool adoptKeptSession(const QString& connectionString);

    QString m_connectionName;
    QString m_connectionString;
    qint64 m_fileId = -1;
    QString m_filePath;
    bool m_keepable = false;  // an in-memory SQLite database dies with its connection
    bool m_failed = false;
    bool m_lost = false;  // closed after the server ended it; reopened by the next unit
    bool m_connected = false;
    bool m_inWork = false;
    QString m_workError;
    Dialect m_dialect = Dialect::Sqlite;
    // The last P_DATA text, kept for its day: every touch binds it.
    mutable QDate m_dateParameterDay;
    mutable QString m_dateParameterText;
    std::array<std::unique_ptr<SqlStatement>, kStmtCount> m_statements;
    std::array<std::unique_ptr<SqlStatement>, static_cast<size_t>(Own::kCount)> m_own;
    std::map<std::pair<Stmt, int>, std::unique_ptr<SqlStatement>> m_batches;
};

// The one shared module; empty when none exists.
extern TrdmPromocaoCombinada* rdmPromocaoCombinada;
// A screen's start-up: creates the module when there is none, then connects it. A failed
// connect raises (DataModuleError, ConnectionStringError) and leaves the module in place.
TrdmPromocaoCombinada& ensureDataModule();
// The owner's end of a run: frees the module and empties rdmPromocaoCombinada. A
// healthy connection is kept, with its prepared statements, for the next module on the
// same connection string; one that failed is closed.
void freeDataModule();
// Starts connecting to the database of the host's connection string in the background
// (PostgreSQL), so that the first sale's open finds the connection made; a slow or
// unreachable server is reported by the sale that needs it. Never raises, never blocks;
// does nothing when a connection is kept or open already, or for other databases.
void connectEarly();
// Closes the kept connection, if any (at the application's end, or when the database
// behind the connection string has been replaced).
void closeKeptSession();

}  // namespace kvp
