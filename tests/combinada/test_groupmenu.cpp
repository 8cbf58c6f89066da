// Group menu: buttons, captions, quantity texts, colours and paging.

#include "screenfixture.h"

namespace kvp::test {
namespace {

using combinada::corDestaque;
using combinada::corGrupoSelecionado;

QStringList groupNames(int from, int to)
{
    QStringList out;
    for (int i = from; i <= to; ++i)
        out << S("Grupo ") + QString::number(i);
    return out;
}

class GroupMenu : public ScreenTest {};

TEST_F(GroupMenu, OneGroupIsSelectedAtShowWithoutPaging)
{
    groups(1);
    auto& s = open();

    EXPECT_EQ(menuCaptions(), groupNames(1, 1));
    EXPECT_FALSE(s.bbbAcima.visible);
    EXPECT_FALSE(s.bbbAbaixo.visible);
    EXPECT_EQ(s.stCdGrupoAtual, S("G01"));
    EXPECT_EQ(s.blbMenu(1).groupCode, S("G01"));
    EXPECT_EQ(s.blbMenu(1).color, corGrupoSelecionado);
    EXPECT_EQ(s.nrBotaoGrupoAtual, 1);
    EXPECT_EQ(gridProducts(), QStringList{S("X01")});
}

TEST_F(GroupMenu, TenGroupsFillBothRowsWithoutPaging)
{
    groups(10);
    auto& s = open();

    EXPECT_EQ(menuCaptions(), groupNames(1, 10));
    for (int i = 1; i <= 10; ++i) {
        EXPECT_EQ(s.blbMenu(i).slot, i);
        EXPECT_EQ(s.blbMenu(i).color, i == 1 ? corGrupoSelecionado : corDestaque) << i;
    }
    EXPECT_FALSE(s.bbbAcima.visible);
    EXPECT_FALSE(s.bbbAbaixo.visible);
}

TEST_F(GroupMenu, ElevenGroupsPageDownToTheLastAndBackUp)
{
    groups(11);
    auto& s = open();
    EXPECT_TRUE(s.bbbAbaixo.visible);
    EXPECT_FALSE(s.bbbAcima.visible);

    s.bbbAbaixoClick();
    EXPECT_EQ(menuCaptions(), groupNames(11, 11));
    EXPECT_FALSE(s.bbbAbaixo.visible);
    EXPECT_TRUE(s.bbbAcima.visible);
    EXPECT_EQ(s.nrPaginaGrupo, 1);
    EXPECT_EQ(s.stCdGrupoAtual, S("G11"));
    EXPECT_TRUE(s.blbMenu(1).down);
    EXPECT_EQ(s.blbMenu(1).color, corGrupoSelecionado);
    EXPECT_EQ(s.nrBotaoGrupoAtual, 1);
    EXPECT_EQ(s.nrBotaoGrupoAnterior, 1);
    EXPECT_EQ(gridProducts(), QStringList{S("X11")});

    s.bbbAcimaClick();
    EXPECT_EQ(menuCaptions(), groupNames(1, 10));
    EXPECT_EQ(s.nrPaginaGrupo, 1);
    EXPECT_FALSE(s.bbbAcima.visible);
    EXPECT_TRUE(s.bbbAbaixo.visible);
    EXPECT_EQ(s.stCdGrupoAtual, S("G01"));
}

TEST_F(GroupMenu, PagingUpRepositionsOnFiveRowSteps)
{
    groups(35);
    auto& s = open();

    s.bbbAbaixoClick();
    s.bbbAbaixoClick();
    EXPECT_EQ(menuCaptions(), groupNames(21, 30));
    EXPECT_EQ(s.nrPaginaGrupo, 2);
    s.bbbAbaixoClick();
    EXPECT_EQ(menuCaptions(), groupNames(31, 35));
    EXPECT_EQ(s.nrPaginaGrupo, 3);

    // Page 2 starts on row 6.
    s.bbbAcimaClick();
    EXPECT_EQ(s.nrPaginaGrupo, 2);
    EXPECT_EQ(menuCaptions(), groupNames(6, 15));
    EXPECT_TRUE(s.bbbAcima.visible);
    EXPECT_TRUE(s.bbbAbaixo.visible);
}

TEST_F(GroupMenu, TwentyFiveGroupsDownDownUpShowsTheFirstTen)
{
    groups(25);
    auto& s = open();

    s.bbbAbaixoClick();
    s.bbbAbaixoClick();
    EXPECT_EQ(menuCaptions(), groupNames(21, 25));
    EXPECT_EQ(s.nrPaginaGrupo, 2);

    s.bbbAcimaClick();
    EXPECT_EQ(s.nrPaginaGrupo, 1);
    EXPECT_EQ(menuCaptions(), groupNames(1, 10));
    EXPECT_FALSE(s.bbbAcima.visible);
}

TEST_F(GroupMenu, QuantityCaptionFollowsQuantityAndMinimum)
{
    struct Case {
        double quantity, minimum;
        const char* caption;  // nullptr: the previous caption stays
    };
    const Case cases[] = {
        {3, 1, "Escolha de 1 até 3 produtos."},
        {2, 2, "Escolha 2 produtos."},
        {1, 1, "Escolha 1 produto."},
        {0, 0, "Escolha o adicional."},
        {4, 0, "Escolha até 4 produtos."},
        {1.5, 0, "Escolha até 1,5 produtos."},
        {1, 3, nullptr},
    };
    int n = 0;
    for (const Case& c : cases) {
        const QString g = S("Q") + QString::number(++n);
        product(g + S("P"), S("Produto"));
        host.setPrice(g + S("P"), 5.0);
        group(g, g, {g + S("P")});
        promoGroup(g, c.quantity, c.minimum);
    }
    auto& s = open();

    QString previous;
    for (int i = 1; i <= n; ++i) {
        s.blbMenu01Click(s.blbMenu(i));
        const Case& c = cases[i - 1];
        const QString want = c.caption ? S(c.caption) : previous;
        EXPECT_EQ(s.lblQuantGrupo.caption, want) << "Q=" << c.quantity << " M=" << c.minimum;
        previous = s.lblQuantGrupo.caption;
    }
    EXPECT_EQ(s.stQtdeGrupoAtual, S("1"));
}

TEST_F(GroupMenu, TouchRecoloursTheSelectionAndRebuildsTheGrid)
{
    groups(3);
    auto& s = open();

    s.blbMenu01Click(s.blbMenu(2));
    EXPECT_EQ(s.blbMenu(1).color, corDestaque);
    EXPECT_EQ(s.blbMenu(2).color, corGrupoSelecionado);
    EXPECT_EQ(s.nrBotaoGrupoAtual, 2);
    EXPECT_EQ(s.nrBotaoGrupoAnterior, 2);
    EXPECT_EQ(gridProducts(), QStringList{S("X02")});

    const int loadsBefore = lookups(S("getProdutoPromoComb"));
    s.blbMenu(2).color = corDestaque;
    s.blbMenu01Click(s.blbMenu(2));
    EXPECT_EQ(s.blbMenu(2).color, corGrupoSelecionado);
    EXPECT_EQ(lookups(S("getProdutoPromoComb")), loadsBefore + 1);
}

TEST_F(GroupMenu, PromotionWithoutGroupsShowsNoMenuAndNoGrid)
{
    auto& s = open();

    EXPECT_TRUE(menuCaptions().isEmpty());
    EXPECT_TRUE(gridProducts().isEmpty());
    EXPECT_TRUE(s.stCdGrupoAtual.isEmpty());
    EXPECT_TRUE(host.callsOf(S("ChamaFuncaoGetRetornaPreco")).isEmpty());
    // The pressed first button holds no group, so touching it does nothing either.
    s.blbMenu01Click(s.blbMenu(1));
    EXPECT_EQ(lookups(S("getProdutoPromoComb")), 0);
}

}  // namespace
}  // namespace kvp::test
