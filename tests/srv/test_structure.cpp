// Promotion structure: groups, products, discounts, exclusion sets, pre-selection and
// shortcuts, on every backend.

#include "srv_suite.h"

namespace kvp::test {
namespace {

using L = QStringList;

class Structure : public SrvTest {
protected:
    void SetUp() override
    {
        SrvTest::SetUp();
        if (IsSkipped())
            return;
        for (const char* p : {"A1", "A2", "B1", "C1", "X'1"})
            product(p);
        group("GA", {"A1", "A2"});
        group("GB", {"B1"});
        group("GC", {"C1", "X'1"});
        group("GZ", {"GHOST1", "GHOST2"});  // none of these exists in PRODUTO
    }
};

TEST_P(Structure, GeneralGroupsInDisplayOrderWithTheDocumentedColumns)
{
    generalGroup("PROMO", "GB", 1, 2);
    generalGroup("PROMO", "GA", 1);  // no order: counts as 1000
    generalGroup("PROMO", "GC", 1, 1);
    generalGroup("PROMO", "GZ", 1, 0);
    db().insert(S("DESCROTEIRO"), {{"CDPRODUTO", V("PROMO")}, {"TXROTFAB", V("Montar na caixa")}});

    const DataResult r = getGrupoPromoComb(S("PROMO"), S("01"));
    ASSERT_FALSE(r.isError()) << r.errorText().toStdString();
    const DataPacket groups = r.asPackets().at(0);
    EXPECT_EQ(names(groups), (L{S("CDGRUPROMOC"), S("NMGRUPROMOC"), S("CDPRODPROMOCAO"), S("QUANTIDADE"),
                                S("NRORDPROMOGRUP"), S("CDGRUPMUTEX"), S("QUANTMIN"), S("IDAPLICADESC"),
                                S("IDIMPGRPROMO"), S("NRSEQGRPROMO"), S("IDCOMBINAPROD")}));
    // GZ has no product in PRODUTO and is left out.
    EXPECT_EQ(column(groups, "CDGRUPROMOC"), (L{S("GC"), S("GB"), S("GA")}));
    EXPECT_EQ(column(groups, "NRORDPROMOGRUP"), (L{S("1"), S("2"), S("1000")}));
    EXPECT_EQ(groups.fields.at(3).type, FieldType::Float);
    const DataPacket text = r.asPackets().at(1);
    EXPECT_EQ(names(text), L{S("ROTEIRO")});
    EXPECT_EQ(text.fields.at(0).type, FieldType::Blob);
    EXPECT_EQ(column(text, "ROTEIRO"), L{S("Montar na caixa")});
    EXPECT_TRUE(getVerificaPromo(S("01"), S("PROMO")));
    EXPECT_FALSE(getVerificaPromo(S("01"), S("A1")));
}

TEST_P(Structure, BranchLayerReplacesTheGeneralOneOnlyForThatBranch)
{
    generalGroup("PROMO", "GA", 1, 1);
    generalGroup("PROMO", "GB", 1, 2);
    branchGroup("01", "PROMO", "GC", 1, 5);
    branchGroup("01", "PROMO", "GZ", 2, 1);  // no product: not listed, does not count
    db().insert(S("DESCROTEIRO"), {{"CDPRODUTO", V("PROMO")}, {"TXROTFAB", V("geral")}});
    db().insert(S("DESCROTLOCAL"),
                {{"CDPRODUTO", V("PROMO")}, {"CDFILIAL", V("01")}, {"TXROTFABLOC", V("local")}});

    const DataResult own = getGrupoPromoComb(S("PROMO"), S("01"));
    ASSERT_FALSE(own.isError()) << own.errorText().toStdString();
    const DataPacket g = own.asPackets().at(0);
    EXPECT_EQ(names(g).at(4), S("NRORDPROMOGRUPFIL"));
    EXPECT_EQ(column(g, "CDGRUPROMOC"), L{S("GC")});
    EXPECT_EQ(column(g, "QUANTIDADE"), L{S("2")});
    EXPECT_EQ(column(g, "IDCOMBINAPROD"), L{S("S")});
    EXPECT_EQ(column(own.asPackets().at(1), "ROTEIRO"), L{S("local")});

    const DataResult other = getGrupoPromoComb(S("PROMO"), S("02"));
    EXPECT_EQ(column(other.asPackets().at(0), "CDGRUPROMOC"), (L{S("GA"), S("GB")}));
    EXPECT_EQ(column(other.asPackets().at(1), "ROTEIRO"), L{S("geral")});

    // Neither text exists: no row.
    EXPECT_TRUE(getGrupoPromoComb(S("A1"), S("01")).asPackets().at(1).rows.isEmpty());
}

TEST_P(Structure, ValidityDatesIncludeBothEndsAndNeedBothOrNeither)
{
    const QDate d = today();
    generalGroup("PROMO", "GA", 1, 1, QVariant(d), QVariant(d.addDays(3)));       // starts today
    generalGroup("PROMO", "GA", 2, 2, QVariant(d.addDays(-3)), QVariant(d));      // ends today
    generalGroup("PROMO", "GA", 3, 3);                                             // no dates
    generalGroup("PROMO", "GB", 1, 4, QVariant(d.addDays(1)), QVariant(d.addDays(9)));   // future
    generalGroup("PROMO", "GB", 2, 5, QVariant(d.addDays(-9)), QVariant(d.addDays(-1))); // past
    generalGroup("PROMO", "GC", 1, 6, QVariant(d.addDays(-1)), kNull);             // one date only
    generalGroup("PROMO", "GC", 2, 7, kNull, QVariant(d.addDays(1)));              // one date only
    // Stored with a time of day, the end date still covers today's midnight.
    generalGroup("PROMO", "GC", 3, 8, QVariant(d.addDays(-1)),
                 QVariant(QDateTime(d, QTime(23, 59, 59))));

    const DataPacket g = getGrupoPromoComb(S("PROMO"), S("01")).asPackets().at(0);
    EXPECT_EQ(column(g, "NRSEQGRPROMO"), (L{S("1"), S("2"), S("3"), S("3")}));
    EXPECT_EQ(column(g, "CDGRUPROMOC"), (L{S("GA"), S("GA"), S("GA"), S("GC")}));

    // The host's date decides: a day later the groups that ended today are gone and the
    // one starting tomorrow has come.
    m_host.setNow(QDateTime(d.addDays(1), QTime(0, 0, 1)));
    const DataPacket later = getGrupoPromoComb(S("PROMO"), S("01")).asPackets().at(0);
    EXPECT_EQ(column(later, "CDGRUPROMOC"), (L{S("GA"), S("GA"), S("GB")}));
    EXPECT_EQ(column(later, "NRSEQGRPROMO"), (L{S("1"), S("3"), S("1")}));
}

TEST_P(Structure, BranchRowsOutOfDateFallBackToTheGeneralGroups)
{
    const QDate d = today();
    generalGroup("PROMO", "GA", 1, 1);
    branchGroup("01", "PROMO", "GB", 1, 1, QVariant(d.addDays(-5)), QVariant(d.addDays(-1)));
    EXPECT_EQ(column(getGrupoPromoComb(S("PROMO"), S("01")).asPackets().at(0), "CDGRUPROMOC"),
              L{S("GA")});
    EXPECT_TRUE(getVerificaPromo(S("01"), S("PROMO")));

    // A promotion whose only rows are out of date is no promotion.
    branchGroup("01", "OLD", "GA", 1, 1, QVariant(d.addDays(1)), QVariant(d.addDays(2)));
    EXPECT_FALSE(getVerificaPromo(S("01"), S("OLD")));
}

TEST_P(Structure, ProductsOfAGroupGeneralLayer)
{
    product("P3", "Suco", "003", "SUCO FISCAL");
    product("P4", "Agua", "001");
    product("P5", "Cha", "002");
    group("GD", {"P3", "P4", "P5"});
    generalGroup("PROMO", "GD", 1);
    db().insert(S("DESGRUPROMOCPR"), {{"CDPRODPROMOCAO", V("PROMO")}, {"CDGRUPROMOC", V("GD")},
                                      {"CDPRODUTO", V("P3")}, {"NRSEQGRPROMO", 1},
                                      {"NRORDPROMOPR", 1}, {"IDOBRPRODSELEC", V("S")}});
    // Settings of another occurrence of the group do not apply.
    db().insert(S("DESGRUPROMOCPR"), {{"CDPRODPROMOCAO", V("PROMO")}, {"CDGRUPROMOC", V("GD")},
                                      {"CDPRODUTO", V("P5")}, {"NRSEQGRPROMO", 2},
                                      {"NRORDPROMOPR", 1}});
    db().insert(S("FAMSALDOPROD"), {{"CDPRODUTO", V("P4")}, {"CDFILIAL", V("01")}, {"CDFAMILISALD", V("F01")}});
    db().insert(S("FAMSALDOPROD"), {{"CDPRODUTO", V("P5")}, {"CDFILIAL", V("02")}, {"CDFAMILISALD", V("F02")}});
    db().insert(S("ITMENUCONFTE"), {{"CDFILIAL", V("01")}, {"NRCONFTELA", 7}, {"IDTPBUTTON", V("1")},
                                    {"CDIDENTBUTON", V("P4")}, {"CDATAPRODITM", V("44")}});
    db().insert(S("ITMENUCONFTE"), {{"CDFILIAL", V("01")}, {"NRCONFTELA", 8}, {"IDTPBUTTON", V("1")},
                                    {"CDIDENTBUTON", V("P5")}, {"CDATAPRODITM", V("55")}});

    const DataResult r = getProdutoPromoComb(S("GD"), S("PROMO"), S("01"), S("7"), S("1"));
    ASSERT_FALSE(r.isError()) << r.errorText().toStdString();
    const DataPacket p = r.asPacket();
    EXPECT_EQ(names(p), (L{S("CDPRODUTO"), S("NMPRODUTO"), S("CDARVPROD"), S("CDGRUPROMOC"),
                           S("IDPESAPROD"), S("SGUNIDADE"), S("QTTARAPROD"), S("CDFAMILISALD"),
                           S("NRORDPROMOPR"), S("IDOBRPRODSELEC"), S("CDATAPRODITM"),
                           S("CDBARPRODUTO"), S("IDIMPPRODUTO")}));
    // P3 by its order, then the unordered ones by product tree code.
    EXPECT_EQ(column(p, "CDPRODUTO"), (L{S("P3"), S("P4"), S("P5")}));
    EXPECT_EQ(column(p, "NMPRODUTO"), (L{S("SUCO FISCAL"), S("Agua"), S("Cha")}));
    EXPECT_EQ(column(p, "NRORDPROMOPR"), (L{S("1"), S("1000"), S("1000")}));
    EXPECT_EQ(column(p, "IDOBRPRODSELEC"), (L{S("S"), S(""), S("")}));
    EXPECT_EQ(column(p, "CDFAMILISALD"), (L{S(""), S("F01"), S("")}));
    EXPECT_EQ(column(p, "CDATAPRODITM"), (L{S(""), S("44"), S("")}));
}

TEST_P(Structure, ProductsSwitchToTheBranchSettingsOfThatBranchOnly)
{
    product("P3", "Suco", "001");
    product("P4", "Agua", "002");
    group("GD", {"P3", "P4"});
    generalGroup("PROMO", "GD", 1);
    db().insert(S("DESGRUPROMOCPR"), {{"CDPRODPROMOCAO", V("PROMO")}, {"CDGRUPROMOC", V("GD")},
                                      {"CDPRODUTO", V("P3")}, {"NRSEQGRPROMO", 1}, {"NRORDPROMOPR", 9}});
    auto settings = [&](const char* branch, const char* prod, int order, const char* obligatory) {
        db().insert(S("DESGRUPROMPRFIL"), {{"CDFILIAL", V(branch)}, {"CDPRODPROMOCAO", V("PROMO")},
                                           {"CDGRUPROMOC", V("GD")}, {"CDPRODUTO", V(prod)},
                                           {"NRSEQGRPROMOFIL", 1}, {"NRORDPROMOPRFIL", order},
                                           {"IDOBRPRODSELFIL", V(obligatory)}});
    };
    settings("01", "P4", 1, "S");
    settings("02", "P3", 1, "N");
    settings("02", "P4", 2, "N");

    const DataPacket own = getProdutoPromoComb(S("GD"), S("PROMO"), S("01"), S("1"), S("1")).asPacket();
    // P3 has no row of branch 01: listed, unordered, without flag. Branch 02's rows stay out.
    EXPECT_EQ(column(own, "CDPRODUTO"), (L{S("P4"), S("P3")}));
    EXPECT_EQ(column(own, "IDOBRPRODSELEC"), (L{S("S"), S("")}));

    // Branch 03 has no settings of its own: the general order applies.
    const DataPacket general = getProdutoPromoComb(S("GD"), S("PROMO"), S("03"), S("1"), S("1")).asPacket();
    EXPECT_EQ(column(general, "CDPRODUTO"), (L{S("P3"), S("P4")}));
    EXPECT_EQ(column(general, "NRORDPROMOPR"), (L{S("9"), S("1000")}));
}

TEST_P(Structure, DiscountFallsBackToTheGeneralRowOnlyWithoutBranchGroups)
{
    generalGroup("PROMO", "GA", 1);
    db().insert(S("DESGRUPROMOCPR"), {{"CDPRODPROMOCAO", V("PROMO")}, {"CDGRUPROMOC", V("GA")},
                                      {"CDPRODUTO", V("A1")}, {"NRSEQGRPROMO", 1},
                                      {"IDPERVALORDES", V("P")}, {"VRDESPRODPROMOC", 12.5},
                                      {"IDAPLICADESCPR", V("S")}, {"IDDESCACRPROMO", V("D")}});
    db().insert(S("DESGRUPROMPRFIL"), {{"CDFILIAL", V("01")}, {"CDPRODPROMOCAO", V("PROMO")},
                                       {"CDGRUPROMOC", V("GA")}, {"CDPRODUTO", V("A2")},
                                       {"NRSEQGRPROMOFIL", 1}, {"IDPERVALDESFIL", V("V")},
                                       {"VRDESPRPROMOFIL", 3.0}, {"IDAPLICADESCPRFI", V("S")},
                                       {"IDDESCACRPROFIL", V("A")}});
    branchGroup("01", "PROMO", "GA", 1);

    const DataPacket general = getDescontoPromocao(S("02"), S("PROMO"), S("GA"), S("A1"), S("1")).asPacket();
    EXPECT_EQ(names(general), (L{S("IDPERCVALOR"), S("VRDESCONTO"), S("IDAPLICADESCONTO"), S("IDDESCACRPROMO")}));
    ASSERT_EQ(general.rows.size(), 1);
    EXPECT_EQ(general.rows.at(0), (Row{V("P"), 12.5, V("S"), V("D")}));

    const DataPacket own = getDescontoPromocao(S("01"), S("PROMO"), S("GA"), S("A2"), S("1")).asPacket();
    ASSERT_EQ(own.rows.size(), 1);
    EXPECT_EQ(own.rows.at(0), (Row{V("V"), 3.0, V("S"), V("A")}));

    // Branch 01 governs with its own groups: no row for A1 means no discount.
    const DataPacket none = getDescontoPromocao(S("01"), S("PROMO"), S("GA"), S("A1"), S("1")).asPacket();
    EXPECT_TRUE(none.rows.isEmpty());
    EXPECT_EQ(names(none), names(general));
}

TEST_P(Structure, ExclusionSetFallsBackPerSetEvenInABranchWithGroups)
{
    generalGroup("PROMO", "GA", 1, 1, {}, {}, V("M1"));
    generalGroup("PROMO", "GB", 1, 2, {}, {}, V("M1"));
    generalGroup("PROMO", "GC", 1, 3, {}, {}, V("M2"));
    branchGroup("01", "PROMO", "GC", 1, 1, {}, {}, V("M2"));

    const DataPacket m1 = getGrupoMutex(S("01"), S("PROMO"), S("M1")).asPacket();
    EXPECT_EQ(names(m1), (L{S("CDGRUPROMOC"), S("CDPRODPROMOCAO"), S("CDGRUPMUTEX")}));
    L groups = column(m1, "CDGRUPROMOC");
    groups.sort();
    EXPECT_EQ(groups, (L{S("GA"), S("GB")}));
    EXPECT_EQ(column(getGrupoMutex(S("01"), S("PROMO"), S("M2")).asPacket(), "CDGRUPROMOC"), L{S("GC")});
    EXPECT_TRUE(getGrupoMutex(S("01"), S("PROMO"), S("M9")).asPacket().rows.isEmpty());
}

TEST_P(Structure, PreSelectedProductsInGroupOrderWithBranchFallback)
{
    generalGroup("PROMO", "GA", 1, 3);
    generalGroup("PROMO", "GB", 1, 1);
    generalGroup("PROMO", "GC", 1);
    auto preselect = [&](const char* grp, const char* prod) {
        db().insert(S("DESGRUPROMOCPR"), {{"CDPRODPROMOCAO", V("PROMO")}, {"CDGRUPROMOC", V(grp)},
                                          {"CDPRODUTO", V(prod)}, {"NRSEQGRPROMO", 1},
                                          {"IDPRODPRESELEC", V("S")}});
    };
    preselect("GC", "C1");
    preselect("GA", "A2");
    preselect("GB", "B1");
    db().insert(S("DESGRUPROMOCPR"), {{"CDPRODPROMOCAO", V("PROMO")}, {"CDGRUPROMOC", V("GA")},
                                      {"CDPRODUTO", V("A1")}, {"NRSEQGRPROMO", 1},
                                      {"IDPRODPRESELEC", V("N")}});

    const DataPacket general = getPreSelecionados(S("01"), S("PROMO")).asPacket();
    EXPECT_EQ(names(general), (L{S("CDGRUPROMOC"), S("CDPRODUTO")}));
    EXPECT_EQ(column(general, "CDPRODUTO"), (L{S("B1"), S("A2"), S("C1")}));

    // Branch 02 has groups but no pre-selection of its own: nothing is pre-selected.
    branchGroup("02", "PROMO", "GA", 1, 1);
    EXPECT_TRUE(getPreSelecionados(S("02"), S("PROMO")).asPacket().rows.isEmpty());

    // Branch 03's own pre-selection, in its own group order.
    branchGroup("03", "PROMO", "GA", 1, 2);
    branchGroup("03", "PROMO", "GB", 1, 1);
    for (const auto& [grp, prod] : {std::pair{"GA", "A1"}, std::pair{"GB", "B1"}})
        db().insert(S("DESGRUPROMPRFIL"), {{"CDFILIAL", V("03")}, {"CDPRODPROMOCAO", V("PROMO")},
                                           {"CDGRUPROMOC", V(grp)}, {"CDPRODUTO", V(prod)},
                                           {"NRSEQGRPROMOFIL", 1}, {"IDPRODPRESELFIL", V("S")}});
    EXPECT_EQ(column(getPreSelecionados(S("03"), S("PROMO")).asPacket(), "CDPRODUTO"),
              (L{S("B1"), S("A1")}));
}

TEST_P(Structure, ShortcutsAndCodesWithQuotes)
{
    db().insert(S("ITMENUCONFTE"), {{"CDFILIAL", V("01")}, {"NRCONFTELA", 3}, {"IDTPBUTTON", V("1")},
                                    {"CDIDENTBUTON", V("X'1")}, {"CDATAPRODITM", V("7'")}});
    db().insert(S("ITMENUCONFTE"), {{"CDFILIAL", V("01")}, {"NRCONFTELA", 3}, {"IDTPBUTTON", V("2")},
                                    {"CDIDENTBUTON", V("A1")}, {"CDATAPRODITM", V("8")}});
    const DataResult found = getCodigoAtalho(S("01"), S("3"), S("7'"));
    ASSERT_FALSE(found.isError()) << found.errorText().toStdString();
    EXPECT_EQ(found.toText(), S("X'1"));
    EXPECT_EQ(getCodigoAtalho(S("01"), S("3"), S("8")).toText(), S(""));   // not a product button
    EXPECT_EQ(getCodigoAtalho(S("02"), S("3"), S("7'")).toText(), S(""));  // other branch
    EXPECT_EQ(getCodigoAtalho(S("01"), S("3"), S("' OR '1'='1")).toText(), S(""));

    generalGroup("PR'OMO", "GC", 1);
    const DataPacket p = getProdutoPromoComb(S("GC"), S("PR'OMO"), S("01"), S("3"), S("1")).asPacket();
    EXPECT_EQ(column(p, "CDPRODUTO"), (L{S("C1"), S("X'1")}));
    EXPECT_EQ(column(p, "CDATAPRODITM"), (L{S(""), S("7'")}));
    EXPECT_EQ(column(getGrupoPromoComb(S("PR'OMO"), S("01")).asPackets().at(0), "CDGRUPROMOC"), L{S("GC")});
}

TEST_P(Structure, SecondCallReturnsItsOwnRows)
{
    generalGroup("PROMO", "GA", 1);
    generalGroup("OTHER", "GB", 1);
    EXPECT_EQ(column(getProdutoPromoComb(S("GA"), S("PROMO"), S("01"), S("1"), S("1")).asPacket(), "CDPRODUTO"),
              (L{S("A1"), S("A2")}));
    EXPECT_EQ(column(getProdutoPromoComb(S("GB"), S("OTHER"), S("01"), S("1"), S("1")).asPacket(), "CDPRODUTO"),
              L{S("B1")});
    EXPECT_EQ(column(getGrupoPromoComb(S("PROMO"), S("01")).asPackets().at(0), "CDGRUPROMOC"), L{S("GA")});
    EXPECT_EQ(column(getGrupoPromoComb(S("OTHER"), S("01")).asPackets().at(0), "CDGRUPROMOC"), L{S("GB")});
    // getVerificaPromo shares the group queries and must not see the last call's rows.
    EXPECT_FALSE(getVerificaPromo(S("01"), S("NONE")));
    EXPECT_TRUE(getVerificaPromo(S("01"), S("OTHER")));
}

INSTANTIATE_TEST_SUITE_P(Backends, Structure,
                         ::testing::Values(Backend::Sqlite, Backend::Postgres, Backend::OdbcSqlite,
                                           Backend::OdbcPostgres),
                         backendParamName);

}  // namespace
}  // namespace kvp::test
