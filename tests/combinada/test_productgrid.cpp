// Product grid: slots, prices, zero-price skipping, names, pictures and paging.

#include "screenfixture.h"

#include "figurasdapasta.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <fcntl.h>
#include <sys/stat.h>

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

TEST(PictureFolder, IsListedAgainOnlyWhenItHasChanged)
{
    using combinada::detail::FigurasDaPasta;
    QTemporaryDir base;
    ASSERT_TRUE(base.isValid());
    const QString path = QDir(base.path()).filePath(S("produto"));
    ASSERT_TRUE(QDir().mkpath(path));
    const QDir folder(path);
    auto make = [&](const char* name) {
        QFile f(folder.filePath(S(name)));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    };
    // Folder times well in the past, as a shop's folder between its changes, counted from
    // one moment so that the same age puts back the same time.
    struct timespec start{};
    clock_gettime(CLOCK_REALTIME, &start);
    auto setFolderTime = [&](int minutesAgo) {
        struct timespec times[2];
        times[0] = start;
        times[0].tv_sec -= minutesAgo * 60;
        times[0].tv_nsec = 0;
        times[1] = times[0];
        ASSERT_EQ(utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0), 0);
    };
    make("P1.BMP");
    setFolderTime(60);
    const FigurasDaPasta first(folder);
    EXPECT_EQ(first.procura(S("p1.bmp")), folder.filePath(S("P1.BMP")));
    EXPECT_EQ(first.procura(S("p2.bmp")), QString());

    // A file slipped in with the folder's time put back: the listing kept is used.
    make("p2.bmp");
    setFolderTime(60);
    EXPECT_EQ(FigurasDaPasta(folder).procura(S("p2.bmp")), QString());
    // The folder's time moved: listed again.
    setFolderTime(30);
    EXPECT_EQ(FigurasDaPasta(folder).procura(S("P2.bmp")), folder.filePath(S("p2.bmp")));
    // Changed just now, and changed again within the same tick of a coarse file clock
    // (the folder's time put back to what it was): a listing that young is not trusted.
    ASSERT_TRUE(QFile::remove(folder.filePath(S("p2.bmp"))));
    EXPECT_EQ(FigurasDaPasta(folder).procura(S("p2.bmp")), QString());
    struct stat before{};
    ASSERT_EQ(::stat(QFile::encodeName(path).constData(), &before), 0);
    make("p2.bmp");
    const struct timespec same[2] = {before.st_atim, before.st_mtim};
    ASSERT_EQ(utimensat(AT_FDCWD, QFile::encodeName(path).constData(), same, 0), 0);
    EXPECT_EQ(FigurasDaPasta(folder).procura(S("p2.bmp")), folder.filePath(S("p2.bmp")));

    // A folder taken away has no pictures; made again, it is listed afresh.
    ASSERT_TRUE(QDir(path).removeRecursively());
    EXPECT_TRUE(FigurasDaPasta(folder).isEmpty());
    ASSERT_TRUE(QDir().mkpath(path));
    make("p3.bmp");
    setFolderTime(60);
    EXPECT_EQ(FigurasDaPasta(folder).procura(S("p3.bmp")), folder.filePath(S("p3.bmp")));
    EXPECT_EQ(FigurasDaPasta(folder).procura(S("p1.bmp")), QString());
    // A listing taken earlier still answers as it was.
    EXPECT_EQ(first.procura(S("p1.bmp")), folder.filePath(S("P1.BMP")));

    // Names that differ only in case: the first in code order, however the folder lists.
    make("produto.bmp");
    make("Produto.bmp");
    make("PRODUTO.bmp");
    EXPECT_EQ(FigurasDaPasta(folder).procura(S("produto.BMP")), folder.filePath(S("PRODUTO.bmp")));

    // Names beyond ASCII fold too; a link to a file is a file, a folder is not.
    make("PÃO.BMP");
    ASSERT_TRUE(QFile::link(folder.filePath(S("p3.bmp")), folder.filePath(S("p4.bmp"))));
    ASSERT_TRUE(folder.mkdir(S("p5.bmp")));
    const FigurasDaPasta last(folder);
    EXPECT_EQ(last.procura(S("pão.bmp")), folder.filePath(S("PÃO.BMP")));
    EXPECT_EQ(last.procura(S("P4.BMP")), folder.filePath(S("p4.bmp")));
    EXPECT_EQ(last.procura(S("p5.bmp")), QString());
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
