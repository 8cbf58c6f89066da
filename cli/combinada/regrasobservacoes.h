#pragma once

// An item line's observations: those the operator chooses when a product is inserted
// (with the controlled observations the dialog answers), those a nested promotion's line
// brings along, and their renumbering and removal with the line. The host joins them to
// their line by its number.

#include "combinadadetalhe.h"
#include "insercao.h"

#include "dataset.h"
#include "hostservices.h"
#include "srv_kvp510.h"
#include "textformat.h"

#include <QString>

#include <algorithm>

namespace kvp::combinada::detail {

template <class Tela>
struct RegrasObservacoes {
    // The new line's observations: asked of the operator when the insertion says so, else
    // copied from the origin line. Each one takes a running number of its own; the line
    // counter never ends below the highest handed out, so no later line repeats one.
    static void ObservacoesDaLinha(Tela& t, const InsercaoProduto& ins, const LinhaInserida& linha)
    {
        t.cdsObsItens.clearFilter();
        t.cdsProdCtObs.clearFilter();
        int maiorItCanc = t.nrSeqItCanc;
        if (ins.observacoes.pedeObs == kS) {
            PedeObservacoes(t, ins, linha, maiorItCanc);
        } else {
            ObservacoesDaOrigem(t, ins, linha, maiorItCanc);
        }
    }

    static void RenumeraObservacoes(Tela& t, const QString& seqAntigo, const QString& seqNovo)
    {
        auto renumera = [](DataSet& ds, const QString& de, const QString& para) {
            if (!ds.isActive()) {
                return;
            }
            ds.clearFilter();
            for (ds.first(); !ds.eof(); ds.next()) {
                if (ds.asString(QStringLiteral("NRSEQ")) == de) {
                    ds.edit();
                    ds.setValue(QStringLiteral("NRSEQ"), para);
                    ds.post();
                }
            }
        };
        renumera(t.cdsObsItens, seqAntigo, seqNovo);
        renumera(t.cdsProdCtObs, Ajusta(seqAntigo, 3), Ajusta(seqNovo, 3));
    }

    static void RemoveObservacoes(Tela& t, const QString& nrSeq)
    {
        auto apaga = [](DataSet& ds, const QString& valor) {
            if (!ds.isActive() || ds.isEmpty()) {
                return;
            }
            const SemFiltro semFiltro(ds);
            ds.applyFilter(Filter::eq(QStringLiteral("NRSEQ"), valor));
            while (!ds.isEmpty()) {
                ds.first();
                ds.remove();
            }
        };
        apaga(t.cdsObsItens, nrSeq);
        apaga(t.cdsProdCtObs, Ajusta(nrSeq, 3));
    }

private:
    // The occurrences the product offers go to the observation dialog when the branch asks
    // for observations; what the operator chose goes on the line.
    static void PedeObservacoes(Tela& t, const InsercaoProduto& ins, const LinhaInserida& linha,
                                int& maiorItCanc)
    {
        const InsercaoProduto::Produto& p = ins.produto;
        const DataResult ocorrencias = MensagemMetodoLog(
            getOcorPed(t.stCdFilial, t.stCdLoja, p.cdProduto), true, 0,
            QStringLiteral("getOcorPed"), QStringLiteral("Srv_Kvp510"),
            t.stCdFilial + QLatin1Char('-') + t.stCdLoja + QLatin1Char('-') + p.cdProduto,
            QString());
        t.cdsObs.setData(ocorrencias.asPacket());
        QString texto;
        HostAnswer resposta;
        if (t.stIdSolObsPed == kS && !t.cdsObs.isEmpty()) {
            texto = host().Observacao({kN, QStringLiteral("P"), p.cdProduto, p.nmProduto, QString(),
                                       false, QString(), QString(), QString(), QString()},
                                      resposta);
        }
        if (!texto.isEmpty() && texto != QLatin1String("erro")) {
            DataSet& itens = t.cdsItemProd;
            posicionaLinha(itens, linha.nrSeq);
            itens.edit();
            itens.setValue(QStringLiteral("STOBSPEDIDO"), texto);
            itens.setValue(QStringLiteral("STOBSDIGITADA"), resposta[3].toString());
            itens.post();
            carregaResposta(t.cdsOcorrencia, resposta[2]);
            ++t.nrSeqItCanc;
            t.nrSeqItCancObs = t.nrSeqItCanc;
            const QString grupoOcorrencia = resposta[0].toString();
            for (t.cdsOcorrencia.first(); !t.cdsOcorrencia.eof(); t.cdsOcorrencia.next()) {
                const QString ocorrencia = t.cdsOcorrencia.asString(QStringLiteral("CDOCORR"));
                if (!t.cdsObsItens.locate(
                        QStringLiteral("NRSEQ;CDPRODUTO;CDGRPOCOR;CDOCORR"),
                        {linha.nrSeq, p.cdProduto, grupoOcorrencia, ocorrencia})) {
                    IncluiObs(t, ins, linha, grupoOcorrencia, ocorrencia, maiorItCanc);
                }
            }
        } else {
            t.nrSeqItCancObs = t.nrSeqItCanc;  // nothing numbered: the counter stays put
        }
        carregaResposta(t.cdsControlaObs, resposta[4]);
        ObservacoesControladas(t, ins, linha, maiorItCanc);
        t.nrSeqItCanc = std::max(t.nrSeqItCancObs, maiorItCanc);
    }

    // The dialog's controlled observations that apply ("A") to a product.
    static void ObservacoesControladas(Tela& t, const InsercaoProduto& ins,
                                       const LinhaInserida& linha, int& maiorItCanc)
    {
        const QString idImp =
            t.stTipoPrecoPromo == QLatin1String("1")
                ? (ins.opcoes.cdProdPai.isEmpty() ? ins.grupo.idImpGrupo : ins.grupo.idImpItem)
                : kN;
        const int n = t.nrSeqItem;
        t.nrSeqItCancCtObs = t.nrSeqItCanc;
        DataSet& controla = t.cdsControlaObs;
        for (controla.first(); !controla.eof(); controla.next()) {
            const QString produto = controla.asString(QStringLiteral("CDPRODUTO"));
            if (controla.asString(QStringLiteral("IDCONTROLAOBS")) == QLatin1String("A") &&
                !produto.isEmpty()) {
                IncluiCtObs(t, linha, produto, controla.asString(QStringLiteral("CDOCORR")), idImp,
                            n, maiorItCanc);
            }
        }
    }

    // A nested promotion's line brings the observations of its origin line along.
    static void ObservacoesDaOrigem(Tela& t, const InsercaoProduto& ins, const LinhaInserida& linha,
                                    int& maiorItCanc)
    {
        const InsercaoProduto::Observacoes& o = ins.observacoes;
        if (temLinhas(o.obsOrigem)) {
            DataSet& origem = *o.obsOrigem;
            ++t.nrSeqItCanc;
            const SemFiltro semFiltro(origem);
            origem.applyFilter(Filter::eq(QStringLiteral("NRSEQ"), QString::number(o.nrSeqOrigem)));
            t.nrSeqItCancObs = t.nrSeqItCanc;
            for (origem.first(); !origem.eof(); origem.next()) {
                IncluiObs(t, ins, linha, origem.asString(QStringLiteral("CDGRPOCOR")),
                          origem.asString(QStringLiteral("CDOCORR")), maiorItCanc);
            }
        }
        if (temLinhas(o.ctObsOrigem)) {
            DataSet& origem = *o.ctObsOrigem;
            const SemFiltro semFiltro(origem);
            origem.applyFilter(
                Filter::eq(QStringLiteral("NRSEQ"), Ajusta(QString::number(o.nrSeqOrigem), 3)));
            const int n = t.nrSeqItem;
            t.nrSeqItCancCtObs = t.nrSeqItCanc;
            const QString idImp = t.stTipoPrecoPromo == QLatin1String("1") ? idImpLinha(ins) : kN;
            for (origem.first(); !origem.eof(); origem.next()) {
                IncluiCtObs(t, linha, origem.asString(QStringLiteral("CDPRODUTO")),
                            origem.asString(QStringLiteral("CDOCORR")), idImp, n, maiorItCanc);
            }
            t.nrSeqItCanc = t.nrSeqItCancCtObs;
        }
        t.nrSeqItCanc = std::max(t.nrSeqItCanc, maiorItCanc);
    }

    static void IncluiObs(Tela& t, const InsercaoProduto& ins, const LinhaInserida& linha,
                          const QString& grupoOcorrencia, const QString& ocorrencia,
                          int& maiorItCanc)
    {
        DataSet& obs = t.cdsObsItens;
        obs.append();
        obs.setValue(QStringLiteral("NRSEQ"), linha.nrSeq);
        obs.setValue(QStringLiteral("CDPRODUTO"), ins.produto.cdProduto);
        obs.setValue(QStringLiteral("CDGRPOCOR"), grupoOcorrencia);
        obs.setValue(QStringLiteral("CDOCORR"), ocorrencia);
        obs.setValue(QStringLiteral("NRCOMANDA"), QString());
        gravaSeHouver(obs, QStringLiteral("NRSEQITCANC"), QString::number(t.nrSeqItCancObs));
        obs.post();
        maiorItCanc = std::max(maiorItCanc, t.nrSeqItCancObs);
        ++t.nrSeqItCancObs;
    }

    static void IncluiCtObs(Tela& t, const LinhaInserida& linha, const QString& produto,
                            const QString& ocorrencia, const QString& idImp, int nrSeq,
                            int& maiorItCanc)
    {
        DataSet& ctObs = t.cdsProdCtObs;
        ctObs.append();
        ctObs.setValue(QStringLiteral("NRSEQ"), Ajusta(QString::number(nrSeq), 3));
        ctObs.setValue(QStringLiteral("CDPRODUTO"), produto);
        ctObs.setValue(QStringLiteral("CDOCORR"), ocorrencia);
        ctObs.setValue(QStringLiteral("QTPRODCOMVEN"), linha.qtdVendida);
        gravaSeHouver(ctObs, QStringLiteral("NRSEQITCANC"), QString::number(t.nrSeqItCancCtObs));
        gravaSeHouver(ctObs, QStringLiteral("IDIMPGRPROMO"), idImp);
        ctObs.post();
        maiorItCanc = std::max(maiorItCanc, t.nrSeqItCancCtObs);
        ++t.nrSeqItCancCtObs;
        ++t.nrSeqItem;
    }
};

}  // namespace kvp::combinada::detail
