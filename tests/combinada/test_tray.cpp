// The tray (entries, scrolling, removal), exclusive groups (refusal, locking, unlocking)
// and the quantity rules (group check, multiplier key).

#include "selectionfixture.h"

namespace kvp::test {
namespace {

class Tray : public Selection {
protected:
    QList<int> pictureTops()
    {
        QList<int> out;
        for (const screen::Control* c : screen->controlesBandeja())
            if (c->kind == screen::ControlKind::Picture)
                out << c->bounds.top;
        return out;
    }
    QList<int> pictureTags()
    {
        QList<int> out;
        for (const screen::Control* c : screen->controlesBandeja())
            if (c->kind == screen::ControlKind::Picture)
                out << c->tag;
        return out;
    }
    void observation(DataSet& ds, const QString& nrSeq)
    {
        ds.append();
        ds.setValue(S("NRSEQ"), nrSeq);
        ds.setValue(S("CDPRODUTO"), S("X"));
        ds.setValue(S("CDOCORR"), S("01"));
        ds.post();
    }
};

TEST_F(Tray, TheFifthEntryScrollsAndTheArrowsFollow)
{
    sellable(S("A1"), 10);
    addGroup(S("G1"), {S("A1")}, quantity(0));
    auto& s = start();
    for (int i = 0; i < 4; ++i)
        touch(S("A1"));
    EXPECT_EQ(pictureTops(), (QList<int>{0, 80, 160, 240}));
    EXPECT_FALSE(s.bbbBandejaUp.visible);

    const QList<screen::Control*> entry = s.controlesBandeja().mid(15, 5);
    EXPECT_EQ(entry[0]->bounds, (screen::Bounds{0, 240, 65, 71}));
    EXPECT_EQ(entry[1]->bounds.left, 74);
    EXPECT_EQ(entry[1]->bounds.top, 240);
    EXPECT_EQ(entry[2]->bounds, (screen::Bounds{74, 255, 190, 42}));
    EXPECT_EQ(entry[3]->bounds, (screen::Bounds{74, 270, 180, 42}));
    EXPECT_EQ(entry[4]->bounds, (screen::Bounds{74, 293, 140, 18}));

    touch(S("A1"));
    EXPECT_EQ(pictureTops(), (QList<int>{-80, 0, 80, 160, 240}));
    EXPECT_TRUE(s.bbbBandejaUp.visible);
    touch(S("A1"));
    EXPECT_EQ(pictureTops(), (QList<int>{-160, -80, 0, 80, 160, 240}));

    s.bbbBandejaUpClick();
    EXPECT_EQ(pictureTops(), (QList<int>{-80, 0, 80, 160, 240, 320}));
    EXPECT_TRUE(s.bbbBandejaDown.visible);
    s.bbbBandejaDownClick();
    EXPECT_EQ(pictureTops(), (QList<int>{-160, -80, 0, 80, 160, 240}));
    EXPECT_FALSE(s.bbbBandejaDown.visible);
}

TEST_F(Tray, RemovingAnEntryMovesTheOnesBelowUpAndTakesItsPartsAlong)
{
    for (const char* p : {"A1", "A3", "A4"})
        sellable(S(p), 10);
    sellable(S("A2"), 7, 1);
    addGroup(S("G1"), {S("A1"), S("A2"), S("A3"), S("A4")}, quantity(0));
    auto& s = start();
    for (const char* p : {"A1", "A2", "A3", "A4"})
        touch(S(p));
    observation(s.cdsObsItens, S("2"));
    observation(s.cdsObsItens, S("3"));
    observation(s.cdsProdCtObs, S("002"));
    observation(s.cdsProdCtObs, S("003"));
    EXPECT_EQ(s.lblDescricao.caption, S("Preço: R$37,00  Desconto: R$1,00 - Preço Final: R$36,00"));

    s.BandejaClick(trayPicture(2));

    EXPECT_EQ(pictureTags(), (QList<int>{1, 3, 4}));
    EXPECT_EQ(pictureTops(), (QList<int>{0, 80, 160}));
    EXPECT_EQ(column("CDPRODUTO"), (QStringList{S("A1"), S("A3"), S("A4")}));
    EXPECT_EQ(column(s.cdsObsItens, "NRSEQ"), QStringList{S("3")});
    EXPECT_EQ(column(s.cdsProdCtObs, "NRSEQ"), QStringList{S("003")});
    EXPECT_EQ(s.lblDescricao.caption, S("Preço: R$30,00  Desconto: R$0,00 - Preço Final: R$30,00"));
    EXPECT_TRUE(log().contains(S(" - PRODUTO EXCLUÍDO: A2 - Nome A2\n")));
    EXPECT_FALSE(s.cdsItemProd.filtered());
}

TEST_F(Tray, AnObligatoryLineStays)
{
    sellable(S("A1"), 10);
    addGroup(S("G1"), {S("A1")}, quantity(0));
    obligatory(S("G1"), S("A1"));
    auto& s = start();
    touch(S("A1"));
    touch(S("A1"));
    EXPECT_EQ(column("IDOBRPRODSELEC"), (QStringList{S("S"), S("N")}));

    s.BandejaClick(trayPicture(1));
    EXPECT_EQ(warnings(),
              QStringList{S("Operação bloqueada! O produto é obrigatório na promoção.")});
    EXPECT_EQ(lineCount(), 2);
    EXPECT_EQ(s.controlesBandeja().size(), 10);

    s.BandejaClick(trayPicture(2));
    EXPECT_EQ(column("NRSEQ"), QStringList{S("1")});
}

TEST_F(Tray, PriceModeOneKeepsThePriceLineUnlessTheGroupPricesOnItsOwn)
{
    sellable(S("A1"), 10);
    sellable(S("B1"), 6);
    addGroup(S("G1"), {S("A1")}, quantity(0));
    GroupSpec own = quantity(0);
    own.printsAlone = S("S");
    addGroup(S("G2"), {S("B1")}, own);
    auto& s = start(S("1"));
    s.vrPrecoPromo = 20;
    touch(S("A1"));
    s.blbMenu01Click(s.blbMenu(2));
    touch(S("B1"));
    EXPECT_EQ(s.lblDescricao.caption, S("Preço: R$26,00  "));  // 20,00 of the promotion + 6,00
    s.BandejaClick(trayPicture(1));
    EXPECT_EQ(s.lblDescricao.caption, S("Preço: R$26,00  "));
    s.BandejaClick(trayPicture(2));
    EXPECT_EQ(s.lblDescricao.caption, S("Preço: R$20,00  "));
}

class Exclusive : public Tray {
protected:
    void SetUp() override
    {
        Tray::SetUp();
        for (const char* p : {"A1", "B1", "C1"})
            sellable(S(p), 10);
    }
    const QString refusal =
        S("Já foi escolhido um grupo dentre os permitidos.\r"
          "Verifique a parametrização de Grupo Mutuamente Exclusivo.");
};

TEST_F(Exclusive, ChoosingAGroupLocksItsPartnersUntilItIsEmptyAgain)
{
    addGroup(S("G1"), {S("A1")}, quantity(0, 0, S("M")));
    addGroup(S("G2"), {S("B1")}, quantity(1, 0, S("M")));
    addGroup(S("G3"), {S("C1")}, quantity(1));
    auto& s = start();
    touch(S("A1"));
    EXPECT_TRUE(s.blbMenu(1).enabled);
    EXPECT_FALSE(s.blbMenu(2).enabled);
    EXPECT_TRUE(s.blbMenu(3).enabled);
    // Each entry is 11 characters wide: the code padded to 10, then ";".
    EXPECT_EQ(combinada::stBotaoBloqueado, S("G2        ;"));
    EXPECT_EQ(text(1, "CDGRUPMUTEX"), S("M"));

    touch(S("A1"));
    EXPECT_EQ(combinada::stBotaoBloqueado, S("G2        ;G2        ;"));  // listed again
    s.BandejaClick(trayPicture(1));
    EXPECT_FALSE(s.blbMenu(2).enabled);

    // Entries of other groups stay, also those whose code contains G2's.
    combinada::stBotaoBloqueado = S("G21       ;") + combinada::stBotaoBloqueado + S("XG2       ;");
    s.BandejaClick(trayPicture(2));
    EXPECT_TRUE(s.blbMenu(2).enabled);
    EXPECT_EQ(combinada::stBotaoBloqueado, S("G21       ;XG2       ;"));
}

TEST_F(Exclusive, WithAPagedMenuNothingIsLockedAndTheChoiceIsRefused)
{
    addGroup(S("G1"), {S("A1")}, quantity(0, 0, S("M")));
    addGroup(S("G2"), {S("B1")}, quantity(1, 0, S("M")));
    for (int i = 3; i <= 11; ++i)
        addGroup(S("G") + QString::number(i), {S("C1")}, quantity(1));
    auto& s = start();
    ASSERT_TRUE(s.bbbAbaixo.visible);
    touch(S("A1"));
    EXPECT_TRUE(s.blbMenu(2).enabled);
    EXPECT_TRUE(combinada::stBotaoBloqueado.isEmpty());

    s.blbMenu01Click(s.blbMenu(2));
    touch(S("B1"));
    EXPECT_EQ(warnings(), QStringList{refusal});
    EXPECT_EQ(lineCount(), 1);

    // A group outside any set neither locks nor refuses.
    s.blbMenu01Click(s.blbMenu(3));
    touch(S("C1"));
    EXPECT_EQ(lineCount(), 2);
}

TEST_F(Exclusive, TwoGroupsOfOneSetCompleteEachOtherAtConfirmation)
{
    addGroup(S("G1"), {S("A1")}, quantity(1, 0, S("M")));
    addGroup(S("G2"), {S("B1")}, quantity(1, 0, S("M")));
    auto& s = start();
    touch(S("A1"));
    confirm();
    EXPECT_TRUE(warnings().isEmpty());
    EXPECT_TRUE(combinada::boPromocaoComb);
    EXPECT_TRUE(s.closeRequested());
}

class Quantities : public Tray {};

TEST_F(Quantities, TheGroupCheckCountsTheMultiplierIn)
{
    sellable(S("A1"), 10);
    addGroup(S("G1"), {S("A1")}, quantity(3));
    auto& s = start();
    touch(S("A1"));
    touch(S("A1"));
    s.SetdoQtdeMult(2);
    touch(S("A1"));
    EXPECT_EQ(lineCount(), 2);
    EXPECT_EQ(warnings(), QStringList{S("Quantidade de produtos não pode ser excedida.")});
    EXPECT_EQ(s.nrQtdeMult, 0);
    touch(S("A1"));
    EXPECT_EQ(lineCount(), 3);
    EXPECT_FALSE(s.Valida_Quantid());
}

TEST_F(Quantities, TheMultiplierKeyTakesWholeUnitsAndAtMostThreeDecimals)
{
    struct Case {
        const char* printer;
        std::optional<QString> typed;
        const char* header;   // "" : the promotion header stays
        const char* warning;  // catalogue key
    };
    const Case cases[] = {
        {"0", S("3"), "3X", nullptr},       {"0", S("2,5"), "2,5X", nullptr},
        {"0", S("1234"), "1234X", nullptr}, {"0", S("12345"), "", "Qtde_Dev2"},
        {"9", S("12"), "12X", nullptr},     {"9", S("123"), "", "Qtde_Dev1"},
        {"0", S("1,2345"), "", "Frac_Dev"}, {"0", S("0"), "", nullptr},
        {"0", std::nullopt, "", nullptr},
    };
    for (const Case& c : cases) {
        writeParameters({{S("IDTIPOIMPFIS"), S(c.printer)}});
        auto& s = start();
        host.clearCalls();
        host.answerAccess(true);
        host.answerKeypad(c.typed);
        s.spbQtdeClick();
        const QString context = c.typed.value_or(S("cancel"));
        EXPECT_EQ(s.lblCabecalho.caption, *c.header ? S(c.header) : S("1 X COMBO"))
            << context.toStdString();
        EXPECT_EQ(warnings(),
                  c.warning ? QStringList{s.msgPadrao.Msg(S(c.warning))} : QStringList{})
            << context.toStdString();
    }
    const HostCall keypad = host.callsOf(S("TecladoNumerico")).first();
    EXPECT_EQ(keypad.args.mid(0, 3), (QVariantList{S(""), S("Venda de Produto"),
                                                   S("Informe a quantidade a ser vendida")}));
    EXPECT_EQ(keypad.args.mid(4), (QVariantList{10, 0, 1, 0, 0, 1}));
    EXPECT_EQ(host.callsOf(S("VerificaAcesso")).first().args.value(0).toInt(), 12);
}

TEST_F(Quantities, TheMultiplierKeyAsksForAccessAndIsClosedToTheCollector)
{
    auto& s = start();
    host.answerAccess(false);
    s.spbQtdeClick();
    EXPECT_TRUE(host.callsOf(S("TecladoNumerico")).isEmpty());

    s.stTipoChamada = S("B");
    s.stIdColetor = S("C");
    s.spbQtdeClick();
    EXPECT_EQ(warnings(), QStringList{s.msgPadrao.Msg(S("Ope_Col"))});
    EXPECT_EQ(host.callsOf(S("VerificaAcesso")).size(), 1);
}

}  // namespace
}  // namespace kvp::test
