// The host's entry: the header and price line, the hand-back of the datasets, the result
// after a cancel, a confirmation and a failure, and that nothing escapes into the host.

#include "screenfixture.h"

#include "kvp510.h"
#include "oplog.h"
#include "rdmpromocaocombinada.h"

#include <QFile>

namespace kvp::test {
namespace {

using combinada::TfrmPromocaoCombinada;

struct Call {
    QString tipoPreco = S("1");
    QString idValorPerc = S("V");
    QString tipoAjuste = S("D");
    double preco = 20;
    double ajuste = 10;
    double quantidade = 2;
    bool aplicaAjuste = true;
};

// What the screen held while it was shown.
struct Seen {
    QString cabecalho, descricao, textoDescPromo;
    double precoDividir = -1, precoPromoFinal = -1, precoPromo = -1, ajustePromo = -1;
    bool running = false;
};

class Entry : public ScreenTest {
protected:
    bool call(const Call& c = {})
    {
        return combinada::CriaPromocaoInteligente(
            itensRet, obsRet, ctObsRet, S("PROMO"), S("COMBO FAMILIA"), S("CLI"), S("CONS"),
            c.tipoPreco, c.idValorPerc, c.tipoAjuste, c.preco, c.ajuste, c.quantidade,
            c.aplicaAjuste, true, S("V123"), itensVendidos, S("B"));
    }
    // Reads the screen's state, then leaves it through cancel.
    void seeAndCancel()
    {
        presenter.then([this](screen::Form& f) {
            auto& frm = dynamic_cast<TfrmPromocaoCombinada&>(f);
            seen.running = combinada::frmPromocaoCombinada == &frm;
            seen.cabecalho = frm.lblCabecalho.caption;
            seen.descricao = frm.lblDescricao.caption;
            seen.textoDescPromo = frm.stTextoDescPromo;
            seen.precoDividir = frm.vrPrecoDividir;
            seen.precoPromoFinal = frm.vrPrecoPromoFinal;
            seen.precoPromo = frm.vrPrecoPromo;
            seen.ajustePromo = frm.vrAjustePromo;
            host.answerQuestion(true);
            frm.bldCancelarClick();
        });
    }
    void addRow(DataSet& ds, const QString& product, int seq)
    {
        ds.append();
        ds.setValue(S("CDPRODUTO"), product);
        ds.setValue(S("NRSEQ"), QString::number(seq));
        if (ds.hasField(S("NRSEQ_ORD")))
            ds.setValue(S("NRSEQ_ORD"), seq);
        ds.post();
    }
    QString log() const
    {
        QFile f(operationLogFile(host.programFolder(), host.now().date()));
        return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
    }
    // Puts a plain file where the log's year folder goes, so every log line fails.
    void breakTheLog()
    {
        QDir base(programFolder());
        base.mkpath(S("dados/LogKvp510"));
        QDir(base.filePath(S("dados/LogKvp510/LogKvp510_2026"))).removeRecursively();
        QFile blocker(base.filePath(S("dados/LogKvp510/LogKvp510_2026")));
        ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    }

    DataSet obsRet{S("cdsObsRet"), records::obsItens()};
    DataSet ctObsRet{S("cdsCtObsRet"), records::prodCtObs()};
    Seen seen;
};

TEST_F(Entry, HeaderAndPriceLineForEveryAdjustment)
{
    struct Case {
        const char* tipoAjuste;
        const char* idValorPerc;
        bool aplica;
        const char* descricao;
        const char* textoDescPromo;
        double dividir;
    };
    // P = 20, A = 10, Q = 2.
    const Case cases[] = {
        {"D", "V", true, "Preço:  R$40,00  Desconto:  R$20,00 - Preço Final:  R$20,00",
         "Desconto:  R$20,00 - ", 10},
        {"D", "P", true, "Preço:  R$40,00  Desconto:  R$4,00 - Preço Final:  R$36,00",
         "Desconto:  R$4,00 - ", 18},
        {"A", "V", true, "Preço:  R$40,00  Acréscimo: R$20,00 - Preço Final:  R$60,00",
         "Acréscimo: R$20,00 - ", 30},
        // The percentage surcharge has no blank between the caption and the currency.
        {"A", "P", true, "Preço:  R$40,00  Acréscimo: R$4,00 - Preço Final: R$44,00",
         "Acréscimo: R$4,00 - ", 22},
        {"X", "V", true, "Preço:  R$40,00  ", "", 20},
        {"D", "V", false, "Preço:  R$40,00  ", "", 20},
    };
    for (const Case& c : cases) {
        Call call;
        call.tipoAjuste = S(c.tipoAjuste);
        call.idValorPerc = S(c.idValorPerc);
        call.aplicaAjuste = c.aplica;
        seen = {};
        seeAndCancel();
        EXPECT_FALSE(this->call(call));
        const std::string context = std::string(c.tipoAjuste) + "/" + c.idValorPerc;
        EXPECT_TRUE(seen.running) << context;
        EXPECT_EQ(seen.cabecalho, S("2 X COMBO FAMILIA")) << context;
        EXPECT_EQ(seen.descricao, S(c.descricao)) << context;
        EXPECT_EQ(seen.textoDescPromo, S(c.textoDescPromo)) << context;
        EXPECT_EQ(seen.precoDividir, c.dividir) << context;
        EXPECT_EQ(seen.precoPromoFinal, c.dividir) << context;
        EXPECT_EQ(seen.precoPromo, 20.0) << context;
        EXPECT_EQ(seen.ajustePromo, 10.0) << context;
    }
}

TEST_F(Entry, PriceBuiltFromTheProductsShowsOnlyTheHeader)
{
    Call c;
    c.tipoPreco = S("2");
    c.quantidade = 1.5;
    seeAndCancel();
    call(c);
    EXPECT_EQ(seen.cabecalho, S("1,5 X COMBO FAMILIA"));
    EXPECT_TRUE(seen.descricao.isEmpty());
    EXPECT_EQ(seen.precoDividir, 20.0);
}

TEST_F(Entry, AnAdjustmentThatLeavesNothingDividesThePlainPrice)
{
    Call c;
    c.ajuste = 20;  // 20 - 20 = 0
    seeAndCancel();
    call(c);
    EXPECT_EQ(seen.precoDividir, 20.0);
}

TEST_F(Entry, CancelHandsBackAnEmptyItemListIndexedOnTheOrderNumber)
{
    addRow(itensRet, S("OLD"), 1);
    combinada::stBotaoBloqueado = S("G1        ;");
    presenter.then([this](screen::Form& f) {
        auto& frm = dynamic_cast<TfrmPromocaoCombinada&>(f);
        addRow(frm.cdsObsItens, S("P1"), 1);
        host.answerQuestion(true);
        frm.bldCancelarClick();
    });

    EXPECT_FALSE(call());

    EXPECT_TRUE(itensRet.isEmpty());
    EXPECT_EQ(itensRet.indexName(), S("NRSEQ_ORD"));
    EXPECT_TRUE(itensRet.controlsDisabled());
    EXPECT_EQ(obsRet.recordCount(), 1);
    EXPECT_TRUE(ctObsRet.isEmpty());
    EXPECT_TRUE(log().contains(S(" - QUANTIDADE DE PRODUTOS ADICIONADOS: 0\n")));
    EXPECT_TRUE(log().contains(S(" - ") + QString(64, QLatin1Char('-')) + S("\n")));
    EXPECT_EQ(combinada::stNrVendaRest2, S("V123"));
    EXPECT_TRUE(combinada::boDebitoAux);
    EXPECT_EQ(combinada::stCdConsDebAux, S("CONS"));
    EXPECT_EQ(combinada::stCdCliDebPadrao, S("CLI"));
    EXPECT_TRUE(combinada::stBotaoBloqueado.isEmpty());
    EXPECT_EQ(combinada::nrSeqItemAdd, 1);
    EXPECT_EQ(combinada::frmPromocaoCombinada, nullptr);
    EXPECT_EQ(rdmPromocaoCombinada, nullptr);
}

TEST_F(Entry, AConfirmedScreenHandsItsItemsBackInOrder)
{
    presenter.then([this](screen::Form& f) {
        auto& frm = dynamic_cast<TfrmPromocaoCombinada&>(f);
        addRow(frm.cdsItemProd, S("B"), 2);
        addRow(frm.cdsItemProd, S("A"), 1);
        combinada::boPromocaoComb = true;
        frm.Close();
    });

    EXPECT_TRUE(call());

    ASSERT_EQ(itensRet.recordCount(), 2);
    itensRet.first();
    EXPECT_EQ(itensRet.asString(S("CDPRODUTO")), S("A"));
    EXPECT_TRUE(log().contains(S(" - QUANTIDADE DE PRODUTOS ADICIONADOS: 2\n")));
}

TEST_F(Entry, AnInitialisationErrorIsShownAndReportsNothingConfirmed)
{
    writeParameters({}, {S("CDLOJA")});
    addRow(itensRet, S("OLD"), 1);
    addRow(obsRet, S("OLD"), 1);
    combinada::boPromocaoComb = true;

    EXPECT_FALSE(call());

    EXPECT_EQ(presenter.runs(), 0);
    ASSERT_EQ(host.messages().size(), 1);
    EXPECT_TRUE(host.messages()[0].contains(S("CDLOJA")));
    EXPECT_EQ(host.callsOf(S("Mensagem"))[0].args.value(4).toInt(), 3);
    EXPECT_TRUE(log().contains(host.messages()[0]));
    EXPECT_EQ(itensRet.recordCount(), 1);
    EXPECT_EQ(obsRet.recordCount(), 1);
    EXPECT_EQ(combinada::frmPromocaoCombinada, nullptr);
    EXPECT_EQ(rdmPromocaoCombinada, nullptr);
}

TEST_F(Entry, WithoutAPresenterTheCallFailsCleanly)
{
    screen::installPresenter(nullptr);
    EXPECT_FALSE(call());
    EXPECT_EQ(host.messages().size(), 1);
}

TEST_F(Entry, WithoutAHostTheCallFailsCleanly)
{
    installHost(nullptr);
    EXPECT_FALSE(call());
    EXPECT_EQ(combinada::frmPromocaoCombinada, nullptr);
}

TEST_F(Entry, ALogThatCannotBeWrittenNeverReachesTheHost)
{
    breakTheLog();
    EXPECT_FALSE(call());
    EXPECT_EQ(presenter.runs(), 0);
    ASSERT_EQ(host.messages().size(), 1);
    EXPECT_TRUE(host.messages()[0].contains(S("operation log")));
}

TEST_F(Entry, ALogFailureAfterTheAnswerKeepsTheAnswer)
{
    presenter.then([this](screen::Form& f) {
        combinada::boPromocaoComb = true;
        breakTheLog();
        f.Close();
    });
    EXPECT_TRUE(call());
    EXPECT_EQ(host.messages().size(), 1);
}

}  // namespace
}  // namespace kvp::test
