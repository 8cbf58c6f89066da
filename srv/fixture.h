#pragma once

// Builds the data service's tables in a SQLite or PostgreSQL database and fills them:
// for tests, benchmarks and the sample shop database. Values are always bound; table
// and column names are checked against the schema before they reach any SQL text.

#include "statements.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <initializer_list>
#include <utility>

namespace kvp {

class DatabaseFixture {
public:
    explicit DatabaseFixture(QSqlDatabase db);  // the dialect comes from the connection

    QSqlDatabase database() const { return m_db; }
    Dialect dialect() const { return m_dialect; }

    // Creates every table and index of the schema in one transaction.
    void createSchema();

    using Values = std::initializer_list<std::pair<const char*, QVariant>>;
    // Inserts one row. QDate and QDateTime values are stored in the schema's date form.
    void insert(const QString& table, Values values);
    void insert(const QString& table, const QStringList& columns, const QVariantList& values);
    // Number of rows of a table.
    int count(const QString& table);
    // Runs a statement without values (DDL, DELETE of a whole table, transactions).
    void exec(const QString& sql);

    // A prepared INSERT for many rows of one table.
    class Writer {
    public:
        Writer(DatabaseFixture& fixture, const QString& table, const QStringList& columns);
        void row(const QVariantList& values);

    private:
        DatabaseFixture& m_fixture;
        QStringList m_columns;
        QSqlQuery m_query;
    };

private:
    QVariant storedValue(const QVariant& value) const;
    void checkTable(const QString& table) const;

    QSqlDatabase m_db;
    Dialect m_dialect;
};

}  // namespace kvp
