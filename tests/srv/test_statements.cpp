// Statement texts, connection strings and the schema files, without a database.

#include "connectionstring.h"
#include "schema.h"
#include "statements.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QRegularExpression>
#include <QSet>

#include <optional>
#include <string>

namespace kvp {
namespace {

QString S(const char* text) { return QString::fromUtf8(text); }

TEST(StatementTexts, EveryDialectUsesTheSameParameterNames)
{
    for (int i = 0; i < kStmtCount; ++i) {
        const auto stmt = static_cast<Stmt>(i);
        const QStringList reference = placeholderNames(statementText(stmt, Dialect::MsSql));
        const QSet<QString> expected(reference.begin(), reference.end());
        for (Dialect d : kAllDialects) {
            const QString text = statementText(stmt, d);
            ASSERT_FALSE(text.trimmed().isEmpty()) << statementName(stmt).toStdString();
            const QStringList names = placeholderNames(text);
            EXPECT_EQ(QSet<QString>(names.begin(), names.end()), expected)
                << statementName(stmt).toStdString() << " in " << dialectName(d).toStdString();
        }
    }
}

TEST(StatementTexts, EachDialectOnlyUsesItsOwnFunctions)
{
    const QRegularExpression sqlServerOnly(S("\\b(ISNULL|CHARINDEX|GETDATE|CONVERT)\\s*\\("));
    const QRegularExpression oracleOnly(S("\\b(NVL|SYSDATE|TO_DATE)\\b|\\(\\+\\)"));
    const QRegularExpression notPostgres(S("\\bINSTR\\s*\\(|\\{|\\}"));
    for (int i = 0; i < kStmtCount; ++i) {
        const auto stmt = static_cast<Stmt>(i);
        const std::string name = statementName(stmt).toStdString();
        EXPECT_FALSE(statementText(stmt, Dialect::Oracle).contains(sqlServerOnly)) << name;
        EXPECT_FALSE(statementText(stmt, Dialect::MsSql).contains(oracleOnly)) << name;
        for (Dialect d : {Dialect::Sqlite, Dialect::PostgreSql}) {
            EXPECT_FALSE(statementText(stmt, d).contains(sqlServerOnly)) << name;
            EXPECT_FALSE(statementText(stmt, d).contains(oracleOnly)) << name;
        }
        EXPECT_FALSE(statementText(stmt, Dialect::PostgreSql).contains(notPostgres)) << name;
    }
}

// The shops' text of a statement, as kept in data/<dialect>/<statement>.sql; the file's
// final line feed is no part of the statement. Empty when there is no such file.
std::optional<QString> shopText(Stmt stmt, Dialect dialect)
{
    QFile file(QStringLiteral(KVP_TEST_DATA_DIR "/%1/%2.sql")
                   .arg(dialectName(dialect), statementName(stmt)));
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    QString text = QString::fromUtf8(file.readAll());
    if (text.endsWith(QLatin1Char('\n')))
        text.chop(1);
    return text;
}

// Where two texts part: the line and column, and that line in each text.
std::string firstDifference(const QString& actual, const QString& expected)
{
    qsizetype i = 0;
    while (i < actual.size() && i < expected.size() && actual.at(i) == expected.at(i))
        ++i;
    const QString before = actual.left(i);
    const qsizetype line = before.count(QLatin1Char('\n'));
    const qsizetype column = i - before.lastIndexOf(QLatin1Char('\n'));
    auto lineOf = [line](const QString& text) {
        return "\"" + text.split(QLatin1Char('\n')).value(line).toStdString() + "\"";
    };
    return "line " + std::to_string(line + 1) + ", column " + std::to_string(column) + ": " +
           lineOf(actual) + " where the shops have " + lineOf(expected);
}

// The texts the shops run on SQL Server and Oracle, character for character: blanks, tabs
// and line breaks included, since they are the shops' own and are kept as they are.
TEST(StatementTexts, ShopDialectsAreTheShopsTextsExactly)
{
    // The shops' text of these two uses SQL Server functions and has no Oracle form;
    // the Oracle text run for them is our own.
    const QSet<Stmt> ownOracleText{Stmt::adqPreSelecFili, Stmt::adqCombinaProd};
    for (int i = 0; i < kStmtCount; ++i) {
        const auto stmt = static_cast<Stmt>(i);
        for (Dialect d : {Dialect::MsSql, Dialect::Oracle}) {
            const std::string where = "data/" + dialectName(d).toStdString() + "/" +
                                      statementName(stmt).toStdString() + ".sql";
            const std::optional<QString> expected = shopText(stmt, d);
            if (d == Dialect::Oracle && ownOracleText.contains(stmt)) {
                EXPECT_FALSE(expected.has_value()) << where << " has no shop text to pin";
                continue;
            }
            ASSERT_TRUE(expected.has_value()) << where << " is missing";
            const QString actual = statementText(stmt, d);
            EXPECT_TRUE(actual == *expected) << "the text differs from " << where << " at "
                                             << firstDifference(actual, *expected);
        }
    }
}

TEST(StatementTexts, PlaceholdersInsideLiteralsAreNoParameters)
{
    EXPECT_EQ(placeholderNames(S("SELECT ':X', \"a:Y\" FROM T WHERE A = :P_A AND B = :P_B OR C = :P_A")),
              (QStringList{S("P_A"), S("P_B")}));
    EXPECT_EQ(placeholderNames(S("SELECT 'it''s :not' FROM T WHERE A=:P1")), QStringList{S("P1")});
}

TEST(ConnectionStrings, QuotedValuesKeepSemicolonsAndQuotes)
{
    const auto s = ConnectionSettings::parse(
        S(" Driver = qpsql ; HOST=db.local;port=5433;database=\"shop;main\";user=pos;"
          "password=\"p\"\"w;d\";options=connect_timeout=3"));
    EXPECT_EQ(s.driver, S("QPSQL"));
    EXPECT_EQ(s.host, S("db.local"));
    EXPECT_EQ(s.port, 5433);
    EXPECT_EQ(s.database, S("shop;main"));
    EXPECT_EQ(s.password, S("p\"w;d"));
    EXPECT_EQ(s.options, S("connect_timeout=3"));
    EXPECT_EQ(ConnectionSettings::parse(s.toString()).password, s.password);
    EXPECT_EQ(ConnectionSettings::parse(s.toString()).database, s.database);
}

TEST(ConnectionStrings, MistakesAreClearErrors)
{
    for (const char* bad : {"database=/x.db", "driver=QSQLITE;colour=blue", "driver=QPSQL;port=abc",
                            "driver=QPSQL;port=70000", "driver=QSQLITE;database=\"/x.db",
                            "driver=QSQLITE;database=\"/x.db\"junk", "driver=QSQLITE;driver=QPSQL",
                            "driver=QSQLITE;database"}) {
        EXPECT_THROW(ConnectionSettings::parse(S(bad)), ConnectionStringError) << bad;
    }
}

TEST(Schema, BothDialectsDeclareTheSameTablesAndColumns)
{
    const QRegularExpression create(S("CREATE TABLE (\\w+) \\(([^;]*)\\)"));
    const QRegularExpression column(S("^\\s+([A-Z0-9_]+)\\s+(VARCHAR\\(\\d+\\)|\\w+)"),
                                    QRegularExpression::MultilineOption);
    auto shape = [&](Dialect d) {
        QStringList out;
        for (const QString& stmt : schemaStatements(d)) {
            const auto m = create.match(stmt);
            if (!m.hasMatch())
                continue;
            QStringList cols;
            for (auto it = column.globalMatch(m.captured(2)); it.hasNext();) {
                const auto c = it.next();
                if (c.captured(1) == S("CONSTRAINT"))
                    continue;
                // Widths of text must agree; number and date spellings differ per dialect.
                cols.append(c.captured(1) + S(" ") + (c.captured(2).startsWith(S("VARCHAR")) ? c.captured(2) : S("")));
            }
            out.append(m.captured(1) + S(": ") + cols.join(S(", ")));
        }
        return out;
    };
    const QStringList sqlite = shape(Dialect::Sqlite);
    EXPECT_EQ(sqlite.size(), schemaTables().size());
    EXPECT_EQ(sqlite, shape(Dialect::PostgreSql));
}

TEST(Schema, EveryColumnIsCataloguedWithItsDeclaredTypeAndWidth)
{
    const QRegularExpression column(S("^\\s+([A-Z0-9_]+)\\s+(VARCHAR|INTEGER|NUMERIC|DATETIME|TEXT)(?:\\((\\d+)\\))?"),
                                    QRegularExpression::MultilineOption);
    QSet<QString> seen;
    int strings = 0;
    for (auto it = column.globalMatch(schemaDdl(Dialect::Sqlite)); it.hasNext();) {
        const auto m = it.next();
        const QString name = m.captured(1);
        if (seen.contains(name))
            continue;  // a column of several tables keeps its first declaration
        seen.insert(name);
        const std::optional<FieldDef> def = catalogueField(name.toLower());
        ASSERT_TRUE(def) << name.toStdString();
        const QString type = m.captured(2);
        const FieldType expected = type == S("VARCHAR")    ? FieldType::String
                                   : type == S("INTEGER")  ? FieldType::Integer
                                   : type == S("NUMERIC")  ? FieldType::Float
                                   : type == S("DATETIME") ? FieldType::DateTime
                                                           : FieldType::Blob;
        EXPECT_EQ(def->type, expected) << name.toStdString();
        if (expected == FieldType::String) {
            ++strings;
            EXPECT_EQ(def->size, m.captured(3).toInt()) << name.toStdString();
        }
    }
    EXPECT_GT(strings, 100);
    EXPECT_FALSE(catalogueField(S("NOSUCHCOLUMN")));
    EXPECT_EQ(catalogueField(S("ROTEIRO"))->type, FieldType::Blob) << "aliases follow their column";
}

}  // namespace
}  // namespace kvp
