// Product grid: slots, prices, zero-price skipping, names, pictures and paging.

#include "screenfixture.h"

#include <QDir>
#include <QFile>

namespace kvp::test {
namespace {

QStringList codes(int from, int to)
{
    QStringList out;
    for (int i = from; i <= to; ++i)
        out << S("P") + Ajusta(QString::number(i), 3);
    return out;
}

class ProductGrid : public ScreenTest {
protected:
    void oneGroup(int n)
    {
        products(S("GA"), n);
        promoGroup(S("GA"));
    }
};

TEST_F(ProductGrid, TwelveProductsFillTheGridWithoutPaging)
{
    oneGroup(12);
    auto& s = open();

    EXPECT_EQ(gridProducts(), codes(1, 12));
    for (int k = 1; k <= 12; ++k)
        EXPECT_EQ(s.imgProd(k).slot, k);
    EXPECT_FALSE(s.bbbProdAbaixo.visible);
    EXPECT_FALSE(s.bbbProdAcima.visible);
}

TEST_F(ProductGrid, ThirteenProductsPageDownAndBackUp)
{
    oneGroup(13);
    auto& s = open();
    EXPECT_TRUE(s.bbbProdAbaixo.visible);

    s.bbbProdAbaixoClick();
    EXPECT_EQ(gridProducts(), codes(13, 13));
    EXPECT_EQ(s.nrPaginaProd, 1);
    for (int k = 2; k <= 12; ++k) {
        EXPECT_FALSE(s.lblNmProd(k).visible) << k;
        EXPECT_FALSE(s.lblPreco(k).visible) << k;
        EXPECT_TRUE(s.imgProd(k).productCode.isEmpty()) << k;
        EXPECT_EQ(s.imgProd(k).slot, k);
    }
    EXPECT_FALSE(s.bbbProdAbaixo.visible);
    EXPECT_TRUE(s.bbbProdAcima.visible);

    s.bbbProdAcimaClick();
    EXPECT_EQ(gridProducts(), codes(1, 12));
    EXPECT_EQ(s.nrPaginaProd, 1);
    EXPECT_FALSE(s.bbbProdAcima.visible);
    EXPECT_TRUE(s.bbbProdAbaixo.visible);
}

TEST_F(ProductGrid, ZeroPricedProductsAreSkippedButTheLastIsShown)
{
    oneGroup(5);
    for (const char* p : {"P002", "P003", "P005"})
        host.setPrice(S(p), 0.0);
    open();
    EXPECT_EQ(gridProducts(), (QStringList{S("P001"), S("P004"), S("P005")}));
}

TEST_F(ProductGrid, ZeroPricedProductsAreListedWhenTheBranchAsksForThem)
{
    oneGroup(5);
    showZeroPrices(S("S"));
    for (const char* p : {"P002", "P003", "P005"})
        host.setPrice(S(p), 0.0);
    auto& s = open();
    EXPECT_EQ(gridProducts(), codes(1, 5));
    EXPECT_EQ(s.lblPreco(2).caption, S("R$ 0,00"));
}

TEST_F(ProductGrid, PriceLabelsShowOnlyWhenThePriceIsBuiltFromTheProducts)
{
    oneGroup(2);
    host.setPrice(S("P001"), 1234.567);
    auto& s = open(S("2"));
    EXPECT_TRUE(s.lblPreco(1).visible);
    EXPECT_EQ(s.lblPreco(1).caption, S("R$ 1.234,56"));
    EXPECT_EQ(s.lblPreco(2).caption, S("R$ 10,00"));

    auto& fixed = open(S("1"));
    EXPECT_FALSE(fixed.lblPreco(1).visible);
    EXPECT_FALSE(fixed.lblPreco(2).visible);
}

TEST_F(ProductGrid, NamesCarryTheShortcutCode)
{
    oneGroup(2);
    shortcut(S("P001"), S("15"));
    auto& s = open();
    EXPECT_EQ(s.lblNmProd(1).caption, S("Produto 1 - (15)"));
    EXPECT_EQ(s.lblNmProd(2).caption, S("Produto 2"));
    EXPECT_EQ(s.lblNmProd(1).font.pointSize, 6);
}

TEST_F(ProductGrid, PriceLookupReceivesTheNineValues)
{
    oneGroup(1);
    writeParameters({{S("IDUTTABPRECLVDC"), S("S")}});
    combinada::stCdCliDebPadrao = S("CLI");
    combinada::stCdConsDebAux = S("CONS");
    combinada::boDebitoAux = false;
    auto& s = open();
    s.stTipoChamada = S("B");
    host.clearCalls();
    s.cdsProdutoPromo.first();
    s.MontaMenuProduto(s.stCdGrupoAtual, false);

    const QList<HostCall> calls = host.callsOf(S("ChamaFuncaoGetRetornaPreco"));
    ASSERT_EQ(calls.size(), 1);
    EXPECT_EQ(calls[0].args, (QVariantList{S("01"), S("CLI"), S("P001"), S("1"), S("CONS"),
                                           S("0905"), S(""), false, S("B")}));
}

TEST_F(ProductGrid, PicturesAreSearchedInOrderThenTheDefault)
{
    oneGroup(2);
    auto& s = open();
    s.imgSemImagem.picture = S("semimagem.png");
    auto rebuild = [&] {
        s.cdsProdutoPromo.first();
        s.MontaMenuProduto(s.stCdGrupoAtual, false);
    };
    rebuild();
    EXPECT_EQ(s.imgProd(1).picture, S("semimagem.png")) << "no picture folder";

    QDir folder(programFolder());
    ASSERT_TRUE(folder.mkpath(S("dados/img/produto")));
    folder.cd(S("dados/img/produto"));
    auto touch = [&](const char* name) {
        QFile f(folder.filePath(S(name)));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    };
    rebuild();
    EXPECT_EQ(s.imgProd(1).picture, S("semimagem.png")) << "empty picture folder";
    touch("Product.bmp");
    rebuild();
    EXPECT_EQ(s.imgProd(1).picture, folder.filePath(S("Product.bmp")));
    touch("Producto.bmp");
    rebuild();
    EXPECT_EQ(s.imgProd(1).picture, folder.filePath(S("Producto.bmp")));
    touch("Produto.bmp");
    rebuild();
    EXPECT_EQ(s.imgProd(1).picture, folder.filePath(S("Produto.bmp")));
    // Shops name the files in capitals; the match ignores case.
    touch("PARV001.BMP");
    rebuild();
    EXPECT_EQ(s.imgProd(1).picture, folder.filePath(S("PARV001.BMP")));
    EXPECT_EQ(s.imgProd(2).picture, folder.filePath(S("Produto.bmp")));
}

TEST_F(ProductGrid, AGroupWithoutProductsKeepsTheGridAsItWas)
{
    oneGroup(3);
    auto& s = open();
    s.boProcessandoProd = true;
    s.MontaMenuProduto(S("NOPE"), true);
    EXPECT_EQ(gridProducts(), codes(1, 3));
    // Only a complete build releases the product-touch guard.
    EXPECT_TRUE(s.boProcessandoProd);
    s.MontaMenuProduto(S("GA"), true);
    EXPECT_FALSE(s.boProcessandoProd);
}

}  // namespace
}  // namespace kvp::test
