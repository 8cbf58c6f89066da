// A shop whose columns are wider than the module's own schema: its codes and units come
// back whole, and a value wider than the host's item record is refused by name, never
// cut into another product's code.

#include "backendselection.h"

#include <QSqlQuery>

namespace kvp::test {
namespace {

class ShopSchema : public BackendSelection, public ::testing::WithParamInterface<Backend> {
protected:
    Backend backend() const override { return GetParam(); }

    // PostgreSQL holds what its columns declare: widen every product and tree code to 30
    // and every unit to 10. SQLite keeps whatever it is given.
    void widen()
    {
        if (!usesPostgres(backend()))
            return;
        QSqlQuery q(db->database());
        ASSERT_TRUE(q.exec(S("SELECT table_name, column_name FROM information_schema.columns "
                             "WHERE table_schema = current_schema() "
                             "AND column_name IN ('cdproduto', 'cdarvprod', 'sgunidade')")));
        QList<std::pair<QString, QString>> columns;
        while (q.next())
            columns.append({q.value(0).toString(), q.value(1).toString()});
        ASSERT_FALSE(columns.isEmpty());
        for (const auto& [table, column] : columns)
            db->exec(S("ALTER TABLE %1 ALTER COLUMN %2 TYPE VARCHAR(%3)")
                         .arg(table, column, column == S("sgunidade") ? S("10") : S("30")));
    }

    void unit(const QString& product, const QString& unit)
    {
        QSqlQuery q(db->database());
        q.prepare(S("UPDATE PRODUTO SET SGUNIDADE = :U WHERE CDPRODUTO = :P"));
        q.bindValue(S(":U"), unit);
        q.bindValue(S(":P"), product);
        ASSERT_TRUE(q.exec());
    }
};

TEST_P(ShopSchema, ACodeOfTwentyAndAUnitOfTenComeBackWhole)
{
    widen();
    const QString code = S("PRODUTO-COM-20-CARAC");
    sellable(code, 10.00, 0, S("Produto de código longo"));
    unit(code, S("UNIDADE-10"));
    addGroup(S("G1"), {code});
    start();
    touch(code);
    confirm();
    EXPECT_TRUE(combinada::boPromocaoComb) << warnings().join(S(" | ")).toStdString();
    ASSERT_EQ(lineCount(), 1);
    EXPECT_EQ(text(1, "CDPRODUTO"), code);
    EXPECT_EQ(text(1, "SGUNIDADE"), S("UNIDADE-10"));
    EXPECT_EQ(text(1, "NMPRODUTO"), S("Produto de código longo"));
}

TEST_P(ShopSchema, ACodeWiderThanTheItemRecordIsRefusedByName)
{
    widen();
    const QString code = S("PRODUTO-COM-25-CARACTERES");
    sellable(code, 10.00);
    sellable(S("P1"), 8.00);
    addGroup(S("G1"), {code, S("P1")});
    start();
    // The group's list still shows both: one long code does not cost the others.
    EXPECT_EQ(gridProducts().size(), 2);
    touch(code);
    EXPECT_EQ(lineCount(), 0);
    const QStringList shown = warnings();
    ASSERT_FALSE(shown.isEmpty());
    EXPECT_TRUE(shown.last().contains(S("CDPRODUTO")) && shown.last().contains(code))
        << shown.join(S(" | ")).toStdString();
    EXPECT_TRUE(log().contains(code)) << log().toStdString();
    EXPECT_TRUE(screen->controlesBandeja().isEmpty());
    touch(S("P1"));
    EXPECT_EQ(lineCount(), 1);
}

INSTANTIATE_TEST_SUITE_P(Backends, ShopSchema, ::testing::Values(Backend::Sqlite, Backend::Postgres),
                         [](const ::testing::TestParamInfo<Backend>& param) {
                             return backendName(param.param).toStdString();
                         });

}  // namespace
}  // namespace kvp::test
