#include "schema.h"

#include <QHash>
#include <QRegularExpression>

#include <stdexcept>

namespace kvp {
namespace schemaddl {
extern const char* const sqlite;
extern const char* const postgresql;
}  // namespace schemaddl

QString schemaDdl(Dialect dialect)
{
    switch (dialect) {
    case Dialect::Sqlite: return QString::fromUtf8(schemaddl::sqlite);
    case Dialect::PostgreSql: return QString::fromUtf8(schemaddl::postgresql);
    case Dialect::MsSql:
    case Dialect::Oracle: break;
    }
    throw std::invalid_argument("No schema for the shops' own databases");
}

QStringList schemaStatements(Dialect dialect)
{
    QStringList statements;
    QString current;
    const QStringList lines = schemaDdl(dialect).split(QLatin1Char('\n'));
    for (const QString& raw : lines) {
        const QString line = raw.trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1String("--")))
            continue;
        current += raw + QLatin1Char('\n');
        if (line.endsWith(QLatin1Char(';'))) {
            current = current.trimmed();
            current.chop(1);
            statements.append(current);
            current.clear();
        }
    }
    return statements;
}

namespace {

struct Catalogue {
    QStringList tables;
    QHash<QString, FieldDef> columns;
};

// Reads the SQLite DDL: one "NAME TYPE" column per line inside CREATE TABLE.
Catalogue buildCatalogue()
{
    static const QRegularExpression table(QStringLiteral("^CREATE TABLE (\\w+)"));
    static const QRegularExpression column(
        QStringLiteral("^\\s+([A-Z0-9_]+)\\s+(VARCHAR|INTEGER|NUMERIC|DATETIME|TEXT)(?:\\((\\d+)\\))?"));
    Catalogue c;
    const QStringList lines = schemaDdl(Dialect::Sqlite).split(QLatin1Char('\n'));
    for (const QString& line : lines) {
        if (const auto t = table.match(line); t.hasMatch()) {
            c.tables.append(t.captured(1));
            continue;
        }
        const auto m = column.match(line);
        if (!m.hasMatch() || c.columns.contains(m.captured(1)))
            continue;
        const QString name = m.captured(1);
        const QString type = m.captured(2);
        FieldDef def;
        if (type == QLatin1String("VARCHAR"))
            def = stringField(name, m.captured(3).toInt());
        else if (type == QLatin1String("INTEGER"))
            def = integerField(name);
        else if (type == QLatin1String("NUMERIC"))
            def = floatField(name);
        else if (type == QLatin1String("DATETIME"))
            def = dateTimeField(name);
        else
            def = blobField(name);
        c.columns.insert(name, def);
    }
    // Names the statements give their result columns, and the column each stands for.
    const std::pair<const char*, const char*> aliases[] = {
        {"QUANTIDADE", "QTPRGRUPPROMOC"},  {"QUANTMIN", "QTPRGRUPROMIN"},
        {"ROTEIRO", "TXROTFAB"},           {"VRDESCONTO", "VRDESPRODPROMOC"},
        {"IDAPLICADESCONTO", "IDAPLICADESCPR"},
    };
    for (const auto& [alias, source] : aliases) {
        FieldDef def = c.columns.value(QLatin1String(source));
        def.name = QLatin1String(alias);
        c.columns.insert(def.name, def);
    }
    c.columns.insert(QStringLiteral("NRPRODUTOS"), integerField(QStringLiteral("NRPRODUTOS")));
    return c;
}

const Catalogue& catalogue()
{
    static const Catalogue c = buildCatalogue();
    return c;
}

}  // namespace

QStringList schemaTables() { return catalogue().tables; }

std::optional<FieldDef> catalogueField(const QString& column)
{
    const auto& columns = catalogue().columns;
    const auto it = columns.constFind(column.toUpper());
    if (it == columns.constEnd())
        return std::nullopt;
    return *it;
}

}  // namespace kvp
