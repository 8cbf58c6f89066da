// A whole selection through the host's entry: a pre-selected product, a touched one with
// its observations, confirmation, and the three datasets the host gets back.

#include "selectionfixture.h"

#include "kvp510.h"

namespace kvp::test {
namespace {

using combinada::TfrmPromocaoCombinada;

class EntrySelection : public Selection {
protected:
    bool call()
    {
        // 20,00 less 2,00 for each of two promotions: 18,00 to divide.
        return combinada::CriaPromocaoInteligente(
            itensRet, obsRet, ctObsRet, S("PROMO"), S("COMBO"), S("CLI"), S("CONS"), S("1"), S("V"),
            S("D"), 20, 2, 2, true, false, S("V1"), itensVendidos, S("A"));
    }
    static DataPacket packet(const FieldDefs& fields, const QList<Row>& rows)
    {
        DataPacket p;
        p.fields = fields;
        p.rows = rows;
        return p;
    }
    DataSet obsRet{S("cdsObsRet"), records::obsItens()};
    DataSet ctObsRet{S("cdsCtObsRet"), records::prodCtObs()};
};

TEST_F(EntrySelection, TheConfirmedLinesAndTheirObservationsReachTheHost)
{
    sellable(S("S1"), 15);
    sellable(S("D1"), 6);
    sellable(S("D2"), 7);
    addGroup(S("G1"), {S("S1")});
    addGroup(S("G2"), {S("D1"), S("D2")});
    db->insert(S("DESGRUPROMOCPR"), {{"CDPRODPROMOCAO", S("PROMO")},
                                     {"CDGRUPROMOC", S("G1")},
                                     {"CDPRODUTO", S("S1")},
                                     {"NRSEQGRPROMO", 1},
                                     {"IDPRODPRESELEC", S("S")}});
    writeParameters({{S("IDSOLOBSPED"), S("S")}});
    db->insert(S("LOJA"), {{"CDFILIAL", S("01")}, {"CDLOJA", S("1")}, {"CDGRPOCORPED", S("01")}});
    db->insert(S("GRUPOCOR"), {{"CDGRPOCOR", S("01")}});
    db->insert(S("OCORRENCIA"), {{"CDGRPOCOR", S("01")}, {"CDOCORR", S("05")}});
    db->insert(S("PRODOCORRE"),
               {{"CDPRODUTO", S("D1")}, {"CDGRPOCOR", S("01")}, {"CDOCORR", S("05")}});
    HostAnswer obs;
    obs[0] = S("01");
    obs[2] = QVariant::fromValue(packet(records::ocorrencia(), {{S("05")}}));
    obs[4] = QVariant::fromValue(packet(records::controlaObs(), {{S("A"), S("GELO"), S("05")}}));
    host.answerObservation(S("SEM GELO"), obs);

    QString selected;
    presenter.then([&](screen::Form& f) {
        auto& frm = dynamic_cast<TfrmPromocaoCombinada&>(f);
        selected = frm.stCdGrupoAtual;
        for (int k = 1; k <= combinada::kSlotsProduto; ++k)
            if (frm.imgProd(k).productCode == S("D1"))
                frm.deliver([&] { frm.bpbProd01Click(&frm.imgProd(k)); });
        frm.deliver([&] { frm.bldConfirmarClick(); });
    });

    EXPECT_TRUE(call());
    EXPECT_EQ(selected, S("G2"));  // the pre-selection moved the menu on

    ASSERT_EQ(itensRet.recordCount(), 2);
    EXPECT_EQ(column(itensRet, "CDPRODUTO"), (QStringList{S("S1"), S("D1")}));
    EXPECT_EQ(column(itensRet, "NRSEQ"), (QStringList{S("1"), S("2")}));
    EXPECT_EQ(column(itensRet, "CDGRUPROMOC"), (QStringList{S("G1"), S("G2")}));
    EXPECT_EQ(column(itensRet, "QTPRODVEND"), (QStringList{S("2"), S("2")}));
    EXPECT_EQ(column(itensRet, "VRUNVENDAEST"), (QStringList{S("9"), S("9")}));
    EXPECT_EQ(column(itensRet, "VRDESITVENDAEST"), (QStringList{S("0"), S("0")}));
    EXPECT_EQ(column(itensRet, "CDPRODVENDA"), (QStringList{S("PROMO"), S("PROMO")}));
    EXPECT_EQ(column(itensRet, "STOBSPEDIDO"), (QStringList{S(""), S("SEM GELO")}));
    EXPECT_EQ(itensRet.indexName(), S("NRSEQ_ORD"));

    EXPECT_EQ(column(obsRet, "NRSEQ"), QStringList{S("2")});
    EXPECT_EQ(column(obsRet, "CDOCORR"), QStringList{S("05")});
    EXPECT_EQ(column(ctObsRet, "NRSEQ"), QStringList{S("002")});
    EXPECT_EQ(column(ctObsRet, "CDPRODUTO"), QStringList{S("GELO")});
    EXPECT_EQ(column(ctObsRet, "QTPRODCOMVEN"), QStringList{S("2")});

    EXPECT_TRUE(
        log().contains(S(" - AddProduto pre: S1 - Nome S1 IMPGRP: N GRUPO: G1 GRUPO SELEC. G1\n")));
    EXPECT_TRUE(log().contains(S(" - QUANTIDADE DE PRODUTOS ADICIONADOS: 2\n")));
    EXPECT_EQ(presenter.runsLeftOpen(), 0);
}

}  // namespace
}  // namespace kvp::test
