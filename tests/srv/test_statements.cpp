// Statement texts, connection strings and the schema files, without a database.

#include "connectionstring.h"
#include "schema.h"
#include "statements.h"

#include <gtest/gtest.h>

#include <QRegularExpression>
#include <QSet>

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

}  // namespace
}  // namespace kvp
