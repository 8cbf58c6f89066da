#include "pgdriver.h"

#include "statements.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QLocale>
#include <QSqlError>
#include <QSqlField>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QSqlResult>
#include <QVariant>
#include <QtNumeric>

#include <libpq-fe.h>

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>

#include <atomic>
#include <mutex>
#include <thread>
#include <deque>
#include <memory>
#include <optional>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

Q_DECLARE_OPAQUE_POINTER(PGconn*)
Q_DECLARE_METATYPE(PGconn*)

namespace kvp::pg {

namespace {

// The type identifiers of the server's built-in types (they never change).
enum : Oid {
    kBool = 16, kBytea = 17, kInt8 = 20, kInt2 = 21, kInt4 = 23, kRegproc = 24, kOid = 26,
    kXid = 28, kCid = 29, kFloat4 = 700, kFloat8 = 701, kDate = 1082, kTime = 1083,
    kTimestamp = 1114, kTimestampTz = 1184, kTimeTz = 1266, kBit = 1560, kVarbit = 1562,
    kNumeric = 1700,
};
constexpr int kVarHeader = 4;  // what a type modifier counts besides the width

// What a column reads as: the types Qt's own PostgreSQL driver gives, so that whatever
// reads a value (the item record, a host's query) sees the same as before.
QMetaType columnType(Oid type)
{
    switch (type) {
    case kBool: return QMetaType(QMetaType::Bool);
    case kInt8: return QMetaType(QMetaType::LongLong);
    case kInt2:
    case kInt4:
    case kOid:
    case kRegproc:
    case kXid:
    case kCid: return QMetaType(QMetaType::Int);
    case kNumeric:
    case kFloat4:
    case kFloat8: return QMetaType(QMetaType::Double);
    case kDate: return QMetaType(QMetaType::QDate);
    case kTime:
    case kTimeTz: return QMetaType(QMetaType::QTime);
    case kTimestamp:
    case kTimestampTz: return QMetaType(QMetaType::QDateTime);
    case kBytea: return QMetaType(QMetaType::QByteArray);
    default: return QMetaType(QMetaType::QString);
    }
}

QVariant cellValue(const PGresult* result, int row, int column,
                   QSql::NumericalPrecisionPolicy precision)
{
    const Oid type = PQftype(result, column);
    const QMetaType meta = columnType(type);
    if (PQgetisnull(result, row, column))
        return QVariant(meta, nullptr);
    const char* text = PQgetvalue(result, row, column);
    const int length = PQgetlength(result, row, column);
    switch (meta.id()) {
    case QMetaType::Bool: return QVariant(text[0] == 't');
    case QMetaType::QString: return QString::fromUtf8(text, length);
    case QMetaType::LongLong: {
        const QByteArray digits = QByteArray::fromRawData(text, length);
        return text[0] == '-' ? QVariant(digits.toLongLong()) : QVariant(digits.toULongLong());
    }
    case QMetaType::Int: return QVariant(QByteArray::fromRawData(text, length).toInt());
    case QMetaType::Double: {
        if (type == kNumeric && precision == QSql::HighPrecision)
            return QString::fromLatin1(text, length);
        bool ok = false;
        double value = QByteArray::fromRawData(text, length).toDouble(&ok);
        if (!ok) {
            if (qstricmp(text, "NaN") == 0)
                value = qQNaN();
            else if (qstricmp(text, "Infinity") == 0)
                value = qInf();
            else if (qstricmp(text, "-Infinity") == 0)
                value = -qInf();
            else
                return QVariant();
        }
        if (type == kNumeric && precision == QSql::LowPrecisionInt64)
            return QVariant(qlonglong(value));
        if (type == kNumeric && precision == QSql::LowPrecisionInt32)
            return QVariant(int(value));
        return QVariant(value);
    }
    case QMetaType::QDate: return QVariant(QDate::fromString(QString::fromLatin1(text, length), Qt::ISODate));
    case QMetaType::QTime: return QVariant(QTime::fromString(QString::fromLatin1(text, length), Qt::ISODate));
    case QMetaType::QDateTime: {
        QString stamp = QString::fromLatin1(text, length);
        if (stamp.size() < 10)
            return QVariant(QDateTime());
        // "+01" is an offset Qt reads only as "+01:00".
        const QChar sign = stamp.size() >= 3 ? stamp.at(stamp.size() - 3) : QChar();
        if (type == kTimestampTz && (sign == QLatin1Char('+') || sign == QLatin1Char('-')))
            stamp += QLatin1String(":00");
        const QDateTime read = QDateTime::fromString(stamp, Qt::ISODate);
        return QVariant(type == kTimestampTz ? read.toLocalTime() : read);
    }
    case QMetaType::QByteArray: {
        size_t size = 0;
        unsigned char* raw = PQunescapeBytea(reinterpret_cast<const unsigned char*>(text), &size);
        const QByteArray bytes(reinterpret_cast<const char*>(raw), qsizetype(size));
        PQfreemem(raw);
        return QVariant(bytes);
    }
    default: return QString::fromUtf8(text, length);
    }
}

struct ResultDeleter {
    void operator()(PGresult* r) const { PQclear(r); }
};
using Answer = std::unique_ptr<PGresult, ResultDeleter>;

// An error as Qt's own driver words it: the server's message and its SQLSTATE, then what
// failed.
QSqlError makeError(const QString& what, QSqlError::ErrorType type, PGconn* conn,
                    const PGresult* result)
{
    QString message = result ? QString::fromUtf8(PQresultErrorMessage(result))
                             : QString::fromUtf8(conn ? PQerrorMessage(conn) : "no connection");
    QString code;
    if (result) {
        code = QString::fromLatin1(PQresultErrorField(result, PG_DIAG_SQLSTATE));
        if (!code.isEmpty())
            message += QStringLiteral("(%1)").arg(code);
    }
    if (message.isEmpty() && conn)
        message = QString::fromUtf8(PQerrorMessage(conn));
    return QSqlError(QStringLiteral("QPSQL: ") + what, message, type, code);
}

QString unableToRun() { return QCoreApplication::translate("QPSQLResult", "Unable to create query"); }

// One run as it goes on the wire: a prepared statement (prepared first if this connection
// has not prepared it yet) with its values, or a command of no values.
struct Run {
    QByteArray name;  // empty: an unprepared command
    QByteArray text;
    std::vector<QByteArray> values;
    std::vector<char> nulls;
    std::vector<int> formats;
    std::vector<Oid> types;
    QByteArray key;      // name and values: where a queued run's answer is kept
    bool joinNext = false;  // a BEGIN: it and the run after it stand or fall together
    bool limits = false;    // the session's time limits, as the server left them
};

// A value as a parameter: text the server reads as the statement's own type for that
// place, so a value is data whatever it holds. Bytes go as bytes.
struct Parameter {
    QByteArray value;
    bool null = false;
    bool binary = false;
};

bool isNullValue(const QVariant& v)
{
    if (v.isNull())
        return true;
    switch (v.typeId()) {
    case QMetaType::QString: return static_cast<const QString*>(v.constData())->isNull();
    case QMetaType::QByteArray: return static_cast<const QByteArray*>(v.constData())->isNull();
    case QMetaType::QDateTime: return !static_cast<const QDateTime*>(v.constData())->isValid();
    case QMetaType::QDate: return !static_cast<const QDate*>(v.constData())->isValid();
    case QMetaType::QTime: return !static_cast<const QTime*>(v.constData())->isValid();
    default: return false;
    }
}

QByteArray doubleText(double d)
{
    if (qIsNaN(d))
        return QByteArrayLiteral("NaN");
    if (qIsInf(d))
        return d > 0 ? QByteArrayLiteral("Infinity") : QByteArrayLiteral("-Infinity");
    return QByteArray::number(d, 'g', QLocale::FloatingPointShortest);
}

std::optional<Parameter> parameter(const QVariant& v)
{
    Parameter p;
    if (isNullValue(v)) {
        p.null = true;
        return p;
    }
    switch (v.typeId()) {
    case QMetaType::QString: p.value = static_cast<const QString*>(v.constData())->toUtf8(); break;
    case QMetaType::QByteArray:
        p.value = *static_cast<const QByteArray*>(v.constData());
        p.binary = true;
        return p;
    case QMetaType::Bool: p.value = v.toBool() ? "true" : "false"; break;
    case QMetaType::Double:
    case QMetaType::Float: p.value = doubleText(v.toDouble()); break;
    case QMetaType::QDateTime:
        p.value = v.toDateTime().toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss.zzz")).toLatin1();
        break;
    case QMetaType::QDate: p.value = v.toDate().toString(Qt::ISODate).toLatin1(); break;
    case QMetaType::QTime: p.value = v.toTime().toString(QStringLiteral("HH:mm:ss.zzz")).toLatin1(); break;
    default: p.value = v.toString().toUtf8(); break;
    }
    // A text parameter ends at its first NUL: the value would arrive cut.
    if (p.value.contains('\0'))
        return std::nullopt;
    return p;
}

// A query text with "?" for each value (as Qt hands a prepared text over) in the server's
// "$1, $2, ..." form. Quoted texts, quoted names and comments keep their "?".
QString numberedPlaceholders(const QString& sql, int* count)
{
    QString out;
    out.reserve(sql.size() + 16);
    int n = 0;
    QChar quote;
    for (qsizetype i = 0; i < sql.size(); ++i) {
        const QChar c = sql.at(i);
        if (!quote.isNull()) {
            out += c;
            if (c == quote)
                quote = QChar();
            continue;
        }
        if (c == QLatin1Char('\'') || c == QLatin1Char('"')) {
            quote = c;
            out += c;
        } else if (c == QLatin1Char('-') && i + 1 < sql.size() && sql.at(i + 1) == QLatin1Char('-')) {
            const qsizetype end = sql.indexOf(QLatin1Char('\n'), i);
            const qsizetype stop = end < 0 ? sql.size() : end;
            out += QStringView(sql).mid(i, stop - i);
            i = stop - 1;
        } else if (c == QLatin1Char('?')) {
            out += QLatin1Char('$') + QString::number(++n);
        } else {
            out += c;
        }
    }
    *count = n;
    return out;
}

class Result;

}  // namespace

// --- The driver -----------------------------------------------------------------------

class Driver final : public QSqlDriver {
public:
    explicit Driver(QObject* parent = nullptr) : QSqlDriver(parent) {}
    ~Driver() override { Driver::close(); }

    bool hasFeature(DriverFeature feature) const override
    {
        switch (feature) {
        case Transactions:
        case QuerySize:
        case BLOB:
        case Unicode:
        case PreparedQueries:
        case PositionalPlaceholders:
        case LowPrecisionNumbers:
        case FinishQuery: return true;
        default: return false;
        }
    }

    bool open(const QString& db, const QString& user, const QString& password,
              const QString& host, int port, const QString& options) override;
    void close() override;
    QSqlResult* createResult() const override;
    bool beginTransaction() override;
    bool commitTransaction() override;
    bool rollbackTransaction() override;
    QVariant handle() const override { return QVariant::fromValue(m_conn); }
    QString escapeIdentifier(const QString& identifier, IdentifierType) const override
    {
        QString out = identifier;
        if (!isIdentifierEscaped(out, TableName)) {
            out.replace(QLatin1Char('"'), QLatin1String("\"\""));
            out = QLatin1Char('"') + out + QLatin1Char('"');
        }
        return out;
    }
    // A literal that reads the same whatever standard_conforming_strings says, for the
    // rare caller that writes values into SQL text itself.
    QString formatValue(const QSqlField& field, bool trimStrings) const override
    {
        if (field.isNull() || field.metaType().id() != QMetaType::QString)
            return QSqlDriver::formatValue(field, trimStrings);
        QString value = field.value().toString();
        if (trimStrings)
            value = value.trimmed();
        QString out = QStringLiteral("E'");
        for (const QChar c : std::as_const(value)) {
            if (c == QLatin1Char('\\') || c == QLatin1Char('\''))
                out += c;
            out += c;
        }
        return out + QLatin1Char('\'');
    }

    PGconn* conn() const { return m_conn; }
    int generation() const { return m_generation; }
    bool isPrepared(const QByteArray& name) const { return m_prepared.count(name) > 0; }
    void forgetPrepared() { m_prepared.clear(); }
    void deallocateLater(const QByteArray& name, int generation)
    {
        if (generation == m_generation && m_prepared.erase(name) > 0)
            m_toDeallocate.push_back(name);
    }

    void queue(Run run) { m_queue.push_back(std::move(run)); }
    // Sends the queue and then run (when given) in one round trip; the queued runs'
    // answers are kept, run's is returned, and prepareFailed tells whether the failure it
    // answers was its preparing. nullptr with error set when the round trip itself failed
    // (the connection is gone).
    Answer exchange(std::optional<Run> run, QSqlError* error, bool* prepareFailed = nullptr);
    Answer takeAhead(const QByteArray& key)
    {
        const auto it = m_ahead.find(key);
        if (it == m_ahead.end() || it->second.empty())
            return nullptr;
        Answer a = std::move(it->second.front());
        it->second.pop_front();
        if (it->second.empty())
            m_ahead.erase(it);
        return a;
    }
    const PGresult* peekAhead(const QByteArray& key) const
    {
        const auto it = m_ahead.find(key);
        return it == m_ahead.end() || it->second.empty() ? nullptr : it->second.front().get();
    }
    void dropAhead()
    {
        m_ahead.clear();
        // Reads queued and not sent yet would be answered for nobody.
        std::deque<Run> kept;
        for (Run& r : m_queue)
            if (r.key.isEmpty())
                kept.push_back(std::move(r));
        m_queue = std::move(kept);
    }
    long exchanges() const { return m_exchanges; }
    // Sends what is queued (nothing when the queue is empty); false with error set when
    // the round trip or a queued command failed.
    bool exchangeQueued(QSqlError* error)
    {
        if (m_queue.empty() && m_toDeallocate.empty())
            return true;
        *error = QSqlError();
        exchange(std::nullopt, error);
        return !error->isValid();
    }
    SessionLimits limits;
    QString shownLock;
    QString shownStatement;

private:
    bool runCommand(const char* command, const QString& what, QSqlError::ErrorType type);

    PGconn* m_conn = nullptr;
    int m_generation = 0;
    long m_exchanges = 0;
    std::unordered_set<QByteArray> m_prepared;
    std::vector<QByteArray> m_toDeallocate;
    std::deque<Run> m_queue;
    std::unordered_map<QByteArray, std::deque<Answer>> m_ahead;
};

namespace {

using Params = QList<std::pair<QByteArray, QByteArray>>;

// The pieces of Qt's connect options ("name=value;name=value") as libpq keywords.
Params optionPairs(const QString& options)
{
    Params pairs;
    for (const QString& piece : options.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        const qsizetype eq = piece.indexOf(QLatin1Char('='));
        if (eq <= 0)
            continue;
        pairs.append({piece.left(eq).trimmed().toUtf8(), piece.mid(eq + 1).trimmed().toUtf8()});
    }
    return pairs;
}

// What libpq is asked to connect with, from what Qt hands a driver's open().
Params connectParams(const QString& db, const QString& user, const QString& password,
                     const QString& host, int port, const QString& options, SessionLimits limits)
{
    Params params;
    if (!host.isEmpty())
        params.append({"host", host.toUtf8()});
    if (port >= 0)
        params.append({"port", QByteArray::number(port)});
    if (!db.isEmpty())
        params.append({"dbname", db.toUtf8()});
    if (!user.isEmpty())
        params.append({"user", user.toUtf8()});
    if (!password.isEmpty())
        params.append({"password", password.toUtf8()});
    QByteArray serverOptions;
    for (auto& [key, value] : optionPairs(options)) {
        if (key == "options")
            serverOptions = value;  // ours are added to the host's
        else
            params.append({key, value});
    }
    // What Qt's driver set with statements of its own after connecting, and the time
    // limits: all inside the connection request.
    params.append({QByteArray("client_encoding"), QByteArray("UTF8")});
    QByteArray session = "-c DateStyle=ISO";
    if (limits.lockTimeoutMs > 0 && !limits.keepServers) {
        session += " -c lock_timeout=" + QByteArray::number(limits.lockTimeoutMs);
        session += " -c statement_timeout=" + QByteArray::number(limits.statementTimeoutMs);
    }
    params.append({"options", serverOptions.isEmpty() ? session : serverOptions + ' ' + session});
    return params;
}

PGconn* connectWith(const Params& params)
{
    std::vector<const char*> keys, values;
    for (const auto& [k, v] : params) {
        keys.push_back(k.constData());
        values.push_back(v.constData());
    }
    keys.push_back(nullptr);
    values.push_back(nullptr);
    return PQconnectdbParams(keys.data(), values.data(), 0);
}

// A connection made in the background before the first sale needs it, for the open that
// asks for the same.
struct Early {
    std::mutex mutex;
    Params params;
    std::thread worker;
    PGconn* conn = nullptr;  // the worker's, once it has ended
    bool pending = false;
};
Early& early()
{
    static Early* const e = new Early();  // never destroyed: a worker may still run at exit
    return *e;
}

// The early connection made with exactly these parameters (waiting for it to finish),
// else nullptr. Any other is let go.
PGconn* takeEarly(const Params& params)
{
    Early& e = early();
    std::thread worker;
    Params asked;
    {
        const std::lock_guard lock(e.mutex);
        if (!e.pending)
            return nullptr;
        e.pending = false;
        worker = std::move(e.worker);
        asked = std::move(e.params);
    }
    if (worker.joinable())
        worker.join();
    PGconn* conn = std::exchange(e.conn, nullptr);
    if (asked != params) {
        PQfinish(conn);
        return nullptr;
    }
    return conn;
}

}  // namespace

void connectEarly(const QString& db, const QString& user, const QString& password,
                  const QString& host, int port, const QString& options, SessionLimits limits)
{
    PQfinish(takeEarly({}));
    Early& e = early();
    const std::lock_guard lock(e.mutex);
    e.params = connectParams(db, user, password, host, port, options, limits);
    e.pending = true;
    e.worker = std::thread([&e, params = e.params] { e.conn = connectWith(params); });
}

void waitForEarlyConnection()
{
    Early& e = early();
    std::thread worker;
    {
        const std::lock_guard lock(e.mutex);
        worker = std::move(e.worker);
    }
    if (worker.joinable())
        worker.join();
}

bool Driver::open(const QString& db, const QString& user, const QString& password,
                  const QString& host, int port, const QString& options)
{
    close();
    const Params params = connectParams(db, user, password, host, port, options, limits);
    // One made early for this same connection is taken as it is: connected, or with the
    // reason it could not be, reported now that a sale needs it.
    m_conn = takeEarly(params);
    if (!m_conn)
        m_conn = connectWith(params);
    if (!m_conn || PQstatus(m_conn) != CONNECTION_OK) {
        setLastError(makeError(QCoreApplication::translate("QPSQLDriver", "Unable to connect"),
                               QSqlError::ConnectionError, m_conn, nullptr));
        setOpenError(true);
        PQfinish(m_conn);
        m_conn = nullptr;
        return false;
    }
    ++m_generation;
    m_prepared.clear();
    m_toDeallocate.clear();
    m_queue.clear();
    m_ahead.clear();
    shownLock.clear();
    shownStatement.clear();
    if (limits.lockTimeoutMs > 0 && limits.keepServers) {
        // A limit the server, the database or the role sets stands; none gets ours. Sent
        // with the session's first statement.
        Run r;
        r.text = "SELECT current_setting('lock_timeout'), current_setting('statement_timeout'), "
                 "set_config('lock_timeout', CASE current_setting('lock_timeout') WHEN '0' THEN $1 "
                 "ELSE current_setting('lock_timeout') END, false), "
                 "set_config('statement_timeout', CASE current_setting('statement_timeout') WHEN '0' "
                 "THEN $2 ELSE current_setting('statement_timeout') END, false)";
        r.values = {QByteArray::number(limits.lockTimeoutMs), QByteArray::number(limits.statementTimeoutMs)};
        r.nulls = {0, 0};
        r.formats = {0, 0};
        r.types = {0, 0};
        r.limits = true;
        m_queue.push_back(std::move(r));
    }
    setOpen(true);
    setOpenError(false);
    return true;
}

void Driver::close()
{
    m_ahead.clear();
    m_queue.clear();
    m_prepared.clear();
    m_toDeallocate.clear();
    if (m_conn) {
        PQfinish(m_conn);
        m_conn = nullptr;
    }
    setOpen(false);
    setOpenError(false);
}

Answer Driver::exchange(std::optional<Run> run, QSqlError* error, bool* prepareFailed)
{
    if (!m_conn) {
        *error = QSqlError(QStringLiteral("QPSQL: not connected"), QString(),
                           QSqlError::ConnectionError);
        return nullptr;
    }
    // Each run ends in a sync of its own, so that one run's failure (outside a
    // transaction) spoils no other; a BEGIN shares the sync of the run after it.
    struct Sent {
        Run* run;
        bool prepares;
    };
    std::deque<Run> batch = std::move(m_queue);
    m_queue.clear();
    std::vector<QByteArray> deallocate = std::move(m_toDeallocate);
    m_toDeallocate.clear();
    if (run) {
        // The same run queued ahead would be answered twice.
        for (auto it = batch.begin(); !run->key.isEmpty() && it != batch.end(); ++it) {
            if (it->key == run->key) {
                batch.erase(it);
                break;
            }
        }
        batch.push_back(std::move(*run));
    }
    std::vector<Sent> sent;
    std::unordered_set<QByteArray> preparing;
    if (PQenterPipelineMode(m_conn) != 1) {
        *error = makeError(unableToRun(), QSqlError::StatementError, m_conn, nullptr);
        return nullptr;
    }
    // Each sync flushes what came before it: held back until the last one, the batch goes
    // out in one write and the server answers it in one turn.
    const int socket = PQsocket(m_conn);
    int cork = 1;
    const bool corked = ::setsockopt(socket, IPPROTO_TCP, TCP_CORK, &cork, sizeof cork) == 0;
    bool ok = true;
    for (const QByteArray& name : deallocate) {
        const QByteArray command = "DEALLOCATE " + name;
        ok = ok && PQsendQueryParams(m_conn, command.constData(), 0, nullptr, nullptr, nullptr, nullptr, 0) == 1 &&
             PQpipelineSync(m_conn) == 1;
    }
    for (Run& r : batch) {
        const int n = int(r.values.size());
        std::vector<const char*> values(size_t(n), nullptr);
        std::vector<int> lengths(size_t(n), 0);
        for (int i = 0; i < n; ++i) {
            if (!r.nulls[size_t(i)])
                values[size_t(i)] = r.values[size_t(i)].constData();
            lengths[size_t(i)] = int(r.values[size_t(i)].size());
        }
        // A statement runs more than once in a batch (a group's list for every group):
        // prepared by its first run only.
        const bool prepares = !r.name.isEmpty() && !isPrepared(r.name) && preparing.insert(r.name).second;
        if (prepares)
            ok = ok && PQsendPrepare(m_conn, r.name.constData(), r.text.constData(), n, r.types.data()) == 1;
        if (r.name.isEmpty())
            ok = ok && PQsendQueryParams(m_conn, r.text.constData(), n, r.types.data(), values.data(),
                                         lengths.data(), r.formats.data(), 0) == 1;
        else
            ok = ok && PQsendQueryPrepared(m_conn, r.name.constData(), n, values.data(), lengths.data(),
                                           r.formats.data(), 0) == 1;
        if (!r.joinNext)
            ok = ok && PQpipelineSync(m_conn) == 1;
        sent.push_back({&r, prepares});
    }
    if (!batch.empty() && batch.back().joinNext)
        ok = ok && PQpipelineSync(m_conn) == 1;
    if (corked) {
        cork = 0;
        ::setsockopt(socket, IPPROTO_TCP, TCP_CORK, &cork, sizeof cork);
    }
    ++m_exchanges;
    // Read every answer the server owes, even after a failure: the pipeline must be empty
    // before the connection can leave pipeline mode.
    auto next = [&]() -> Answer { return Answer(PQgetResult(m_conn)); };
    auto drainOne = [&](bool keepFirst) -> Answer {
        // One request's results up to its NULL; the first kept.
        Answer first;
        while (Answer r = next()) {
            if (keepFirst && !first)
                first = std::move(r);
        }
        return first;
    };
    auto awaitSync = [&] {
        for (int empty = 0;;) {
            Answer r = next();
            if (!r) {
                // Nothing more is owed: the sync went missing with the connection.
                if (PQstatus(m_conn) == CONNECTION_BAD || ++empty > 2)
                    return false;
                continue;
            }
            if (PQresultStatus(r.get()) == PGRES_PIPELINE_SYNC)
                return true;
            if (PQstatus(m_conn) == CONNECTION_BAD)
                return false;
        }
    };
    Answer mine;
    Answer joinedFailure;  // a BEGIN's failure, for the run that shares its sync
    if (ok) {
        for (size_t d = 0; d < deallocate.size() && ok; ++d) {
            drainOne(false);
            ok = PQstatus(m_conn) != CONNECTION_BAD && awaitSync();
        }
        for (size_t k = 0; k < sent.size() && ok; ++k) {
            Run& r = *sent[k].run;
            const bool last = k + 1 == sent.size();
            const bool isMine = run && last;
            // A BEGIN sent last has the closing sync to itself.
            const bool endsSync = !r.joinNext || last;
            Answer prepared;
            if (sent[k].prepares) {
                prepared = drainOne(true);
                if (prepared && PQresultStatus(prepared.get()) == PGRES_COMMAND_OK)
                    m_prepared.insert(r.name);
            }
            Answer answer = drainOne(true);
            if (PQstatus(m_conn) == CONNECTION_BAD) {
                ok = false;
                break;
            }
            // A run the server skipped after its preparing failed answers with that failure.
            if (prepared && PQresultStatus(prepared.get()) != PGRES_COMMAND_OK) {
                answer = std::move(prepared);
                if (isMine && prepareFailed)
                    *prepareFailed = true;
            }
            if (endsSync)
                ok = awaitSync();
            // Runs joined in one sync (a BEGIN, queued writes, then a run) stand or fall
            // together: the first failure is what the run that ends them answers.
            const ExecStatusType status = answer ? PQresultStatus(answer.get()) : PGRES_FATAL_ERROR;
            if (r.joinNext && status == PGRES_FATAL_ERROR && !joinedFailure)
                joinedFailure = std::move(answer);
            else if (endsSync && status == PGRES_PIPELINE_ABORTED && joinedFailure)
                answer = std::move(joinedFailure);
            if (endsSync && joinedFailure && !error->isValid() && !isMine)
                *error = makeError(unableToRun(), QSqlError::StatementError, m_conn, joinedFailure.get());
            if (endsSync)
                joinedFailure.reset();
            if (isMine) {
                mine = std::move(answer);
            } else if (r.limits) {
                if (answer && PQresultStatus(answer.get()) == PGRES_TUPLES_OK && PQntuples(answer.get()) == 1) {
                    shownLock = QString::fromUtf8(PQgetvalue(answer.get(), 0, 0));
                    shownStatement = QString::fromUtf8(PQgetvalue(answer.get(), 0, 1));
                }
            } else if (!r.key.isEmpty() && answer) {
                m_ahead[r.key].push_back(std::move(answer));
            } else if (!r.joinNext && answer && PQresultStatus(answer.get()) != PGRES_COMMAND_OK &&
                       !error->isValid()) {
                // A queued command (a BEGIN) that failed on its own.
                *error = makeError(unableToRun(), QSqlError::StatementError, m_conn, answer.get());
            }
        }
    }
    if (!ok || PQstatus(m_conn) == CONNECTION_BAD) {
        *error = makeError(unableToRun(), QSqlError::ConnectionError, m_conn, nullptr);
        if (PQstatus(m_conn) != CONNECTION_BAD)
            PQexitPipelineMode(m_conn);
        return nullptr;
    }
    PQexitPipelineMode(m_conn);
    if (run && !mine && !error->isValid())
        *error = makeError(unableToRun(), QSqlError::StatementError, m_conn, nullptr);
    return mine;
}

bool Driver::runCommand(const char* command, const QString& what, QSqlError::ErrorType type)
{
    Run r;
    r.text = command;
    QSqlError error;
    Answer a = exchange(std::move(r), &error);
    if (!a) {
        setLastError(error.isValid() ? error : makeError(what, type, m_conn, nullptr));
        return false;
    }
    const ExecStatusType status = PQresultStatus(a.get());
    // A COMMIT of a transaction that failed on the way answers ROLLBACK.
    if (status != PGRES_COMMAND_OK ||
        (qstrcmp(command, "COMMIT") == 0 && qstrcmp(PQcmdStatus(a.get()), "ROLLBACK") == 0)) {
        setLastError(makeError(what, type, m_conn, status == PGRES_COMMAND_OK ? nullptr : a.get()));
        return false;
    }
    return true;
}

bool Driver::beginTransaction()
{
    if (!isOpen())
        return false;
    // Sent with the transaction's first statement: a BEGIN needs no round trip of its own.
    // Should it fail, that statement fails with it.
    dropAhead();
    Run r;
    r.text = "BEGIN";
    r.joinNext = true;
    queue(std::move(r));
    return true;
}

bool Driver::commitTransaction()
{
    dropAhead();
    return isOpen() &&
           runCommand("COMMIT", QCoreApplication::translate("QPSQLDriver", "Could not commit transaction"),
                      QSqlError::TransactionError);
}

bool Driver::rollbackTransaction()
{
    dropAhead();
    // What is still queued is the transaction's: a BEGIN not sent yet leaves nothing to
    // roll back.
    bool begun = false;
    for (const Run& r : m_queue)
        begun = begun || (r.joinNext && r.text == "BEGIN");
    m_queue.clear();
    if (begun)
        return true;
    return isOpen() &&
           runCommand("ROLLBACK", QCoreApplication::translate("QPSQLDriver", "Could not rollback transaction"),
                      QSqlError::TransactionError);
}

// --- Results ----------------------------------------------------------------------------

namespace {

class Result final : public QSqlResult {
public:
    explicit Result(const Driver* driver) : QSqlResult(driver) {}
    ~Result() override
    {
        if (Driver* d = drv(); d && !m_name.isEmpty())
            d->deallocateLater(m_name, m_generation);
    }

    // The run of this prepared query with the values bound now.
    std::optional<Run> currentRun(QString* refusal) const
    {
        if (m_name.isEmpty()) {
            *refusal = QStringLiteral("the query is not prepared");
            return std::nullopt;
        }
        Run r;
        r.name = m_name;
        r.text = m_text;
        const QVariantList bound = boundValues();
        if (bound.size() != m_count) {
            *refusal = QStringLiteral("%1 value(s) bound for %2 placeholder(s)").arg(bound.size()).arg(m_count);
            return std::nullopt;
        }
        r.key = m_name;
        for (qsizetype i = 0; i < bound.size(); ++i) {
            const std::optional<Parameter> p = parameter(bound.at(i));
            if (!p) {
                // The value itself is not repeated: it may be anything a caller passed.
                *refusal = QStringLiteral("value %1 holds a NUL character, which no text column can store").arg(i + 1);
                return std::nullopt;
            }
            r.values.push_back(p->value);
            r.nulls.push_back(p->null);
            r.formats.push_back(p->binary ? 1 : 0);
            r.types.push_back(p->binary ? Oid(kBytea) : Oid(0));
            r.key += p->null ? QByteArray("\0N", 2) : QByteArray("\0V", 2) + QByteArray::number(p->value.size()) + ':' + p->value;
        }
        return r;
    }

    QByteArray currentKey() const
    {
        QString refusal;
        const std::optional<Run> r = currentRun(&refusal);
        return r ? r->key : QByteArray();
    }

protected:
    QVariant data(int field) override
    {
        if (!m_answer || field < 0 || field >= PQnfields(m_answer.get()) || at() < 0)
            return QVariant();
        return cellValue(m_answer.get(), at(), field, numericalPrecisionPolicy());
    }
    bool isNull(int field) override
    {
        return !m_answer || at() < 0 || PQgetisnull(m_answer.get(), at(), field);
    }
    bool fetch(int row) override
    {
        if (!isActive() || row < 0 || row >= m_rows)
            return false;
        setAt(row);
        return true;
    }
    bool fetchFirst() override { return fetch(0); }
    bool fetchLast() override { return fetch(m_rows - 1); }
    int size() override { return isSelect() ? m_rows : -1; }
    int numRowsAffected() override
    {
        return m_answer ? QByteArray(PQcmdTuples(m_answer.get())).toInt() : -1;
    }
    QSqlRecord record() const override
    {
        QSqlRecord record;
        if (!isActive() || !isSelect() || !m_answer)
            return record;
        const PGresult* a = m_answer.get();
        for (int i = 0; i < PQnfields(a); ++i) {
            const Oid type = PQftype(a, i);
            QSqlField f(QString::fromUtf8(PQfname(a, i)), columnType(type));
            int length = PQfsize(a, i);
            int precision = PQfmod(a, i);
            switch (type) {
            case kTimestamp:
            case kTimestampTz: precision = 3; break;
            case kNumeric:
                if (precision != -1) {
                    length = precision >> 16;
                    precision = (precision - kVarHeader) & 0xffff;
                }
                break;
            case kBit:
            case kVarbit:
                length = precision;
                precision = -1;
                break;
            default:
                if (length == -1 && precision >= kVarHeader) {
                    length = precision - kVarHeader;
                    precision = -1;
                }
            }
            f.setLength(length);
            f.setPrecision(precision);
            record.append(f);
        }
        return record;
    }
    QVariant handle() const override { return QVariant(); }
    void detachFromResultSet() override { clearAnswer(); }

    bool reset(const QString& query) override
    {
        clearAnswer();
        Driver* d = drv();
        if (!d || !d->isOpen())
            return false;
        // A text without values, as a host or a tool writes it: the simple protocol,
        // which also takes several statements in one text. Whatever was queued goes first.
        QSqlError error;
        if (!d->exchangeQueued(&error)) {
            setLastError(error);
            return false;
        }
        return take(Answer(PQexec(d->conn(), query.toUtf8().constData())));
    }

    bool prepare(const QString& query) override
    {
        clearAnswer();
        Driver* d = drv();
        if (!d || !d->isOpen())
            return false;
        if (!m_name.isEmpty())
            d->deallocateLater(m_name, m_generation);
        static std::atomic<long> serial{0};
        m_name = "kvp_" + QByteArray::number(++serial);
        m_text = numberedPlaceholders(query, &m_count).toUtf8();
        m_generation = d->generation();
        return true;
    }

    bool exec() override
    {
        clearAnswer();
        Driver* d = drv();
        if (!d || !d->isOpen())
            return false;
        QString refusal;
        std::optional<Run> run = currentRun(&refusal);
        if (!run) {
            setLastError(QSqlError(QStringLiteral("QPSQL: ") + refusal, QString(), QSqlError::StatementError));
            return false;
        }
        if (Answer kept = d->takeAhead(run->key))
            return takeNaming(std::move(kept), false, *run);
        // A connection opened again since (by us or by the host) knows none of our
        // statements (the driver forgot them as it opened): this run prepares it there.
        m_generation = d->generation();
        QSqlError error;
        bool prepareFailed = false;
        Answer answer = d->exchange(Run(*run), &error, &prepareFailed);
        if (answer && PQresultStatus(answer.get()) == PGRES_FATAL_ERROR &&
            // A host discarded the session's statements (DEALLOCATE ALL, DISCARD ALL).
            qstrcmp(PQresultErrorField(answer.get(), PG_DIAG_SQLSTATE), "26000") == 0 &&
            PQtransactionStatus(d->conn()) == PQTRANS_IDLE) {
            d->forgetPrepared();
            answer = d->exchange(Run(*run), &error, &prepareFailed);
        }
        if (!answer) {
            setLastError(error);
            return false;
        }
        return takeNaming(std::move(answer), prepareFailed, *run);
    }

private:
    // take(), the failure's message naming the place of each value instead of repeating
    // it (a host's own query as much as the module's).
    bool takeNaming(Answer answer, bool preparing, const Run& run)
    {
        if (take(std::move(answer), preparing))
            return true;
        QList<std::pair<QString, QString>> values;
        for (size_t i = 0; i < run.values.size(); ++i)
            if (!run.nulls[i] && run.formats[i] == 0)
                values.append({QLatin1Char('$') + QString::number(i + 1), QString::fromUtf8(run.values[i])});
        const QSqlError e = lastError();
        setLastError(QSqlError(e.driverText(), withoutValues(e.databaseText(), values), e.type(),
                               e.nativeErrorCode()));
        return false;
    }

    Driver* drv() const { return const_cast<Driver*>(static_cast<const Driver*>(driver())); }

    void clearAnswer()
    {
        m_answer.reset();
        m_rows = 0;
        setAt(QSql::BeforeFirstRow);
        setActive(false);
        setSelect(false);
    }

    bool take(Answer answer, bool preparing = false)
    {
        m_answer = std::move(answer);
        const ExecStatusType status = m_answer ? PQresultStatus(m_answer.get()) : PGRES_FATAL_ERROR;
        if (status == PGRES_TUPLES_OK || status == PGRES_SINGLE_TUPLE) {
            m_rows = PQntuples(m_answer.get());
            setSelect(true);
            setActive(true);
            return true;
        }
        if (status == PGRES_COMMAND_OK || status == PGRES_EMPTY_QUERY) {
            setSelect(false);
            setActive(true);
            return true;
        }
        Driver* d = drv();
        setLastError(makeError(preparing ? QCoreApplication::translate("QPSQLResult", "Unable to prepare statement")
                                         : unableToRun(),
                               QSqlError::StatementError, d ? d->conn() : nullptr, m_answer.get()));
        m_answer.reset();
        return false;
    }

    Answer m_answer;
    int m_rows = 0;
    QByteArray m_name;
    QByteArray m_text;
    int m_count = 0;
    int m_generation = 0;
};

}  // namespace

QSqlResult* Driver::createResult() const { return new Result(this); }

// --- Outside ----------------------------------------------------------------------------

namespace {

Driver* ours(const QSqlDriver* driver)
{
    return const_cast<Driver*>(dynamic_cast<const Driver*>(driver));
}

Result* resultOf(const QSqlQuery& query)
{
    return const_cast<Result*>(dynamic_cast<const Result*>(query.result()));
}

}  // namespace

QSqlDriver* newDriver() { return new Driver(); }

bool isOurs(const QSqlDriver* driver) { return ours(driver) != nullptr; }

PGconn* connectionOf(const QSqlDriver* driver)
{
    const Driver* d = ours(driver);
    return d ? d->conn() : nullptr;
}

void setSessionLimits(QSqlDriver* driver, SessionLimits limits)
{
    if (Driver* d = ours(driver))
        d->limits = limits;
}

QString serversLimit(const QSqlDriver* driver, bool lock)
{
    const Driver* d = ours(driver);
    if (!d)
        return {};
    const QString& shown = lock ? d->shownLock : d->shownStatement;
    return shown == QLatin1String("0") ? QString() : shown;
}

long roundTrips(const QSqlDriver* driver)
{
    const Driver* d = ours(driver);
    return d ? d->exchanges() : 0;
}

namespace {

// Queues the query's run with its values bound now: kept for its own run, or joined to
// the next run and answering nobody.
bool queueRun(QSqlQuery& query, bool joined)
{
    Driver* d = ours(query.driver());
    Result* r = resultOf(query);
    if (!d || !r)
        return false;
    QString refusal;
    std::optional<Run> run = r->currentRun(&refusal);
    if (!run)
        return false;
    if (joined) {
        run->key.clear();
        run->joinNext = true;
    }
    d->queue(std::move(*run));
    return true;
}

}  // namespace

bool queueAhead(QSqlQuery& query) { return queueRun(query, false); }

bool queueWrite(QSqlQuery& query) { return queueRun(query, true); }

QList<QStringList> aheadRows(const QSqlQuery& query)
{
    QList<QStringList> rows;
    const Driver* d = ours(query.driver());
    const Result* r = resultOf(query);
    if (!d || !r)
        return rows;
    const PGresult* a = d->peekAhead(r->currentKey());
    if (!a || PQresultStatus(a) != PGRES_TUPLES_OK)
        return rows;
    QStringList names;
    for (int j = 0; j < PQnfields(a); ++j)
        names.append(QString::fromUtf8(PQfname(a, j)).toUpper());
    rows.append(names);
    for (int i = 0; i < PQntuples(a); ++i) {
        QStringList row;
        for (int j = 0; j < PQnfields(a); ++j)
            row.append(PQgetisnull(a, i, j) ? QString() : QString::fromUtf8(PQgetvalue(a, i, j)));
        rows.append(row);
    }
    return rows;
}

void forgetAhead(QSqlQuery& query)
{
    Driver* d = ours(query.driver());
    const Result* r = resultOf(query);
    if (d && r)
        d->takeAhead(r->currentKey());
}

void dropAhead(QSqlDriver* driver)
{
    if (Driver* d = ours(driver))
        d->dropAhead();
}

bool sendQueued(QSqlDriver* driver, QString* error)
{
    Driver* d = ours(driver);
    if (!d)
        return true;
    QSqlError e;
    if (d->exchangeQueued(&e))
        return true;
    if (error)
        *error = e.text();
    return false;
}

}  // namespace kvp::pg
