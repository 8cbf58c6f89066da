// Pre-selected products placed at the first activation, the product search (F6) and the
// picture help.

#include "selectionfixture.h"

#include <QDir>

namespace kvp::test {
namespace {

class PreSelection : public Selection {
protected:
    void preSelected(const QString& group, const QString& product)
    {
        db->insert(S("DESGRUPROMOCPR"), {{"CDPRODPROMOCAO", S("PROMO")},
                                         {"CDGRUPROMOC", group},
                                         {"CDPRODUTO", product},
                                         {"NRSEQGRPROMO", 1},
                                         {"IDPRODPRESELEC", S("S")}});
    }
    void shop(int groups)
    {
        for (int i = 1; i <= groups; ++i) {
            const QString n = QString::number(i);
            sellable(S("P") + n, 10);
            addGroup(S("G") + n, {S("P") + n}, quantity(1));
        }
    }
};

TEST_F(PreSelection, PlacedOnceAndTheMenuMovesPastTheLastGroupServed)
{
    shop(3);
    preSelected(S("G1"), S("P1"));
    preSelected(S("G2"), S("P2"));
    auto& s = start();
    s.activated();
    s.activated();
    EXPECT_EQ(column("CDPRODUTO"), (QStringList{S("P1"), S("P2")}));
    EXPECT_EQ(s.stCdGrupoAtual, S("G3"));
    EXPECT_TRUE(s.blbMenu(3).down);
    EXPECT_EQ(s.blbMenu(3).color, combinada::corGrupoSelecionado);
}

TEST_F(PreSelection, WhenTheMenuDoesNotMoveTheSelectedGroupKeepsItsSettings)
{
    // The pre-selected group is on the menu's second page: the menu stays on the first
    // group, and so do the settings a touch is checked against.
    shop(12);
    preSelected(S("G11"), S("P11"));
    auto& s = start();
    s.activated();
    EXPECT_EQ(column("CDPRODUTO"), QStringList{S("P11")});
    EXPECT_EQ(s.stCdGrupoAtual, S("G1"));
    touch(S("P1"));
    EXPECT_TRUE(warnings().isEmpty()) << warnings().join(S(" | ")).toStdString();
    EXPECT_EQ(column("CDGRUPROMOC"), (QStringList{S("G11"), S("G1")}));
}

TEST_F(PreSelection, AFullGroupStillTakesItAndAHiddenNextButtonFallsBackToTheFirst)
{
    for (const char* p : {"P1", "P2", "P2B"})
        sellable(S(p), 10);
    addGroup(S("G1"), {S("P1")}, quantity(1));
    addGroup(S("G2"), {S("P2"), S("P2B")}, quantity(1));
    preSelected(S("G2"), S("P2"));
    preSelected(S("G2"), S("P2B"));
    auto& s = start();
    s.activated();
    EXPECT_EQ(column("CDGRUPROMOC"), (QStringList{S("G2"), S("G2")}));
    EXPECT_EQ(s.stCdGrupoAtual, S("G1"));
    EXPECT_TRUE(s.blbMenu(1).down);
}

TEST_F(PreSelection, AFailedPriceAbandonsTheRestAndARefusalSkipsOnlyItsProduct)
{
    shop(3);
    db->exec(S("UPDATE GRUPROMOCPROD SET CDGRUPMUTEX = 'M' WHERE CDGRUPROMOC IN ('G1', 'G2')"));
    preSelected(S("G1"), S("P1"));
    preSelected(S("G2"), S("P2"));  // refused: G1 of the same set has a line
    preSelected(S("G3"), S("P3"));
    auto& s = start();
    s.activated();
    EXPECT_EQ(column("CDPRODUTO"), (QStringList{S("P1"), S("P3")}));
    EXPECT_EQ(warnings().size(), 1);
    EXPECT_TRUE(warnings().value(0).startsWith(S("Já foi escolhido um grupo")));

    host.setPriceFailure(S("P2"), S("BLOQUEADO"));
    db->exec(S("UPDATE GRUPROMOCPROD SET CDGRUPMUTEX = NULL"));
    host.clearCalls();
    auto& t = start();
    t.activated();
    EXPECT_EQ(column("CDPRODUTO"), QStringList{S("P1")});
    EXPECT_EQ(warnings(), QStringList{S("Operação bloqueada. Produto indisponivel no momento.")});
    EXPECT_EQ(t.stCdGrupoAtual, S("G1"));
}

TEST_F(PreSelection, TheSearchPicksAProductOfTheGroupAsATouchWould)
{
    products(S("G1"), 13);
    for (int i = 1; i <= 13; ++i)
        db->insert(S("ALIQIMPFIS"), {{"CDFILIAL", S("01")},
                                     {"CDPRODUTO", QString(S("P") + Ajusta(QString::number(i), 3))},
                                     {"CDIMPOSTO", S("T1")},
                                     {"VRPEALIMPFIS", 18.0}});
    ScreenTest::promoGroup(S("G1"), 2);
    auto& s = start();

    host.answerSearch(std::nullopt);
    s.FormKeyDown(Qt::Key_F6);
    EXPECT_EQ(lineCount(), 0);

    host.answerSearch(13);
    s.bldFiltroClick();
    EXPECT_EQ(column("CDPRODUTO"), QStringList{S("P013")});
    EXPECT_EQ(gridProducts().value(0), S("P001"));
    const HostCall search = host.callsOf(S("Pesquisa")).last();
    EXPECT_EQ(search.args.value(0).toInt(), 13);
    EXPECT_EQ(search.args.value(2).toString(), S("N"));

    touch(S("P001"));
    host.clearCalls();
    s.bldFiltroClick();  // the group is full: no dialog
    EXPECT_TRUE(host.callsOf(S("Pesquisa")).isEmpty());
    EXPECT_EQ(warnings(), QStringList{S("Quantidade de produtos não pode ser excedida.")});
}

TEST_F(PreSelection, ThePictureHelpNamesTheFolder)
{
    auto& s = start();
    s.stAtalhoDigitado = S("4");
    s.bldFotoClick();
    EXPECT_TRUE(host.messages().isEmpty());
    s.stAtalhoDigitado.clear();
    s.bldFotoClick();
    const HostCall box = host.callsOf(S("Mensagem")).last();
    EXPECT_EQ(box.args.value(4).toInt(), 2);
    EXPECT_TRUE(box.args.value(0).toString().contains(
        QDir::toNativeSeparators(programFolder() + S("/dados/img/produto")) + S(". Ex:")));
}

}  // namespace
}  // namespace kvp::test
