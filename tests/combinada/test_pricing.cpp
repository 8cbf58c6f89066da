// Pricing: the price lookup's failure codes, the division of a fixed promotion price and
// the shared portion of combined products, to the cent.

#include "screenfixture.h"

#include "oplog.h"

#include <QFile>

namespace kvp::test {
namespace {

class Pricing : public ScreenTest {
protected:
    void SetUp() override
    {
        ScreenTest::SetUp();
        screen = std::make_unique<RecordingScreen>();
        s = screen.get();
    }
    RecordingScreen* s = nullptr;

    void item(const QString& product, const QString& printFlag = S("N"),
              const QString& group = S("GC"), double unitPrice = 0)
    {
        ++s->nrSeqItem;
        s->cdsItemProd.append();
        s->cdsItemProd.setValue(S("CDPRODUTO"), product);
        s->cdsItemProd.setValue(S("NMPRODUTO"), QString(S("Nome ") + product));
        s->cdsItemProd.setValue(S("CDARVPROD"), QString(S("ARV") + product));
        s->cdsItemProd.setValue(S("NRSEQ"), QString::number(s->nrSeqItem));
        s->cdsItemProd.setValue(S("NRSEQ_ORD"), s->nrSeqItem);
        s->cdsItemProd.setValue(S("CDGRUPROMOC"), group);
        s->cdsItemProd.setValue(S("CDGRUPROMOCORIG"), group);
        s->cdsItemProd.setValue(S("IDIMPGRPROMO"), printFlag);
        s->cdsItemProd.setValue(S("VRUNVENDAEST"), unitPrice);
        s->cdsItemProd.setValue(S("QTPRODVEND"), s->nrQtdePromo);
        s->cdsItemProd.setValue(S("VRDESCONTO"), 0.0);
        s->cdsItemProd.setValue(S("VRACRESCIMO"), 0.0);
        s->cdsItemProd.setValue(S("VRDESITVENDAEST"), 0.0);
        s->cdsItemProd.post();
    }
    QList<double> column(const char* field)
    {
        QList<double> out;
        for (s->cdsItemProd.first(); !s->cdsItemProd.eof(); s->cdsItemProd.next())
            out << s->cdsItemProd.asFloat(S(field));
        return out;
    }
    QStringList textColumn(DataSet& ds, const char* field)
    {
        QStringList out;
        for (ds.first(); !ds.eof(); ds.next())
            out << ds.asString(S(field));
        return out;
    }
    void divide(double price, int items, double promotions = 1)
    {
        s->vrPrecoDividir = price;
        s->nrQtdePromo = promotions;
        for (int i = 1; i <= items; ++i)
            item(S("P") + QString::number(i));
        s->DividePrecoProduto();
    }
};

TEST_F(Pricing, LookupFailuresFollowTheMessageMode)
{
    struct Case {
        const char* code;
        const char* mode;
        const char* key;  // catalogue key shown, nullptr: nothing shown
        bool stops;
    };
    const Case cases[] = {
        {"PRECNCAD", "1", "Preco_deve", true},      {"PRECNCAD", "2", nullptr, false},
        {"TABENCAD", "1", "TabePrec", true},        {"TABENCAD", "2", nullptr, false},
        {"DTCLI", "1", "VigenciaCli", true},        {"DTPAR", "1", "VigenciaPar", true},
        {"DTLOJ", "1", "VigenciaLoj", true},        {"DTLOJ", "2", nullptr, false},
        {"PRECZERO", "1", "Preco_Zero", true},      {"PRECZERO", "2", nullptr, false},
        {"BLOQUEADO", "1", "Prod_bloqueado", true}, {"BLOQUEADO", "2", "Prod_bloqueado", true},
        {"FORAHORA", "1", "Prod_Fora_Hora", true},  {"FORAHORA", "2", "Prod_Fora_Hora", true},
        {"BLOQUEADO", "", nullptr, false},          {"PRECNCAD", "", nullptr, false},
    };
    for (const Case& c : cases) {
        host.setPriceFailure(S("P1"), S(c.code));
        host.clearCalls();
        const QString result = s->ConsultaPreco(S("P1"), S(c.mode), QString());
        const QString context = S(c.code) + S(" mode ") + S(c.mode);
        EXPECT_EQ(result, c.stops ? S("Erro") : QString()) << context.toStdString();
        const QStringList shown = host.messages();
        if (c.key) {
            ASSERT_EQ(shown.size(), 1) << context.toStdString();
            EXPECT_EQ(shown[0], s->msgPadrao.Msg(S(c.key))) << context.toStdString();
            EXPECT_EQ(host.callsOf(S("Mensagem"))[0].args.value(4).toInt(), 3);
        } else {
            EXPECT_TRUE(shown.isEmpty()) << context.toStdString();
        }
    }
}

TEST_F(Pricing, AnUnknownFailureIsShownAsItsOwnTextAndTheCallerGoesOn)
{
    host.setPriceFailure(S("P1"), S("SEM TABELA"));
    EXPECT_EQ(s->ConsultaPreco(S("P1"), S("1"), QString()), QString());
    EXPECT_EQ(host.messages(), QStringList{S("SEM TABELA")});
    EXPECT_EQ(s->ConsultaPreco(S("P1"), S("2"), QString()), QString());
    EXPECT_EQ(host.messages().size(), 1);

    QFile log(operationLogFile(programFolder(), host.now().date()));
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(log.readAll()).count(S(" - SEM TABELA\n")), 2);
}

// A price function that fails to answer (its database away, a value it cannot read)
// may have been about to refuse the product: a choice stops, under either price mode.
TEST_F(Pricing, APriceFunctionThatFailsItselfStopsTheChoice)
{
    host.setPriceFunction([](const QVariantList&, DataSet&) -> DataResult {
        throw HostError(S("sem conexão com o banco de preços"));
    });
    struct Case {
        const char* mode;
        const char* result;
        bool shown;
    };
    for (const Case& c : {Case{"1", "Erro", true}, Case{"2", "Erro", true}, Case{"", "", false}}) {
        host.clearCalls();
        EXPECT_EQ(s->ConsultaPreco(S("P1"), S(c.mode), QString()), S(c.result))
            << "mode " << c.mode;
        EXPECT_EQ(host.messages(),
                  c.shown ? QStringList{S("sem conexão com o banco de preços")} : QStringList{})
            << "mode " << c.mode;
    }
}

TEST_F(Pricing, RoundingTestLooksAtTheThirdDecimal)
{
    EXPECT_TRUE(s->RetornaFrac(10.0 / 3));   // 0,333...
    EXPECT_TRUE(s->RetornaFrac(10.0 / 9));   // 0,111...
    EXPECT_TRUE(s->RetornaFrac(1.2301));     // a 0 counts as below 5
    EXPECT_FALSE(s->RetornaFrac(10.0 / 7));  // 0,428...
    EXPECT_FALSE(s->RetornaFrac(2.5));       // 0,5: no third decimal
    EXPECT_FALSE(s->RetornaFrac(1.25));
    EXPECT_FALSE(s->RetornaFrac(10.0));
    EXPECT_FALSE(s->RetornaFrac(3.0000123));  // exponent form: ordinary rounding
}

TEST_F(Pricing, TenOverThreeChargesTheSurplusOnTheLastItem)
{
    divide(10.0, 3);
    EXPECT_EQ(column("VRUNVENDAEST"), (QList<double>{3.34, 3.34, 3.34}));
    EXPECT_EQ(column("VRDESITVENDAEST"), (QList<double>{0, 0, 0.02}));
    EXPECT_FALSE(s->cdsItemProd.filtered());
}

TEST_F(Pricing, TenOverThreeForTwoPromotions)
{
    divide(10.0, 3, 2);
    EXPECT_EQ(column("VRUNVENDAEST"), (QList<double>{3.34, 3.34, 3.34}));
    EXPECT_EQ(column("VRDESITVENDAEST"), (QList<double>{0, 0, 0.04}));
}

TEST_F(Pricing, TenOverSevenAndOverNine)
{
    divide(10.0, 7);
    EXPECT_EQ(column("VRUNVENDAEST"), QList<double>(7, 1.43));
    EXPECT_EQ(column("VRDESITVENDAEST").last(), 0.01);

    s->cdsItemProd.emptyDataSet();
    divide(10.0, 9);
    EXPECT_EQ(column("VRUNVENDAEST"), QList<double>(9, 1.12));
    EXPECT_EQ(column("VRDESITVENDAEST").last(), 0.08);
}

TEST_F(Pricing, FiveOverTwoLeavesNoDiscount)
{
    divide(5.0, 2);
    EXPECT_EQ(column("VRUNVENDAEST"), (QList<double>{2.5, 2.5}));
    EXPECT_EQ(column("VRDESITVENDAEST"), (QList<double>{0, 0}));
}

TEST_F(Pricing, ThePromotionProductTakesTheWholePrice)
{
    s->stCdProdPromo = S("PROMO");
    s->vrPrecoDividir = 10.0;
    s->nrQtdePromo = 1;
    item(S("P1"), S("N"), S("GC"), 4.0);
    item(S("PROMO"), S("N"), S("GC"), 4.0);
    item(S("P3"), S("N"), S("GC"), 4.0);
    s->DividePrecoProduto();
    EXPECT_EQ(column("VRUNVENDAEST"), (QList<double>{0, 10.0, 0}));
    EXPECT_EQ(column("VRDESITVENDAEST"), (QList<double>{0, 0, 0}));
}

TEST_F(Pricing, GroupsPricedOnTheirOwnAreLeftAlone)
{
    s->vrPrecoDividir = 10.0;
    s->nrQtdePromo = 1;
    item(S("P1"));
    item(S("OWN"), S("S"), S("GS"), 7.0);
    item(S("P2"));
    s->DividePrecoProduto();
    EXPECT_EQ(column("VRUNVENDAEST"), (QList<double>{5.0, 7.0, 5.0}));
    EXPECT_EQ(column("VRDESITVENDAEST"), (QList<double>{0, 0, 0}));
}

TEST_F(Pricing, NothingToDivideChangesNothing)
{
    s->vrPrecoDividir = 10.0;
    s->DividePrecoProduto();
    EXPECT_TRUE(s->cdsItemProd.isEmpty());

    item(S("OWN"), S("S"), S("GS"), 7.0);
    s->DividePrecoProduto();
    EXPECT_EQ(column("VRUNVENDAEST"), QList<double>{7.0});
    EXPECT_EQ(column("VRDESITVENDAEST"), QList<double>{0});
}

class Combined : public Pricing {
protected:
    QList<double> quantities(int items, double promotions)
    {
        s->cdsItemProd.emptyDataSet();
        s->nrQtdePromo = promotions;
        for (int i = 1; i <= items; ++i)
            item(S("P") + QString::number(i));
        s->AtualizaProdCombinado(S("GC"));
        return column("QTPRODVEND");
    }
    // The item's tray entry, as CriaProdBandeja would have made it at insertion.
    void trayEntry()
    {
        s->nrSeqBandeja = s->nrSeqItem;
        s->CriaProdBandeja(S("ARV"), S("Nome"), QString(), QString(), S("N"), S("N"), 1.0, 10.0,
                           s->nrSeqItem, s->controlesBandeja().size() / 5 + 1, nullptr);
    }
};

TEST_F(Combined, TheGroupsPortionIsSharedWithTheRemainderOnTheFirstItem)
{
    EXPECT_EQ(quantities(3, 1), (QList<double>{0.334, 0.333, 0.333}));
    EXPECT_EQ(quantities(3, 2), (QList<double>{0.667, 0.666, 0.666}));
    EXPECT_EQ(quantities(6, 1), (QList<double>{0.165, 0.167, 0.167, 0.167, 0.167, 0.167}));
    EXPECT_EQ(quantities(1, 3), QList<double>{3.0});
}

TEST_F(Combined, RenumberedLinesKeepTheirOrderNumberAndObservations)
{
    s->nrQtdePromo = 1;
    item(S("P1"));
    item(S("P2"));
    item(S("X"), S("N"), S("GX"));
    item(S("P3"));
    auto observation = [&](const QString& seq, const QString& product) {
        s->cdsObsItens.append();
        s->cdsObsItens.setValue(S("NRSEQ"), seq);
        s->cdsObsItens.setValue(S("CDPRODUTO"), product);
        s->cdsObsItens.setValue(S("CDOCORR"), S("01"));
        s->cdsObsItens.post();
        s->cdsProdCtObs.append();
        s->cdsProdCtObs.setValue(S("NRSEQ"), Ajusta(seq, 3));
        s->cdsProdCtObs.setValue(S("CDPRODUTO"), product);
        s->cdsProdCtObs.post();
    };
    observation(S("2"), S("P2"));
    observation(S("3"), S("X"));

    s->AtualizaProdCombinado(S("GC"));

    EXPECT_EQ(textColumn(s->cdsItemProd, "NRSEQ"), (QStringList{S("5"), S("6"), S("3"), S("7")}));
    EXPECT_EQ(column("NRSEQ_ORD"), (QList<double>{5, 6, 3, 7}));
    EXPECT_EQ(s->nrSeqItem, 7);
    EXPECT_EQ(s->nrSeqBandeja, 7);
    EXPECT_EQ(textColumn(s->cdsObsItens, "NRSEQ"), (QStringList{S("6"), S("3")}));
    EXPECT_EQ(textColumn(s->cdsProdCtObs, "NRSEQ"), (QStringList{S("006"), S("003")}));
}

TEST_F(Combined, TrayEntriesAreRebuiltWithTheNewNumbersAtTheEnd)
{
    s->nrQtdePromo = 1;
    s->stTipoPrecoPromo = S("2");
    for (const char* p : {"P1", "P2", "P3"}) {
        item(S(p), S("N"), S("GC"), 10.0);
        trayEntry();
        s->AtualizaResumoPreco(+1);
    }
    item(S("X"), S("N"), S("GX"), 10.0);
    trayEntry();
    s->AtualizaResumoPreco(+1);
    EXPECT_EQ(s->lblDescricao.caption,
              S("Preço: R$40,00  Desconto: R$0,00 - Preço Final: R$40,00"));

    s->AtualizaProdCombinado(S("GC"));

    QList<int> tags, tops;
    QStringList prices;
    for (const screen::Control* c : s->controlesBandeja()) {
        if (c->name.endsWith(S("Foto"))) {
            tags << c->tag;
            tops << c->bounds.top;
        } else if (c->name.endsWith(S("Preco"))) {
            prices << c->caption;
        }
    }
    EXPECT_EQ(tags, (QList<int>{4, 5, 6, 7}));
    EXPECT_EQ(tops, (QList<int>{0, 80, 160, 240}));
    EXPECT_EQ(prices.mid(1),
              (QStringList{S("0,334 X R$9,88"), S("0,333 X R$9,91"), S("0,333 X R$9,91")}));
    // Each combined line now counts its share of the portion: 3,34 + 3,33 + 3,33 + 10,00.
    EXPECT_EQ(s->lblDescricao.caption,
              S("Preço: R$20,00  Desconto: R$0,00 - Preço Final: R$20,00"));
}

}  // namespace
}  // namespace kvp::test
