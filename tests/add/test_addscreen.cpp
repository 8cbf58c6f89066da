// The add screen on its own: its grid of fifteen, the group quantity it counts in lines,
// the quantity of its items, cancel, confirmation, pre-selection and its keys.

#include "addfixture.h"

#include <QSqlQuery>

namespace kvp::test {
namespace {

using Grid = AddScreenTest;

TEST_F(Grid, FifteenSlotsFillThreeRowsOfFiveAndPageByFifteen)
{
    products(S("GA"), 16);
    innerGroup(S("GA"), {});
    auto& s = openAdd();
    EXPECT_EQ(s.imgProd(5).bounds.left, 401);
    EXPECT_EQ(s.imgProd(6).bounds.left, 17);
    EXPECT_EQ(s.imgProd(11).bounds.top, 408);
    EXPECT_EQ(s.findComponent(S("bldFoto")), nullptr);
    EXPECT_EQ(s.findComponent(S("spbQtde")), nullptr);
    EXPECT_EQ(s.findComponent(S("dreRoteiro")), nullptr);

    ASSERT_EQ(addGrid().size(), 15);
    EXPECT_EQ(addGrid().last(), S("P015"));
    EXPECT_TRUE(s.bbbProdAbaixo.visible);
    EXPECT_EQ(s.lblNmProd(1).caption, S("Produto 1"));

    s.bbbProdAbaixoClick();
    EXPECT_EQ(addGrid(), QStringList{S("P016")});
    EXPECT_TRUE(s.bbbProdAcima.visible);
    EXPECT_FALSE(s.bbbProdAbaixo.visible);
    // Slots left over from the fuller page are cleared, not merely hidden.
    EXPECT_TRUE(s.imgProd(2).productCode.isEmpty());
    EXPECT_TRUE(s.lblNmProd(2).caption.isEmpty());

    s.bbbProdAcimaClick();
    EXPECT_EQ(addGrid().size(), 15);
    EXPECT_EQ(addGrid().first(), S("P001"));
}

TEST_F(Grid, PagingUpStopsAtTheFirstPageAndHiddenGroupButtonsHoldNoGroup)
{
    products(S("GA"), 31);
    innerGroup(S("GA"), {});
    for (int g = 2; g <= 12; ++g)
        innerGroup(S("G%1").arg(g, 2, 10, QLatin1Char('0')), {});
    auto& s = openAdd();
    s.bbbProdAbaixoClick();
    s.bbbProdAbaixoClick();
    EXPECT_EQ(addGrid(), QStringList{S("P031")});
    s.bbbProdAcimaClick();  // pages up count from the second page: back to the first
    EXPECT_EQ(addGrid().first(), S("P001"));
    s.bbbProdAcimaClick();  // already on the first page: stays there
    EXPECT_EQ(addGrid().first(), S("P001"));
    EXPECT_EQ(addGrid().size(), 15);
    EXPECT_TRUE(warnings().isEmpty()) << warnings().join(S(" | ")).toStdString();

    // The second page of groups shows two; the other eight buttons are hidden and carry
    // no group a touch could select.
    s.bbbAbaixoClick();
    int shown = 0;
    for (int i = 1; i <= add::kBotoesGrupo; ++i) {
        const screen::Control& b = s.blbMenu(i);
        if (b.visible)
            ++shown;
        else
            EXPECT_TRUE(b.groupCode.isEmpty()) << "button " << i;
    }
    EXPECT_LT(shown, add::kBotoesGrupo);
}

TEST_F(Grid, ExactlyFifteenShowNoDownAndZeroPricedProductsNeverShow)
{
    products(S("GA"), 15);
    innerGroup(S("GA"), {});
    product(S("Z1"), S("Sem preço"));
    product(S("Z2"), S("Sem preço"));
    host.setPrice(S("Z1"), 0);
    host.setPrice(S("Z2"), 0);
    innerGroup(S("GZ"), {S("Z1"), S("Z2")});
    auto& s = openAdd();
    EXPECT_EQ(addGrid().size(), 15);
    EXPECT_FALSE(s.bbbProdAbaixo.visible);

    s.blbMenu01Click(s.blbMenu(2));
    EXPECT_TRUE(addGrid().isEmpty());  // the last one too

    showZeroPrices(S("S"));
    auto& shown = openAdd();
    shown.blbMenu01Click(shown.blbMenu(2));
    EXPECT_EQ(addGrid(), (QStringList{S("Z1"), S("Z2")}));
}

using Choice = AddScreenTest;

TEST_F(Choice, AGroupCountsItsLinesAndEachLineSellsOneUnitPerPromotion)
{
    sellable(S("A1"), 10);
    sellable(S("A2"), 12);
    sellable(S("B1"), 5);
    innerGroup(S("GA"), {S("A1"), S("A2")}, 2);
    innerGroup(S("GB"), {S("B1")});
    auto& s = openAdd(S("2"), 3);
    touchAdd(s, S("A1"));
    touchAdd(s, S("A2"));
    // The group is complete: the menu has moved on to the next group.
    EXPECT_EQ(s.stCdGrupoAtual, S("GB"));
    s.blbMenu01Click(s.blbMenu(1));
    touchAdd(s, S("A1"));
    EXPECT_EQ(warnings(), QStringList{S("Quantidade de produtos não pode ser excedida.")});

    ASSERT_EQ(s.cdsItemProd.recordCount(), 2);
    for (s.cdsItemProd.first(); !s.cdsItemProd.eof(); s.cdsItemProd.next())
        EXPECT_DOUBLE_EQ(s.cdsItemProd.asFloat(S("QTPRODVEND")), 3.0);
    EXPECT_EQ(s.controlesBandeja().size(), 10);
    // The reduced record has no nested-set or running-line fields to fill.
    EXPECT_FALSE(s.cdsItemProd.hasField(S("NRSEQITEMADD")));
    EXPECT_FALSE(s.cdsItemProd.hasField(S("NRSEQITCANC")));
}

TEST_F(Choice, AProductThatIsItselfAPromotionIsAnOrdinaryItemHere)
{
    sellable(S("N2"), 8);
    innerGroup(S("GX"), {S("B9")}, 1, 0, S("N2"));  // N2 has groups of its own
    innerGroup(S("GA"), {S("N2")});
    auto& s = openAdd();
    touchAdd(s, S("N2"));
    ASSERT_EQ(s.cdsItemProd.recordCount(), 1);
    EXPECT_EQ(s.cdsItemProd.asString(S("CDPRODUTO")), S("N2"));
    EXPECT_EQ(presenter.runs(), 0);  // no further screen opened
}

TEST_F(Choice, TrayEntriesUseTheSmallerMeasuresAndRemovalTakesOneLine)
{
    sellable(S("A1"), 10);
    innerGroup(S("GA"), {S("A1")}, 0);
    auto& s = openAdd();
    for (int i = 0; i < 6; ++i)
        touchAdd(s, S("A1"));
    QList<screen::Control*> entrada = s.controlesBandeja();
    ASSERT_EQ(entrada.size(), 30);
    EXPECT_EQ(entrada[0]->bounds.width, 59);
    EXPECT_EQ(entrada[0]->bounds.height, 65);
    EXPECT_EQ(entrada[1]->bounds.left, 68);
    EXPECT_EQ(entrada[4]->bounds.width, 118);
    EXPECT_EQ(entrada[4]->alignment, screen::Alignment::Right);
    EXPECT_EQ(entrada[5]->bounds.top - entrada[0]->bounds.top, 75);
    EXPECT_TRUE(s.bbbBandejaUp.visible);

    // Six entries scrolled twice; a removal scrolls back once, as the up arrow does.
    EXPECT_EQ(entrada[0]->bounds.top, -150);
    s.BandejaClick(*entrada[0]);
    EXPECT_EQ(s.cdsItemProd.recordCount(), 5);
    EXPECT_EQ(s.controlesBandeja().size(), 25);
    EXPECT_EQ(s.controlesBandeja().first()->bounds.top, -75);
    EXPECT_TRUE(s.bbbBandejaUp.visible);
    s.bbbBandejaUpClick();
    EXPECT_EQ(s.controlesBandeja().first()->bounds.top, 0);
    EXPECT_FALSE(s.bbbBandejaUp.visible);
}

TEST_F(Choice, RemovingALineLeavesTheOtherLinesQuantities)
{
    sellable(S("A1"), 10);
    sellable(S("A2"), 12);
    innerGroup(S("GA"), {S("A1"), S("A2")}, 3);
    auto& s = openAdd(S("2"), 2);
    touchAdd(s, S("A1"));
    touchAdd(s, S("A2"));
    touchAdd(s, S("A1"));
    s.BandejaClick(*s.controlesBandeja().first());
    ASSERT_EQ(s.cdsItemProd.recordCount(), 2);
    for (s.cdsItemProd.first(); !s.cdsItemProd.eof(); s.cdsItemProd.next()) {
        EXPECT_DOUBLE_EQ(s.cdsItemProd.asFloat(S("QTPRODVEND")), 2.0);
        EXPECT_DOUBLE_EQ(s.cdsItemProd.asFloat(S("QTPRODVALIDA")), 1.0);
    }
}

TEST_F(Choice, AnExclusiveSetLocksItsOtherGroupAndOpensOnlyWhenTheGroupIsEmpty)
{
    sellable(S("A1"), 10);
    sellable(S("B1"), 5);
    innerGroup(S("GA"), {S("A1")}, 2, 0, S("INNER"), S("M1"));
    innerGroup(S("GB"), {S("B1")}, 1, 0, S("INNER"), S("M1"));
    auto& s = openAdd();
    touchAdd(s, S("A1"));
    touchAdd(s, S("A1"));
    EXPECT_FALSE(s.blbMenu(2).enabled);
    EXPECT_EQ(add::stBotaoBloqueado, S("GB        ;GB        ;"));

    s.BandejaClick(*s.controlesBandeja().first());
    EXPECT_FALSE(s.blbMenu(2).enabled);  // GA still has a line
    s.BandejaClick(*s.controlesBandeja().first());
    EXPECT_TRUE(s.blbMenu(2).enabled);
    EXPECT_TRUE(add::stBotaoBloqueado.isEmpty());
    // The selection screen's own list of locked groups is not this screen's.
    EXPECT_TRUE(combinada::stBotaoBloqueado.isEmpty());
}

TEST_F(Choice, ObservationsFitTheReducedRecordsAndLeaveWithTheirLine)
{
    sellable(S("A1"), 10);
    innerGroup(S("GA"), {S("A1")}, 0);
    writeParameters({{S("IDSOLOBSPED"), S("S")}});
    db->insert(S("LOJA"), {{"CDFILIAL", S("01")}, {"CDLOJA", S("1")}, {"CDGRPOCORPED", S("01")}});
    db->insert(S("GRUPOCOR"), {{"CDGRPOCOR", S("01")}});
    db->insert(S("OCORRENCIA"), {{"CDGRPOCOR", S("01")}, {"CDOCORR", S("05")}});
    db->insert(S("PRODOCORRE"),
               {{"CDPRODUTO", S("A1")}, {"CDGRPOCOR", S("01")}, {"CDOCORR", S("05")}});
    auto packet = [](const FieldDefs& fields, const QList<Row>& rows) {
        DataPacket p;
        p.fields = fields;
        p.rows = rows;
        return p;
    };
    HostAnswer obs;
    obs[0] = S("01");
    obs[2] = QVariant::fromValue(packet(records::ocorrencia(), {{S("05")}}));
    obs[4] = QVariant::fromValue(packet(records::controlaObs(), {{S("A"), S("GELO"), S("05")}}));
    host.answerObservation(S("SEM GELO"), obs);
    host.answerObservation(QString(), HostAnswer());  // the second one goes without
    auto& s = openAdd();
    touchAdd(s, S("A1"));
    touchAdd(s, S("A1"));

    EXPECT_EQ(s.cdsObsItens.recordCount(), 1);
    EXPECT_EQ(s.cdsProdCtObs.recordCount(), 1);
    s.cdsItemProd.first();
    EXPECT_EQ(s.cdsItemProd.asString(S("STOBSPEDIDO")), S("SEM GELO"));
    s.cdsObsItens.first();
    const QString linha = s.cdsObsItens.asString(S("NRSEQ"));
    EXPECT_EQ(linha, s.cdsItemProd.asString(S("NRSEQ")));

    for (screen::Control* c : s.controlesBandeja())
        if (c->tag == linha.toInt() && c->kind == screen::ControlKind::Picture) {
            s.BandejaClick(*c);
            break;
        }
    EXPECT_EQ(s.cdsItemProd.recordCount(), 1);
    EXPECT_EQ(s.cdsObsItens.recordCount(), 0);
    EXPECT_EQ(s.cdsProdCtObs.recordCount(), 0);
}

using Closing = AddScreenTest;

TEST_F(Closing, ConfirmationChecksEveryGroupAndStoresNothingUnderAFixedPrice)
{
    sellable(S("A1"), 10);
    sellable(S("B1"), 5);
    innerGroup(S("GA"), {S("A1")}, 1, 1);
    innerGroup(S("GB"), {S("B1")}, 1, 1);
    auto& s = openAdd(S("1"));
    s.stTipoChamada = S("B");
    touchAdd(s, S("A1"));
    s.bldConfirmarClick();
    EXPECT_FALSE(add::boPromocaoComb);
    EXPECT_FALSE(s.closeRequested());
    ASSERT_EQ(warnings().size(), 1);
    EXPECT_TRUE(warnings().first().contains(S("Grupo GB - Falta(m) 1 produto(s)")))
        << warnings().first().toStdString();

    touchAdd(s, S("B1"));
    s.bldConfirmarClick();
    EXPECT_TRUE(add::boPromocaoComb);
    EXPECT_TRUE(s.closeRequested());
    EXPECT_EQ(db->count(S("PROMOCAOCOMBAUX")), 0);
    // Nothing divides the promotion price here: the lines keep their own prices.
    s.cdsItemProd.first();
    EXPECT_DOUBLE_EQ(s.cdsItemProd.asFloat(S("VRUNVENDAEST")), 10.0);
}

TEST_F(Closing, APriceBuiltFromTheProductsIsRegisteredForTheTill)
{
    sellable(S("A1"), 10);
    innerGroup(S("GA"), {S("A1")});
    auto& s = openAdd(S("2"));
    s.stTipoChamada = S("B");
    touchAdd(s, S("A1"));
    s.bldConfirmarClick();
    EXPECT_TRUE(add::boPromocaoComb);
    EXPECT_EQ(db->count(S("PROMOCAOCOMBAUX")), 1);
    EXPECT_EQ(lookups(S("setPromoCombAux")), 1);
}

TEST_F(Closing, CancelAsksThenEmptiesTheItems)
{
    sellable(S("A1"), 10);
    innerGroup(S("GA"), {S("A1")}, 0);
    auto& s = openAdd();
    touchAdd(s, S("A1"));
    host.answerQuestion(false);
    s.FormKeyDown(Qt::Key_Escape);
    EXPECT_EQ(s.cdsItemProd.recordCount(), 1);
    EXPECT_FALSE(s.closeRequested());
    host.answerQuestion(true);
    s.bldCancelarClick();
    EXPECT_EQ(s.cdsItemProd.recordCount(), 0);
    EXPECT_TRUE(s.closeRequested());
    EXPECT_FALSE(add::boPromocaoComb);
}

TEST_F(Closing, TheFiscalMenuKeyWorksOnlyWithAFiscalPrinter)
{
    innerGroup(S("GA"), {S("A1")});
    auto& s = openAdd();
    s.FormKeyDown(Qt::Key_F1);
    EXPECT_TRUE(host.callsOf(S("RelFiscais")).isEmpty());
    s.boUtilizaImpFis = true;
    s.FormKeyDown(Qt::Key_F1);
    EXPECT_EQ(host.callsOf(S("RelFiscais")).size(), 1);
}

using PreSelection = AddScreenTest;

TEST_F(PreSelection, AProductOnTheSecondPageIsFoundAndTheGridReturnsToTheFirst)
{
    products(S("GA"), 20);
    innerGroup(S("GA"), {}, 0);
    sellable(S("B1"), 5);
    innerGroup(S("GB"), {S("B1")});
    auto preselect = [&](const QString& group, const QString& product) {
        db->insert(S("DESGRUPROMOCPR"), {{"CDPRODPROMOCAO", S("INNER")},
                                         {"CDGRUPROMOC", group},
                                         {"CDPRODUTO", product},
                                         {"NRSEQGRPROMO", 1},
                                         {"IDPRODPRESELEC", S("S")}});
    };
    preselect(S("GA"), S("P018"));
    preselect(S("GA"), S("P002"));
    auto& s = openAdd(S("1"));  // a fixed price: the products need no tax rows
    s.activated();
    QStringList placed;
    for (s.cdsItemProd.first(); !s.cdsItemProd.eof(); s.cdsItemProd.next())
        placed << s.cdsItemProd.asString(S("CDPRODUTO"));
    EXPECT_EQ(placed, (QStringList{S("P002"), S("P018")}));  // in the order the service lists them
    EXPECT_EQ(addGrid().first(), S("P001"));
    EXPECT_FALSE(s.bbbProdAcima.visible);
    s.activated();  // once per screen
    EXPECT_EQ(s.cdsItemProd.recordCount(), 2);
}

}  // namespace
}  // namespace kvp::test
