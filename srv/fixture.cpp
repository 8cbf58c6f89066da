#include "fixture.h"

#include "rdmpromocaocombinada.h"
#include "schema.h"

#include <QRegularExpression>
#include <QSqlError>

namespace kvp {

namespace {

[[noreturn]] void fail(const QString& what, const QSqlError& error)
{
    throw DataModuleError(what + QStringLiteral(": ") + error.text());
}

void checkColumn(const QString& column)
{
    static const QRegularExpression name(QStringLiteral("^[A-Z][A-Z0-9_]*$"));
    if (!name.match(column).hasMatch() || !catalogueField(column))
        throw DataModuleError(QStringLiteral("Unknown column %1").arg(column));
}

}  // namespace

DatabaseFixture::DatabaseFixture(QSqlDatabase db) : m_db(std::move(db)), m_dialect(detectDialect(m_db))
{
    if (m_dialect != Dialect::Sqlite && m_dialect != Dialect::PostgreSql)
        throw DataModuleError(QStringLiteral("The fixture builds SQLite and PostgreSQL databases only"));
}

void DatabaseFixture::createSchema()
{
    if (!m_db.transaction())
        fail(QStringLiteral("Begin"), m_db.lastError());
    QSqlQuery q(m_db);
    for (const QString& sql : schemaStatements(m_dialect)) {
        if (!q.exec(sql)) {
            const QSqlError error = q.lastError();
            m_db.rollback();
            fail(sql.section(QLatin1Char('('), 0, 0).trimmed(), error);
        }
    }
    if (!m_db.commit())
        fail(QStringLiteral("Commit"), m_db.lastError());
}

void DatabaseFixture::checkTable(const QString& table) const
{
    if (!schemaTables().contains(table))
        throw DataModuleError(QStringLiteral("Unknown table %1").arg(table));
}

QVariant DatabaseFixture::storedValue(const QVariant& value) const
{
    switch (value.typeId()) {
    case QMetaType::QDate:
        return value.toDate().startOfDay().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    case QMetaType::QDateTime:
        return value.toDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    default: return value;
    }
}

DatabaseFixture::Writer::Writer(DatabaseFixture& fixture, const QString& table,
                                const QStringList& columns)
    : m_fixture(fixture), m_columns(columns), m_query(fixture.m_db)
{
    fixture.checkTable(table);
    QStringList placeholders;
    for (const QString& column : columns) {
        checkColumn(column);
        const bool date = catalogueField(column)->type == FieldType::DateTime;
        // PostgreSQL receives dates as text; the cast makes them timestamps.
        placeholders.append(date && fixture.m_dialect == Dialect::PostgreSql
                                ? QStringLiteral("CAST(:%1 AS TIMESTAMP)").arg(column)
                                : QLatin1Char(':') + column);
    }
    const QString sql = QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                            .arg(table, columns.join(QStringLiteral(", ")),
                                 placeholders.join(QStringLiteral(", ")));
    if (!m_query.prepare(sql))
        fail(table, m_query.lastError());
}

void DatabaseFixture::Writer::row(const QVariantList& values)
{
    if (values.size() != m_columns.size())
        throw DataModuleError(QStringLiteral("%1 values for %2 columns").arg(values.size()).arg(m_columns.size()));
    for (int i = 0; i < values.size(); ++i) {
        const QVariant v = m_fixture.storedValue(values.at(i));
        // An invalid QVariant is not bindable everywhere: send a typed NULL instead.
        m_query.bindValue(QLatin1Char(':') + m_columns.at(i),
                          v.isValid() ? v : QVariant(QMetaType::fromType<QString>()));
    }
    if (!m_query.exec())
        fail(QStringLiteral("Insert"), m_query.lastError());
}

void DatabaseFixture::insert(const QString& table, const QStringList& columns,
                             const QVariantList& values)
{
    Writer(*this, table, columns).row(values);
}

void DatabaseFixture::insert(const QString& table, Values values)
{
    QStringList columns;
    QVariantList row;
    for (const auto& [column, value] : values) {
        columns.append(QString::fromUtf8(column));
        row.append(value);
    }
    insert(table, columns, row);
}

int DatabaseFixture::count(const QString& table)
{
    checkTable(table);
    QSqlQuery q(m_db);
    if (!q.exec(QStringLiteral("SELECT COUNT(*) FROM %1").arg(table)) || !q.next())
        fail(table, q.lastError());
    return q.value(0).toInt();
}

void DatabaseFixture::exec(const QString& sql)
{
    QSqlQuery q(m_db);
    if (!q.exec(sql))
        fail(sql, q.lastError());
}

}  // namespace kvp
