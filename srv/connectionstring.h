#pragma once

// The connection string the host hands the data module.
//
// Format: "key=value" pairs separated by ";". Keys are case-insensitive:
//   driver    Qt SQL driver: QSQLITE (the embedded default), QPSQL or QODBC; required
//   database  database name, SQLite file, or for QODBC the whole ODBC connection string
//   host, port, user, password
//   options   the driver's connect options (QSqlDatabase::setConnectOptions)
//   timeout   whole seconds a statement waits for a lock another connection holds before
//             it gives up (1 to 3600; 5 when not given); see TrdmPromocaoCombinada
// A value that holds ";" or starts with a quote or blank is written in double quotes,
// a quote inside doubled:  database="Driver={PostgreSQL Unicode};Server=127.0.0.1"
// Examples:
//   driver=QSQLITE;database=/var/lib/pos/shop.db
//   driver=QPSQL;host=127.0.0.1;port=5432;database=shop;user=pos;password="p;w"
//   driver=QODBC;database="Driver=SQLite3;Database=/var/lib/pos/shop.db"

#include <QString>

#include <stdexcept>

namespace kvp {

class ConnectionStringError : public std::runtime_error {
public:
    explicit ConnectionStringError(const QString& message);
    QString message() const { return QString::fromUtf8(what()); }
};

struct ConnectionSettings {
    QString driver;
    QString database;
    QString host;
    int port = -1;  // -1: the driver's default
    QString user;
    QString password;
    QString options;
    int timeout = -1;  // seconds; -1: the module's default

    static constexpr int kDefaultTimeout = 5;
    int timeoutOrDefault() const { return timeout > 0 ? timeout : kDefaultTimeout; }

    // Raises ConnectionStringError for an unknown key, a repeated key, an unclosed
    // quote, a bad port or time-out, or a missing driver.
    static ConnectionSettings parse(const QString& text);
    // The text form; parse(toString()) gives back the same settings.
    QString toString() const;
};

// Quotes a value for a connection string when it needs it.
QString quoteConnectionValue(const QString& value);

}  // namespace kvp
