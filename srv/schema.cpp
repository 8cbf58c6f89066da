#include "schema.h"

#include <QHash>

#include <algorithm>
#include <iterator>
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

bool isColumnNameChar(QChar c)
{
    return (c >= QLatin1Char('A') && c <= QLatin1Char('Z')) || (c >= QLatin1Char('0') && c <= QLatin1Char('9')) ||
           c == QLatin1Char('_');
}

// Reads the SQLite DDL: one "NAME TYPE" column per line inside CREATE TABLE. Read by hand
// rather than by regular expressions: this runs in the first sale of every process.
Catalogue buildCatalogue()
{
    static const QLatin1String create("CREATE TABLE ");
    struct ColumnType {
        QLatin1String name;
        FieldDef (*make)(const QString& column, int width);
    };
    static const ColumnType types[] = {
        {QLatin1String("VARCHAR"), [](const QString& n, int width) { return stringField(n, width); }},
        {QLatin1String("INTEGER"), [](const QString& n, int) { return integerField(n); }},
        {QLatin1String("NUMERIC"), [](const QString& n, int) { return floatField(n); }},
        {QLatin1String("DATETIME"), [](const QString& n, int) { return dateTimeField(n); }},
        {QLatin1String("TEXT"), [](const QString& n, int) { return blobField(n); }},
    };
    Catalogue c;
    const QString ddl = schemaDdl(Dialect::Sqlite);
    for (const QStringView line : QStringView(ddl).split(QLatin1Char('\n'))) {
        if (line.startsWith(create)) {
            qsizetype end = create.size();
            while (end < line.size() && (line.at(end).isLetterOrNumber() || line.at(end) == QLatin1Char('_')))
                ++end;
            if (end > create.size()) {
                c.tables.append(line.mid(create.size(), end - create.size()).toString());
                continue;
            }
        }
        // Indented, a name of capitals, digits and underscores, blanks, a type and an
        // optional "(width)".
        qsizetype at = 0;
        while (at < line.size() && line.at(at).isSpace())
            ++at;
        if (at == 0)
            continue;
        const qsizetype nameStart = at;
        while (at < line.size() && isColumnNameChar(line.at(at)))
            ++at;
        const qsizetype nameEnd = at;
        while (at < line.size() && line.at(at).isSpace())
            ++at;
        if (nameEnd == nameStart || at == nameEnd)
            continue;
        const QStringView rest = line.mid(at);
        const ColumnType* type = std::find_if(std::begin(types), std::end(types),
                                              [&](const ColumnType& t) { return rest.startsWith(t.name); });
        if (type == std::end(types))
            continue;
        const QString name = line.mid(nameStart, nameEnd - nameStart).toString();
        if (c.columns.contains(name))
            continue;
        int width = 0;
        const QStringView after = rest.mid(type->name.size());
        if (after.startsWith(QLatin1Char('('))) {
            qsizetype d = 1;
            while (d < after.size() && after.at(d).isDigit())
                ++d;
            if (d > 1 && d < after.size() && after.at(d) == QLatin1Char(')'))
                width = after.mid(1, d - 1).toInt();
        }
        c.columns.insert(name, type->make(name, width));
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
