// Confirmation: the group check and its list, the discount redistribution with its
// remainder and its undo, the record of the combination and the fixed-price division.

#include "selectionfixture.h"

#include <QSqlQuery>

namespace kvp::test {
namespace {

class Confirmation : public Selection {
protected:
    void setDiscount(int line, double discount, double dayDiscount)
    {
        DataSet& itens = screen->cdsItemProd;
        itens.clearFilter();
        ASSERT_TRUE(itens.locate(S("NRSEQ_ORD"), line));
        itens.edit();
        itens.setValue(S("VRDESCONTO"), discount);
        itens.setValue(S("VRDESCDIA"), dayDiscount);
        itens.post();
    }
    // Two groups whose lines take no promotion discount, then two that do.
    void redistributionShop(double cheapest)
    {
        for (const char* p : {"X", "Y", "Q"})
            sellable(S(p), 10);
        sellable(S("P"), cheapest);
        sellable(S("R"), 12);
        addGroup(S("N1"), {S("X")}, quantity(1, 0, {}, S("N")));
        addGroup(S("N2"), {S("Y")}, quantity(1, 0, {}, S("N")));
        addGroup(S("S1"), {S("P")}, quantity(1));
        addGroup(S("S2"), {S("Q"), S("R")}, quantity(2));
        start();
        for (const char* p : {"X", "Y", "P", "Q", "R"})
            touch(S(p));
        ASSERT_EQ(column("CDGRUPROMOC"),
                  (QStringList{S("N1"), S("N2"), S("S1"), S("S2"), S("S2")}));
        setDiscount(1, 3.00, 1.00);
        setDiscount(2, 3.00, 1.00);
    }
    const QString shortText =
        S("Operação bloqueada. Faltam produtos a serem informados para a "
          "conclusão do pedido nas seguintes páginas: \r\r");
};

TEST_F(Confirmation, ShortGroupsAreListedAndTheScreenStaysOpen)
{
    for (const char* p : {"A", "B", "C", "D"})
        sellable(S(p), 10);
    addGroup(S("G1"), {S("A")}, quantity(2, 2));
    addGroup(S("G2"), {S("B")}, quantity(3, 1));
    addGroup(S("G3"), {S("C")}, quantity(0));
    addGroup(S("G4"), {S("D")}, quantity(3, 1));
    auto& s = start();
    touch(S("A"));
    s.blbMenu01Click(s.blbMenu(4));
    touch(S("D"));
    confirm();

    EXPECT_EQ(warnings(), QStringList{shortText + S("Grupo G1 - Falta(m) 1 produto(s)\n"
                                                    "Grupo G2 - Falta(m) 1 produto(s)\n")});
    EXPECT_FALSE(combinada::boPromocaoComb);
    EXPECT_FALSE(s.closeRequested());
    EXPECT_EQ(lineCount(), 2);
    EXPECT_FALSE(s.cdsItemProd.filtered());
}

TEST_F(Confirmation, APromotionWithoutGroupsCannotBeConfirmed)
{
    auto& s = start();
    confirm();
    EXPECT_EQ(warnings(), QStringList{shortText});
    EXPECT_FALSE(s.closeRequested());
}

// Pool 4,00 from two lines that take no promotion discount, over three lines that do:
// 1,33 each, and the cent left goes to the dearest line of the last such group.
TEST_F(Confirmation, DiscountsOfGroupsThatTakeNoneMoveToTheOthers)
{
    redistributionShop(8);
    confirm();
    EXPECT_TRUE(combinada::boPromocaoComb);
    EXPECT_TRUE(screen->closeRequested());
    const QStringList discounts = column("VRDESCONTO");
    EXPECT_EQ(discounts, (QStringList{S("1"), S("1"), S("1.33"), S("1.33"), S("1.34")}));
    EXPECT_EQ(column("VRDESCDIA"), (QStringList{S("1"), S("1"), S("0"), S("0"), S("0")}));
}

// Pool 2,00 over three lines: each share is cut, never rounded, to 0,66, and the two cents
// left go to the dearest line; the lines never take a cent more than the pool.
TEST_F(Confirmation, SharesAreCutToTheCentAndNeverExceedThePool)
{
    redistributionShop(8);
    setDiscount(2, 0, 0);
    confirm();
    EXPECT_EQ(column("VRDESCONTO"), (QStringList{S("1"), S("0"), S("0.66"), S("0.66"), S("0.68")}));
}

// A confirmation that fails after the redistribution placed its remainder (and with it
// the price order) leaves the lines exactly as they were: rows, order and indexes.
TEST_F(Confirmation, AFailedConfirmationLeavesTheLinesExactlyAsTheyWere)
{
    redistributionShop(8);
    DataSet& itens = screen->cdsItemProd;
    const DataPacket before = itens.data();
    const QList<IndexDef> indexes = itens.indexes();
    const QString indexName = itens.indexName();
    db->exec(S("DROP TABLE CAMPANHAPROMO"));
    confirm();
    ASSERT_FALSE(combinada::boPromocaoComb);
    EXPECT_EQ(itens.data().rows, before.rows);
    EXPECT_EQ(itens.indexName(), indexName);
    EXPECT_EQ(itens.indexes().size(), indexes.size());
    EXPECT_EQ(column(itens, "CDPRODUTO"), (QStringList{S("X"), S("Y"), S("P"), S("Q"), S("R")}));
}

TEST_F(Confirmation, ARedistributionThatLeavesALineWorthNothingIsUndone)
{
    redistributionShop(1.50);
    setDiscount(3, 0.50, 0.50);  // 1,50 - 0,50 - 1,33 would leave nothing of line 3
    confirm();
    EXPECT_TRUE(combinada::boPromocaoComb);
    EXPECT_EQ(column("VRDESCONTO"), (QStringList{S("3"), S("3"), S("0.5"), S("0"), S("0")}));
}

TEST_F(Confirmation, TheRemainderGoesToTheLastGroupThatHasLines)
{
    for (const char* p : {"X", "P", "R", "E"})
        sellable(S(p), 10);
    sellable(S("Q"), 11);
    addGroup(S("N1"), {S("X")}, quantity(1, 0, {}, S("N")));
    addGroup(S("S1"), {S("P"), S("Q"), S("R")}, quantity(3));
    addGroup(S("S2"), {S("E")}, quantity(0));  // takes discounts, but nobody chose from it
    start();
    for (const char* p : {"X", "P", "Q", "R"})
        touch(S(p));
    setDiscount(1, 2.00, 1.00);
    confirm();
    EXPECT_TRUE(warnings().isEmpty());
    EXPECT_EQ(column("VRDESCONTO"), (QStringList{S("1"), S("0.33"), S("0.34"), S("0.33")}));
}

TEST_F(Confirmation, CallTypeBRecordsTheCombinationBeforeCampaignsAndDivision)
{
    sellable(S("A"), 10);
    sellable(S("B"), 4);
    addGroup(S("G1"), {S("A"), S("B")}, quantity(2));
    auto& s = start(S("1"));
    s.vrPrecoDividir = 10;
    touch(S("A"));
    touch(S("B"));
    confirm();
    EXPECT_EQ(db->count(S("PROMOCAOCOMBAUX")), 0);
    EXPECT_EQ(column("VRUNVENDAEST"), (QStringList{S("5"), S("5")}));

    start(S("1")).vrPrecoDividir = 10;
    screen->stTipoChamada = S("B");
    touch(S("A"));
    touch(S("B"));
    confirm();
    EXPECT_EQ(db->count(S("PROMOCAOCOMBAUX")), 2);
    QSqlQuery q(db->database());
    ASSERT_TRUE(
        q.exec(S("SELECT CDPRODUTO, VRUNITVEND, NRSEQPRODCOM, CDPRODPROMOCAO "
                 "FROM PROMOCAOCOMBAUX ORDER BY CDPRODUTO")));
    ASSERT_TRUE(q.next());
    // Recorded with the looked-up prices, before the fixed price was divided.
    EXPECT_EQ(q.value(0).toString(), S("A"));
    EXPECT_DOUBLE_EQ(q.value(1).toDouble(), 10.0);
    EXPECT_EQ(q.value(2).toString(), S("001"));
    EXPECT_EQ(q.value(3).toString(), S("PROMO"));
    EXPECT_EQ(column("VRUNVENDAEST"), (QStringList{S("5"), S("5")}));
}

}  // namespace
}  // namespace kvp::test
