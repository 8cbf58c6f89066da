#include "rdmpromocaocombinada.h"

#include "pgdriver.h"
#include "schema.h"

#include "hostservices.h"
#include "itemrecord.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlField>
#include <QSqlRecord>

#include <algorithm>
#include <atomic>
#include <optional>

#include <sql.h>
#include <sqlext.h>

#include <libpq-fe.h>
#include <poll.h>
#include <sys/stat.h>

#include <utility>

namespace kvp {

TrdmPromocaoCombinada* rdmPromocaoCombinada = nullptr;

namespace {
DataCallHook g_dataCallHook;
const SqlStatement* g_hooked = nullptr;
bool g_queueing = false;
bool g_deferWrites = false;  // a unit of work is open on a connection that can queue

// A statement that only reads: the only kind worth sending ahead, and the only kind that
// may run before its step asks for it.
bool onlyReads(const QString& text)
{
    const QStringView t = QStringView(text).trimmed();
    return t.startsWith(QLatin1String("SELECT"), Qt::CaseInsensitive) ||
           t.startsWith(QLatin1String("WITH"), Qt::CaseInsensitive);
}
}

const SqlStatement* hookedStatement() { return g_hooked; }

void setDataCallHook(DataCallHook hook) { g_dataCallHook = std::move(hook); }

void dataCallHook(const QString& call)
{
    if (g_dataCallHook)
        g_dataCallHook(call);
}

DataModuleError::DataModuleError(const QString& message)
    : std::runtime_error(message.toStdString())
{
}

namespace {

// What the connection's session waits for a lock before it gives up, and the statement time
// limit, as a person reads them ("5 s"); set at each connect, named in the error of a
// statement that gave up.
QString g_lockWait;
QString g_statementLimit;

QString sqlErrorText(const QSqlError& error)
{
    QString text = error.text().trimmed();
    if (text.isEmpty())
        return QStringLiteral("Unknown database error");
    // SQLite's SQLITE_BUSY and SQLITE_LOCKED; PostgreSQL's lock_not_available and
    // query_canceled (the statement time limit).
    const QString code = error.nativeErrorCode();
    if (rdmPromocaoCombinada) {
        // A limit the server or the role set, which the session kept.
        const QSqlDriver* driver = rdmPromocaoCombinada->adcPromocaoCombinada().driver();
        const QString lock = pg::serversLimit(driver, true);
        const QString statement = pg::serversLimit(driver, false);
        if (!lock.isEmpty())
            g_lockWait = lock;
        if (!statement.isEmpty())
            g_statementLimit = statement;
    }
    if ((code == QLatin1String("5") || code == QLatin1String("6") ||
         code == QLatin1String("55P03")) &&
        !g_lockWait.isEmpty())
        text += QStringLiteral(
                    " (gave up after waiting %1 for a lock another connection holds: "
                    "another till, or the host)")
                    .arg(g_lockWait);
    else if (code == QLatin1String("57014") && !g_statementLimit.isEmpty())
        text +=
            QStringLiteral(" (stopped after %1, the statement time limit)").arg(g_statementLimit);
    return text;
}

QString secondsText(int seconds)
{
    return QStringLiteral("%1 s").arg(seconds);
}

// SQLite's busy wait in milliseconds from the driver's connect options; none if not given.
std::optional<int> sqliteBusyOption(const QString& options)
{
    static const QRegularExpression busy(QStringLiteral("QSQLITE_BUSY_TIMEOUT\\s*=\\s*(\\d+)"));
    const QRegularExpressionMatch m = busy.match(options);
    if (!m.hasMatch())
        return std::nullopt;
    return m.captured(1).toInt();
}

QString millisecondsText(int ms)
{
    return ms % 1000 == 0 ? secondsText(ms / 1000) : QStringLiteral("%1 ms").arg(ms);
}

FieldDef fieldFromDriver(const QSqlField& field, const QString& name)
{
    switch (field.metaType().id()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Short:
    case QMetaType::UShort: return integerField(name);
    case QMetaType::Double:
    case QMetaType::Float: return floatField(name);
    case QMetaType::QDateTime:
    case QMetaType::QDate: return dateTimeField(name);
    case QMetaType::QByteArray: return blobField(name);
    default: return stringField(name, field.length() > 0 ? field.length() : 0);
    }
}

// The width the item record gives a field of that name; 0 when it has none.
int itemRecordWidth(const QString& name)
{
    static const FieldDefs item = records::itemProd();
    for (const FieldDef& f : item)
        if (f.name == name && f.type == FieldType::String)
            return f.size;
    return 0;
}

// A column's meaning (text, number, date) is the module's where it knows the column; its
// size is always the shop's: the driver's length, else the item record's width (SQLite
// reports no lengths; guessed then), else no limit. Our own schema's widths never cut a
// shop's data.
FieldDef resultField(const QSqlField& field, const QString& name, bool& guessed)
{
    const FieldDef fromDriver = fieldFromDriver(field, name);
    FieldDef def = catalogueField(name).value_or(fromDriver);
    def.name = name;
    guessed = false;
    if (def.type == FieldType::String) {
        guessed = !(fromDriver.type == FieldType::String && field.length() > 0);
        def.size = guessed ? itemRecordWidth(name) : field.length();
    }
    return def;
}

}  // namespace

namespace {

pg::SessionLimits sessionLimits(const ConnectionSettings& settings)
{
    const int lock = settings.timeoutOrDefault();
    return {lock * 1000, 2 * lock * 1000, settings.timeout <= 0};
}

}  // namespace

QSqlDatabase addDatabase(const ConnectionSettings& settings, const QString& name)
{
    // The connection owns its own driver: a registered one would outlive the program's
    // statics.
    QSqlDatabase db = settings.driver == QLatin1String("QPSQL")
                          ? QSqlDatabase::addDatabase(pg::newDriver(), name)
                          : QSqlDatabase::addDatabase(settings.driver, name);
    db.setDatabaseName(settings.database);
    db.setHostName(settings.host);
    if (settings.port >= 0)
        db.setPort(settings.port);
    db.setUserName(settings.user);
    db.setPassword(settings.password);
    db.setConnectOptions(settings.options);
    return db;
}

// --- Dialect --------------------------------------------------------------------------

QString odbcDbmsName(const QSqlDatabase& db)
{
    if (db.driverName() != QLatin1String("QODBC") || !db.isOpen())
        return {};
    const QVariant handle = db.driver()->handle();
    if (!handle.isValid() || handle.metaType().sizeOf() != sizeof(SQLHDBC))
        return {};
    const SQLHDBC hdbc = *static_cast<const SQLHDBC*>(handle.constData());
    if (!hdbc)
        return {};
    SQLCHAR name[256] = {};
    SQLSMALLINT length = 0;
    const SQLRETURN rc = SQLGetInfo(hdbc, SQL_DBMS_NAME, name, sizeof(name), &length);
    if (!SQL_SUCCEEDED(rc))
        return {};
    return QString::fromUtf8(reinterpret_cast<const char*>(name)).trimmed();
}

Dialect detectDialect(const QSqlDatabase& db)
{
    if (pg::isOurs(db.driver()))
        return Dialect::PostgreSql;
    switch (db.driver()->dbmsType()) {
    case QSqlDriver::MSSqlServer: return Dialect::MsSql;
    case QSqlDriver::Oracle: return Dialect::Oracle;
    case QSqlDriver::SQLite: return Dialect::Sqlite;
    case QSqlDriver::PostgreSQL: return Dialect::PostgreSql;
    default: break;
    }
    const QString name = odbcDbmsName(db);
    if (name.contains(QLatin1String("SQL Server"), Qt::CaseInsensitive))
        return Dialect::MsSql;
    if (name.contains(QLatin1String("Oracle"), Qt::CaseInsensitive))
        return Dialect::Oracle;
    if (name.contains(QLatin1String("SQLite"), Qt::CaseInsensitive))
        return Dialect::Sqlite;
    if (name.contains(QLatin1String("PostgreSQL"), Qt::CaseInsensitive))
        return Dialect::PostgreSql;
    throw DataModuleError(
        QStringLiteral("Unsupported database \"%1\" (driver %2): SQL Server, Oracle, SQLite or PostgreSQL expected")
            .arg(name, db.driverName()));
}

// --- SqlStatement -------------------------------------------------------------------

SqlStatement::SqlStatement(const QSqlDatabase& db, Stmt id, Dialect dialect)
    : m_name(statementName(id)), m_query(db)
{
    prepare(statementText(id, dialect));
}

SqlStatement::SqlStatement(const QSqlDatabase& db, const QString& name, const QString& text)
    : m_name(name), m_query(db)
{
    prepare(text);
}

void SqlStatement::prepare(const QString& text)
{
    m_text = text;
    m_reads = onlyReads(text);
    m_parameters = placeholderNames(text);
    m_bound = QList<bool>(m_parameters.size(), false);
    m_values = QVariantList(m_parameters.size());
    m_query.setForwardOnly(true);
    m_placeholders.clear();
    for (const QString& name : std::as_const(m_parameters))
        m_placeholders.append(QLatin1Char(':') + name);
    if (!m_query.prepare(text))
        throw DataModuleError(QStringLiteral("%1: %2").arg(m_name, sqlErrorText(m_query.lastError())));
}

void SqlStatement::bind(const QString& name, const QVariant& value)
{
    const qsizetype i = m_parameters.indexOf(name);
    if (i < 0)
        throw DataModuleError(
            QStringLiteral("%1 has no parameter %2").arg(m_name, name));
    // No database keeps a NUL inside a text: PostgreSQL refuses it, others cut the text
    // there. The value itself is not repeated: it may be anything a host passed.
    // The module binds codes, numbers, dates and times, never free text: a text longer than
    // any of them is refused whole, so that no server or driver repeats a piece of it.
    constexpr qsizetype kLongestText = 400;
    if (value.typeId() == QMetaType::QString &&
        static_cast<const QString*>(value.constData())->size() > kLongestText)
        throw DataModuleError(
            QStringLiteral("%1: the value of %2 is %3 characters long, longer than any code, "
                           "number or date it could stand for")
                .arg(m_name, name)
                .arg(static_cast<const QString*>(value.constData())->size()));
    if (value.typeId() == QMetaType::QString &&
        static_cast<const QString*>(value.constData())->contains(QChar(0)))
        throw DataModuleError(
            QStringLiteral(
                "%1: the value of %2 holds a NUL character, which no text column can store")
                .arg(m_name, name));
    m_query.bindValue(m_placeholders.at(i), value);
    m_values[i] = value;
    m_bound[i] = true;
}

void SqlStatement::bindText(const QString& name, const QString& value)
{
    // A null QString would reach the database as NULL.
    bind(name, value.isNull() ? QStringLiteral("") : value);
}

void SqlStatement::execute()
{
    m_query.finish();
    QStringList missing;
    for (qsizetype i = 0; i < m_parameters.size(); ++i) {
        if (!m_bound.at(i))
            missing.append(m_parameters.at(i));
        m_bound[i] = false;
    }
    if (!missing.isEmpty())
        throw DataModuleError(QStringLiteral("%1: parameter %2 not bound")
                                  .arg(m_name, missing.join(QStringLiteral(", "))));
    m_queuedOnly = g_queueing;
    if (m_queuedOnly) {
        // Not a call yet: the step's own run is, and the hook sees that one.
        if (m_reads)
            pg::queueAhead(m_query);
        return;
    }
    if (!m_reads)  // a write changes what reads sent ahead of it would answer
        pg::dropAhead(const_cast<QSqlDriver*>(m_query.driver()));
    if (g_dataCallHook) {
        g_hooked = this;
        try {
            g_dataCallHook(m_name);
        } catch (...) {
            g_hooked = nullptr;
            throw;
        }
        g_hooked = nullptr;
    }
    // Inside a unit of work a write needs no answer of its own: it goes with the unit's
    // next statement, and should it fail, that statement fails with its error (and so the
    // unit).
    if (g_deferWrites && !m_reads && pg::queueWrite(m_query))
        return;
    if (m_query.exec())
        return;
    // A statement the server could not prepare is named, as when preparing fails at once.
    const QSqlError error = m_query.lastError();
    const QString text = withoutValues(sqlErrorText(error));
    if (error.driverText().endsWith(QLatin1String("Unable to prepare statement")))
        throw DataModuleError(QStringLiteral("%1: %2").arg(m_name, text));
    throw DataModuleError(text);
}

QString SqlStatement::withoutValues(const QString& text) const
{
    QList<std::pair<QString, QString>> values;
    for (qsizetype i = 0; i < m_parameters.size(); ++i)
        if (m_values.at(i).typeId() == QMetaType::QString)
            values.append({m_parameters.at(i), m_values.at(i).toString()});
    return kvp::withoutValues(text, values);
}

bool SqlStatement::executeAny()
{
    execute();
    if (m_queuedOnly)
        return false;
    const bool any = m_query.next();
    if (!any && m_query.lastError().isValid())
        throw DataModuleError(sqlErrorText(m_query.lastError()));
    m_query.finish();
    return any;
}

DataPacket SqlStatement::takePacket(const FieldDefs& fields)
{
    if (m_queuedOnly) {
        DataPacket none;
        none.fields = fields.isEmpty() ? m_resultFields : fields;
        return none;
    }
    if (m_resultFields.isEmpty()) {
        const QSqlRecord record = m_query.record();
        if (!fields.isEmpty()) {
            if (fields.size() != record.count())
                throw DataModuleError(QStringLiteral("%1 returned %2 columns, %3 expected")
                                          .arg(m_name)
                                          .arg(record.count())
                                          .arg(fields.size()));
            // The fields' meanings are the caller's; a text's width is still the shop's.
            m_resultFields = fields;
            m_widthGuessed = QList<bool>(fields.size(), false);
            for (int i = 0; i < fields.size(); ++i) {
                if (fields[i].type != FieldType::String)
                    continue;
                const int length = record.field(i).length();
                if (length > 0)
                    m_resultFields[i].size = length;
                else
                    m_widthGuessed[i] = true;
            }
        }
        for (int i = 0; fields.isEmpty() && i < record.count(); ++i) {
            bool guessed = false;
            m_resultFields.append(resultField(record.field(i), record.fieldName(i).toUpper(), guessed));
            m_widthGuessed.append(guessed);
        }
    }
    DataPacket packet;
    packet.fields = m_resultFields;
    while (m_query.next()) {
        Row row;
        row.reserve(packet.fields.size());
        for (int i = 0; i < packet.fields.size(); ++i) {
            FieldDef& field = packet.fields[i];
            if (!m_widthGuessed.at(i)) {
                row.append(coerceToField(field, m_query.value(i)));
                continue;
            }
            FieldDef open = field;
            open.size = 0;
            const QVariant value = coerceToField(open, m_query.value(i));
            if (field.size > 0)  // no width at all stays no limit
                field.size = std::max(field.size, characterCount(value.toString()));
            row.append(value);
        }
        packet.rows.append(std::move(row));
    }
    const QSqlError error = m_query.lastError();
    m_query.finish();
    if (error.isValid())
        throw DataModuleError(sqlErrorText(error));
    return packet;
}

// --- TrdmPromocaoCombinada -----------------------------------------------------------

TrdmPromocaoCombinada::TrdmPromocaoCombinada()
{
    static int serial = 0;
    m_connectionName = QStringLiteral("rdmPromocaoCombinada-%1").arg(++serial);
}

namespace {

// Never destroyed with the program's statics: the SQL drivers may be gone by then. The
// application's end closes it (qAddPostRoutine); without an application it is left to
// the operating system.
TrdmPromocaoCombinada::Session* g_kept = nullptr;

// The identity of a database file, so that a file replaced under the same name is not
// taken for the one the kept connection has open. -1 when there is no such file.
qint64 fileIdentity(const QString& path)
{
    struct stat st{};
    if (path.isEmpty() || path.startsWith(QLatin1Char(':')) || ::stat(QFile::encodeName(path).constData(), &st) != 0)
        return -1;
    return static_cast<qint64>(st.st_ino) ^ (static_cast<qint64>(st.st_dev) << 40);
}

// Whether a kept connection still works. Without a round trip where that can be told: a
// server that ended the session has left its farewell (or the end of the stream) on an
// idle PostgreSQL socket; a SQLite file must be the same file. ODBC asks the server.
bool stillAlive(const QSqlDatabase& db, Dialect dialect, qint64 fileId, const QString& filePath)
{
    if (!db.isValid() || !db.isOpen())
        return false;
    // Through ODBC too: a probe would run on the old file, which the connection holds.
    if (dialect == Dialect::Sqlite)
        return fileId >= 0 && fileIdentity(filePath) == fileId;
    const QString driver = db.driverName();
    const QVariant handle = db.driver()->handle();
    if (!handle.isValid() || handle.metaType().sizeOf() != sizeof(void*))
        return true;
    void* const raw = *static_cast<void* const*>(handle.constData());
    if (!raw)
        return false;
    if (PGconn* const conn = pg::connectionOf(db.driver())) {
        if (PQstatus(conn) != CONNECTION_OK)
            return false;
        pollfd fd{PQsocket(conn), POLLIN, 0};
        return fd.fd >= 0 && ::poll(&fd, 1, 0) == 0;
    }
    if (driver == QLatin1String("QODBC")) {
        SQLUINTEGER dead = SQL_CD_FALSE;
        const SQLRETURN rc = SQLGetConnectAttr(static_cast<SQLHDBC>(raw), SQL_ATTR_CONNECTION_DEAD, &dead, 0, nullptr);
        if (SQL_SUCCEEDED(rc) && dead == SQL_CD_TRUE)
            return false;
        // Not every driver notices a dead connection before using it: one probe, still
        // far cheaper than a new connection and its prepared statements.
        QSqlQuery probe(db);
        return probe.exec(dialect == Dialect::Oracle ? QStringLiteral("SELECT 1 FROM DUAL")
                                                     : QStringLiteral("SELECT 1")) &&
               probe.next();
    }
    return true;
}

// The file of a SQLite database, as SQLite itself names it: through ODBC the database
// name is the driver's connection string. Empty for an in-memory database.
QString sqliteFile(const QSqlDatabase& db)
{
    if (db.driverName() == QLatin1String("QSQLITE"))
        return db.databaseName();
    QSqlQuery q(db);
    if (!q.exec(QStringLiteral("PRAGMA database_list")))
        return {};
    while (q.next()) {
        if (q.value(1).toString() == QLatin1String("main"))
            return q.value(2).toString();
    }
    return {};
}

void closeSession(TrdmPromocaoCombinada::Session& session)
{
    // ODBC refuses to close a connection that still has statements.
    for (auto& st : session.statements)
        st.reset();
    for (auto& st : session.own)
        st.reset();
    session.batches.clear();
    if (QSqlDatabase::contains(session.connectionName)) {
        {
            QSqlDatabase db = QSqlDatabase::database(session.connectionName, false);
            if (db.isValid())
                db.close();
        }
        QSqlDatabase::removeDatabase(session.connectionName);
    }
}

}  // namespace

void connectEarly()
{
    try {
        const QString connection = host().GetStringConexQmt(QString());
        if ((g_kept && g_kept->connectionString == connection) ||
            (rdmPromocaoCombinada && rdmPromocaoCombinada->connected()))
            return;
        const ConnectionSettings settings = ConnectionSettings::parse(connection);
        if (settings.driver != QLatin1String("QPSQL"))
            return;
        pg::connectEarly(settings.database, settings.user, settings.password, settings.host,
                         settings.port, settings.options, sessionLimits(settings));
    } catch (...) {
        // The first sale connects, and says why it could not.
    }
}

void closeKeptSession()
{
    if (!g_kept)
        return;
    const std::unique_ptr<TrdmPromocaoCombinada::Session> session(std::exchange(g_kept, nullptr));
    closeSession(*session);
}

TrdmPromocaoCombinada::~TrdmPromocaoCombinada()
{
    // A healthy connection outlives the module: the next sale needs neither a new
    // connection nor new prepared statements.
    if (m_connected && !m_failed && !m_inWork && m_keepable) {
        closeKeptSession();
        g_kept = new Session();
        g_kept->connectionName = m_connectionName;
        g_kept->connectionString = m_connectionString;
        g_kept->dialect = m_dialect;
        g_kept->fileId = m_fileId;
        g_kept->filePath = m_filePath;
        g_kept->statements = std::move(m_statements);
        g_kept->own = std::move(m_own);
        g_kept->batches = std::move(m_batches);
        static const bool closesAtExit = [] {
            qAddPostRoutine(closeKeptSession);
            return true;
        }();
        Q_UNUSED(closesAtExit);
        return;
    }
    setConnected(false);
    if (QSqlDatabase::contains(m_connectionName))
        QSqlDatabase::removeDatabase(m_connectionName);
}

bool TrdmPromocaoCombinada::adoptKeptSession(const QString& connectionString)
{
    if (!g_kept)
        return false;
    if (g_kept->connectionString != connectionString ||
        !stillAlive(QSqlDatabase::database(g_kept->connectionName, false), g_kept->dialect,
                    g_kept->fileId, g_kept->filePath)) {
        closeKeptSession();
        return false;
    }
    const std::unique_ptr<Session> session(std::exchange(g_kept, nullptr));
    if (QSqlDatabase::contains(m_connectionName))
        QSqlDatabase::removeDatabase(m_connectionName);
    m_connectionName = session->connectionName;
    m_dialect = session->dialect;
    m_fileId = session->fileId;
    m_filePath = session->filePath;
    m_keepable = true;
    m_statements = std::move(session->statements);
    m_own = std::move(session->own);
    m_batches = std::move(session->batches);
    return true;
}

QSqlDatabase TrdmPromocaoCombinada::adcPromocaoCombinada() const
{
    return QSqlDatabase::contains(m_connectionName)
        ? QSqlDatabase::database(m_connectionName, false)
        : QSqlDatabase();
}

void TrdmPromocaoCombinada::dropStatements()
{
    // ODBC refuses to close a connection that still has statements.
    for (auto& s : m_statements)
        s.reset();
    for (auto& s : m_own)
        s.reset();
    m_batches.clear();
}

void TrdmPromocaoCombinada::adcPromocaoCombinadaBeforeConnect()
{
    const ConnectionSettings settings = ConnectionSettings::parse(m_connectionString);
    if (settings.driver != QLatin1String("QPSQL") && !QSqlDatabase::isDriverAvailable(settings.driver))
        throw DataModuleError(
            QStringLiteral("Database driver %1 is not available").arg(settings.driver));
    // SQLite makes an empty database where the file is missing: the shop's database gone
    // (removed, a disk not mounted) would then answer "no such table" and leave an empty
    // file in its place for every till to find.
    if (settings.driver == QLatin1String("QSQLITE") && settings.database != QLatin1String(":memory:")
        && !settings.options.contains(QLatin1String("QSQLITE_OPEN_URI"))
        && !QFileInfo::exists(settings.database))
        throw DataModuleError(
            QStringLiteral("Cannot connect to the database: the file %1 does not exist").arg(settings.database));
    if (QSqlDatabase::contains(m_connectionName))
        QSqlDatabase::removeDatabase(m_connectionName);
    ConnectionSettings bounded = settings;
    g_lockWait.clear();
    g_statementLimit.clear();
    if (settings.driver == QLatin1String("QSQLITE")) {
        // Every wait on another connection's lock is bounded: the host's own busy option
        // stands, else the time-out (Qt's default would be five seconds, unnamed).
        const std::optional<int> own = sqliteBusyOption(settings.options);
        const int ms = own.value_or(settings.timeoutOrDefault() * 1000);
        if (!own)
            bounded.options += (bounded.options.isEmpty() ? QString() : QStringLiteral(";")) +
                               QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(ms);
        g_lockWait = millisecondsText(ms);
    }
    QSqlDatabase db = addDatabase(bounded, m_connectionName);
    if (pg::isOurs(db.driver())) {
        // PostgreSQL waits for a lock, and runs a statement, as long as it takes unless
        // told: a till or host holding a lock would hang the screen. The time-out the host
        // gives stands; without one, a limit the server, the database or the role gave
        // stands, and none gets the default. A statement may run twice its lock wait, so
        // that a lock wait ends as one.
        const pg::SessionLimits limits = sessionLimits(settings);
        pg::setSessionLimits(db.driver(), limits);
        g_lockWait = millisecondsText(limits.lockTimeoutMs);
        g_statementLimit = millisecondsText(limits.statementTimeoutMs);
    }
}

void TrdmPromocaoCombinada::adcPromocaoCombinadaAfterConnect()
{
    QSqlDatabase db = adcPromocaoCombinada();
    host().SetADODBSession(db);
}

void TrdmPromocaoCombinada::beginWork()
{
    if (m_inWork)
        throw DataModuleError(QStringLiteral("A unit of work is already open"));
    QSqlDatabase db = adcPromocaoCombinada();
    if (!m_connected)
        throw DataModuleError(QStringLiteral("Cannot start a transaction: not connected"));
    dataCallHook(QStringLiteral("BEGIN"));
    if (!db.transaction())
        throw DataModuleError(
            QStringLiteral("Cannot start a transaction: %1").arg(sqlErrorText(db.lastError())));
    m_inWork = true;
    m_workError.clear();
    g_deferWrites = readsAhead();
}

void TrdmPromocaoCombinada::commitWork()
{
    if (!m_inWork)
        throw DataModuleError(QStringLiteral("No unit of work is open"));
    if (!m_workError.isEmpty()) {
        const QString error = m_workError;
        rollbackWork();
        throw WorkFailedError(error);
    }
    g_deferWrites = false;
    try {
        dataCallHook(QStringLiteral("COMMIT"));
        QSqlDatabase db = adcPromocaoCombinada();
        if (!db.commit())
            throw DataModuleError(sqlErrorText(db.lastError()));
    } catch (...) {
        rollbackWork();
        throw;
    }
    m_inWork = false;
}

void TrdmPromocaoCombinada::rollbackWork() noexcept
{
    if (!m_inWork)
        return;
    m_inWork = false;
    g_deferWrites = false;
    m_workError.clear();
    // A lost connection has rolled back on the server already; nothing more to do then.
    QSqlDatabase db = adcPromocaoCombinada();
    if (db.isValid() && db.isOpen())
        db.rollback();
}

void TrdmPromocaoCombinada::noteError(const QString& text)
{
    m_failed = true;
    if (m_inWork && m_workError.isEmpty())
        m_workError = text.isEmpty() ? QStringLiteral("Unknown database error") : text;
}

void TrdmPromocaoCombinada::reconnectIfLost()
{
    if (m_inWork)
        return;
    if (m_connected) {
        // Only after a failure: asking costs ODBC a round trip.
        if (!m_failed || !m_keepable ||
            stillAlive(adcPromocaoCombinada(), m_dialect, m_fileId, m_filePath))
            return;
        setConnected(false);
        m_lost = true;
    }
    if (!m_lost)
        return;
    connect([](QSqlDatabase& db) { return db.open(); });
    m_lost = false;
}

void TrdmPromocaoCombinada::setConnected(bool on)
{
    if (on == m_connected)
        return;
    if (!on) {
        rollbackWork();
        dropStatements();
        QSqlDatabase db = adcPromocaoCombinada();
        if (db.isValid())
            db.close();
        m_connected = false;
        return;
    }
    connect([](QSqlDatabase& db) { return db.open(); });
}

void TrdmPromocaoCombinada::MtsDataModuleActivate()
{
    if (m_connected)
        return;
    connect([](QSqlDatabase& db) {
        host().TryConnect(db);
        return db.isOpen() || db.open();
    });
}

void TrdmPromocaoCombinada::connect(const std::function<bool(QSqlDatabase&)>& open)
{
    m_connectionString = host().GetStringConexQmt(QString());
    m_failed = false;
    if (adoptKeptSession(m_connectionString)) {
        m_connected = true;
        return;
    }
    dropStatements();
    adcPromocaoCombinadaBeforeConnect();
    QSqlDatabase db = adcPromocaoCombinada();
    if (!open(db))
        throw DataModuleError(
            QStringLiteral("Cannot connect to the database: %1").arg(sqlErrorText(db.lastError())));
    try {
        m_dialect = detectDialect(db);
    } catch (...) {
        db.close();
        throw;
    }
    m_connected = true;
    // Only a real file can be told apart from its replacement; nothing else is kept.
    const bool embedded = m_dialect == Dialect::Sqlite;
    m_filePath = embedded ? sqliteFile(db) : QString();
    m_fileId = embedded ? fileIdentity(m_filePath) : -1;
    m_keepable = !embedded || m_fileId >= 0;
    adcPromocaoCombinadaAfterConnect();
}

SqlStatement& TrdmPromocaoCombinada::statement(Stmt id)
{
    auto& slot = m_statements[static_cast<size_t>(id)];
    if (!slot) {
        if (!m_connected)
            throw DataModuleError(QStringLiteral("The database is not connected"));
        slot = std::make_unique<SqlStatement>(adcPromocaoCombinada(), id, m_dialect);
    }
    return *slot;
}

SqlStatement& TrdmPromocaoCombinada::ownStatement(Own id)
{
    auto& slot = m_own[static_cast<size_t>(id)];
    if (!slot) {
        if (!m_connected)
            throw DataModuleError(QStringLiteral("The database is not connected"));
        switch (id) {
        case Own::VerificaPromo:
            slot = std::make_unique<SqlStatement>(adcPromocaoCombinada(), QStringLiteral("adqVerificaPromo"),
                                                  sqltext::verificaPromo(m_dialect));
            break;
        case Own::Roteiro:
            slot = std::make_unique<SqlStatement>(adcPromocaoCombinada(), statementName(Stmt::adqRotLocal),
                                                  sqltext::roteiro(m_dialect));
            break;
        case Own::PreSelecPadr:
            slot = std::make_unique<SqlStatement>(adcPromocaoCombinada(), statementName(Stmt::adqPreSelecPadr),
                                                  sqltext::preSelecPadr(m_dialect));
            break;
        case Own::NumerosCombinacao:
            slot = std::make_unique<SqlStatement>(adcPromocaoCombinada(),
                                                  statementName(Stmt::adqPromocaoCombAux),
                                                  sqltext::combinacoesEmUso());
            break;
        case Own::ReservaCaixa:
            slot = std::make_unique<SqlStatement>(adcPromocaoCombinada(),
                                                  QStringLiteral("lckPromocaoCombAux"),
                                                  sqltext::reservaCaixa(m_dialect));
            break;
        case Own::kCount: throw DataModuleError(QStringLiteral("No such statement"));
        }
    }
    return *slot;
}

SqlStatement& TrdmPromocaoCombinada::batchStatement(Stmt id, int rows)
{
    auto& slot = m_batches[{id, rows}];
    if (!slot) {
        if (!m_connected)
            throw DataModuleError(QStringLiteral("The database is not connected"));
        slot = std::make_unique<SqlStatement>(adcPromocaoCombinada(), statementName(id),
                                              sqltext::insertRows(id, rows));
    }
    return *slot;
}

bool TrdmPromocaoCombinada::readsAhead() const
{
    return m_connected && pg::isOurs(adcPromocaoCombinada().driver());
}

TrdmPromocaoCombinada::Ahead::Ahead(TrdmPromocaoCombinada& m) : m_was(g_queueing)
{
    g_queueing = m.readsAhead();
}

TrdmPromocaoCombinada::Ahead::~Ahead() { g_queueing = m_was; }

bool TrdmPromocaoCombinada::queueing() { return g_queueing; }

bool TrdmPromocaoCombinada::sendAhead()
{
    QSqlDatabase db = adcPromocaoCombinada();
    return db.isValid() && pg::sendQueued(db.driver(), nullptr);
}

void TrdmPromocaoCombinada::dropAhead()
{
    QSqlDatabase db = adcPromocaoCombinada();
    if (db.isValid())
        pg::dropAhead(db.driver());
}

QList<QStringList> TrdmPromocaoCombinada::aheadRows(const SqlStatement& s) const
{
    return pg::aheadRows(const_cast<SqlStatement&>(s).query());
}

void TrdmPromocaoCombinada::forgetAhead(SqlStatement& s)
{
    pg::forgetAhead(s.query());
}

QVariant TrdmPromocaoCombinada::dateParameter() const
{
    const QDate today = stepNow().date();
    switch (m_dialect) {
    case Dialect::Sqlite:
    case Dialect::PostgreSql:
        // Text in the stored form: Qt would send ISO text with a 'T' to SQLite and UTC to
        // PostgreSQL, both of which compare wrongly with the date columns. Written from
        // the date alone: a local midnight would ask the time zone again on every call.
        if (today != m_dateParameterDay) {
            m_dateParameterDay = today;
            m_dateParameterText = today.toString(Qt::ISODate) + QStringLiteral(" 00:00:00");
        }
        return m_dateParameterText;
    case Dialect::MsSql:
    case Dialect::Oracle: break;
    }
    return QDateTime(today, QTime(0, 0));
}

TrdmPromocaoCombinada& ensureDataModule()
{
    if (!rdmPromocaoCombinada)
        rdmPromocaoCombinada = new TrdmPromocaoCombinada();
    rdmPromocaoCombinada->setConnected(true);
    return *rdmPromocaoCombinada;
}

void freeDataModule()
{
    delete rdmPromocaoCombinada;
    rdmPromocaoCombinada = nullptr;
}

}  // namespace kvp
