#include "connectionstring.h"

#include <QStringList>

namespace kvp {

ConnectionStringError::ConnectionStringError(const QString& message)
    : std::runtime_error(message.toStdString())
{
}

namespace {

QString readValue(const QString& text, qsizetype& i)
{
    const qsizetype n = text.size();
    while (i < n && text.at(i).isSpace())
        ++i;
    if (i < n && text.at(i) == QLatin1Char('"')) {
        QString value;
        for (++i; i < n; ++i) {
            if (text.at(i) == QLatin1Char('"')) {
                if (i + 1 < n && text.at(i + 1) == QLatin1Char('"')) {
                    value += QLatin1Char('"');
                    ++i;
                    continue;
                }
                ++i;
                while (i < n && text.at(i).isSpace())
                    ++i;
                if (i < n && text.at(i) != QLatin1Char(';'))
                    throw ConnectionStringError(
                        QStringLiteral("Connection string: text after a quoted value"));
                return value;
            }
            value += text.at(i);
        }
        throw ConnectionStringError(QStringLiteral("Connection string: unclosed quote"));
    }
    const qsizetype end = text.indexOf(QLatin1Char(';'), i);
    const qsizetype stop = end < 0 ? n : end;
    QString value = text.mid(i, stop - i).trimmed();
    i = stop;
    return value;
}

}  // namespace

ConnectionSettings ConnectionSettings::parse(const QString& text)
{
    ConnectionSettings s;
    QStringList seen;
    const qsizetype n = text.size();
    qsizetype i = 0;
    while (i < n) {
        if (text.at(i) == QLatin1Char(';') || text.at(i).isSpace()) {
            ++i;
            continue;
        }
        const qsizetype eq = text.indexOf(QLatin1Char('='), i);
        if (eq < 0)
            throw ConnectionStringError(
                QStringLiteral("Connection string: \"%1\" has no value").arg(text.mid(i).trimmed()));
        const QString key = text.mid(i, eq - i).trimmed().toLower();
        if (key.contains(QLatin1Char(';')))
            throw ConnectionStringError(
                QStringLiteral("Connection string: \"%1\" has no value").arg(key));
        i = eq + 1;
        const QString value = readValue(text, i);
        if (seen.contains(key))
            throw ConnectionStringError(
                QStringLiteral("Connection string: \"%1\" given twice").arg(key));
        seen.append(key);
        if (key == QLatin1String("driver")) {
            s.driver = value.toUpper();
        } else if (key == QLatin1String("database")) {
            s.database = value;
        } else if (key == QLatin1String("host")) {
            s.host = value;
        } else if (key == QLatin1String("port")) {
            bool ok = false;
            s.port = value.toInt(&ok);
            if (!ok || s.port <= 0 || s.port > 65535)
                throw ConnectionStringError(
                    QStringLiteral("Connection string: bad port \"%1\"").arg(value));
        } else if (key == QLatin1String("user")) {
            s.user = value;
        } else if (key == QLatin1String("password")) {
            s.password = value;
        } else if (key == QLatin1String("options")) {
            s.options = value;
        } else if (key == QLatin1String("timeout")) {
            bool ok = false;
            s.timeout = value.toInt(&ok);
            if (!ok || s.timeout < 1 || s.timeout > 3600)
                throw ConnectionStringError(
                    QStringLiteral(
                        "Connection string: bad timeout \"%1\" (whole seconds, 1 to 3600)")
                        .arg(value));
        } else {
            throw ConnectionStringError(
                QStringLiteral("Connection string: unknown key \"%1\"").arg(key));
        }
    }
    if (s.driver.isEmpty())
        throw ConnectionStringError(
            QStringLiteral("Connection string: no driver (driver=QSQLITE, QPSQL or QODBC)"));
    return s;
}

QString quoteConnectionValue(const QString& value)
{
    const bool needs = value.contains(QLatin1Char(';')) || value.contains(QLatin1Char('"'))
        || (!value.isEmpty() && (value.front().isSpace() || value.back().isSpace()));
    if (!needs)
        return value;
    QString quoted = value;
    quoted.replace(QLatin1String("\""), QLatin1String("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

QString ConnectionSettings::toString() const
{
    QStringList parts{QStringLiteral("driver=") + quoteConnectionValue(driver)};
    auto add = [&parts](const char* key, const QString& value) {
        if (!value.isEmpty())
            parts.append(QLatin1String(key) + QLatin1Char('=') + quoteConnectionValue(value));
    };
    add("database", database);
    add("host", host);
    if (port > 0)
        add("port", QString::number(port));
    add("user", user);
    add("password", password);
    add("options", options);
    if (timeout > 0)
        add("timeout", QString::number(timeout));
    return parts.join(QLatin1Char(';'));
}

}  // namespace kvp
