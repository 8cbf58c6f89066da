#pragma once

// The price of a product as the host's price function gives it, and the price line at the
// foot of the screen: the products' sum under a price built from them ("2"), the
// promotion's price shared among the lines under a fixed one ("1"), and the equal shares
// of a group whose products make one portion together.

#include "combinadadetalhe.h"
#include "regrasvenda.h"

#include "dataset.h"
#include "hostservices.h"
#include "oplog.h"
#include "textformat.h"

#include <QString>

#include <algorithm>
#include <cmath>

namespace kvp::combinada::detail {

template <class Tela>
struct RegrasPreco {
    static QString ConsultaPreco(Tela& t, const QString& cdProduto, const QString& modoMensagem,
                                 const QString& idPreco)
    {
        QString erro;
        // Set while the price function runs: a failure there is the function's own, not a
        // code it chose, and it may have been about to refuse the product.
        bool daFuncao = false;
        try {
            HostServices& h = host();
            // HHMM from the long time text: "13:05:22" -> "1305".
            const QString hora = hourMinuteText(stepNow(), h.formatSettings());
            const QVariantList valores{
                t.stCdFilial,
                Tela::modulo().stCdCliDebPadrao,
                cdProduto,
                t.stCdLoja,
                Tela::modulo().stCdConsDebAux,
                hora,
                idPreco,
                t.stIdUtTabPrecLvdc == kS ? Tela::modulo().boDebitoAux : true,
                t.stTipoChamada,
            };
            daFuncao = true;
            const DataResult resultado = h.ChamaFuncaoGetRetornaPreco(valores, t.cdsRetornaPreco);
            daFuncao = false;
            h.CheckResultServ(resultado, true, 0);
            return {};
        } catch (const SilentAbort& e) {
            // The host has told the operator already; only the log hears of it.
            LogKvp510(QString::fromUtf8(e.what()));
            return {};
        } catch (const HostError& e) {
            erro = e.message();
        } catch (const std::exception& e) {
            erro = QString::fromUtf8(e.what());
        }
        LogKvp510(erro);

        const bool modo1 = modoMensagem == QLatin1String("1");
        const bool modo2 = modoMensagem == QLatin1String("2");
        if (!modo1 && !modo2) {
            return {};
        }
        auto avisa = [&](const QString& texto) {
            host().Mensagem(texto, QString(), kN, kN, static_cast<int>(MessageKind::Warning),
                            QString(), QString(), 0, nullptr);
        };
        if (const FalhaPreco* f = falhaPreco(erro)) {
            if (precoRecusado(f, modoMensagem)) {
                avisa(t.msgPadrao.Msg(QLatin1String(f->chave)));
                return QStringLiteral("Erro");
            }
            return {};
        }
        if (modo1 || daFuncao) {
            avisa(erro);
        }
        return daFuncao ? QStringLiteral("Erro") : QString();
    }

    static void AtualizaProdCombinado(Tela& t, const QString& cdGrupo)
    {
        DataSet& itens = t.cdsItemProd;
        const SemFiltro semFiltro(itens);
        itens.applyFilter(Filter::eq(Tela::kCampoGrupoCombinado, cdGrupo));
        const int n = itens.recordCount();
        if (n == 0) {
            return;
        }
        const double fracao = RoundDec(1.0 / n, 3);
        double resto = RoundDec(1.0 - n * fracao, 3);
        const bool modo2 = t.stTipoPrecoPromo == QLatin1String("2");

        for (itens.first(); !itens.eof(); itens.next()) {
            const QString seqAntigo = itens.asString(QStringLiteral("NRSEQ"));
            t.RemoveProdBandeja(seqAntigo.toInt());
            if (modo2) {
                t.AtualizaResumoPreco(-1);
            }

            ++t.nrSeqItem;
            t.nrSeqBandeja = t.nrSeqItem;
            const QString seqNovo = QString::number(t.nrSeqItem);
            itens.edit();
            itens.setValue(QStringLiteral("QTPRODVEND"), fracao * t.nrQtdePromo + resto);
            resto = 0;
            // The line keeps its invariant NRSEQ_ORD = NRSEQ, and its observations follow it:
            // the host joins them to the line by that number.
            itens.setValue(QStringLiteral("NRSEQ"), seqNovo);
            gravaSeHouver(itens, QStringLiteral("NRSEQ_ORD"), t.nrSeqItem);
            itens.post();
            t.RenumeraObservacoes(seqAntigo, seqNovo);

            t.CriaProdBandeja(itens.asString(QStringLiteral("CDARVPROD")),
                              itens.asString(QStringLiteral("NMPRODUTO")), QString(),
                              itens.asString(QStringLiteral("STOBSPEDIDO")), kS, kS,
                              itens.asFloat(QStringLiteral("QTPRODVEND")),
                              itens.asFloat(QStringLiteral("VRUNVENDAEST")), t.nrSeqItem,
                              static_cast<int>(t.controlesBandeja().size() / 5) + 1, &t.imgProd(1));
            if (modo2) {
                t.AtualizaResumoPreco(+1);
            }
        }
    }

    static void AtualizaResumoPreco(Tela& t, double sinal)
    {
        const DataSet& itens = t.cdsItemProd;
        const double contribuicao =
            Trunc2(itens.asFloat(QStringLiteral("QTPRODVEND")) *
                   itens.asFloat(QStringLiteral("VRUNVENDAEST")) / t.nrQtdePromo) +
            itens.asFloat(QStringLiteral("VRACRESCIMO")) / t.nrQtdePromo;
        t.vrSomaProdutos += sinal * contribuicao;
        t.vrAjustePromo += sinal * itens.asFloat(QStringLiteral("VRDESCONTO"));
        t.MontaTextoResumoPreco();
    }

    static void MontaTextoResumoPreco(Tela& t)
    {
        const FormatSettings& fs = host().formatSettings();
        const QString& moeda = fs.currencyString;
        t.stTextoAjuste = t.msgPadrao.Msg(QStringLiteral("Desconto")) + moeda +
                          formatMoney(t.vrAjustePromo, fs) + QStringLiteral(" - ") +
                          t.msgPadrao.Msg(QStringLiteral("Preco_final")) + moeda +
                          formatMoney(t.vrSomaProdutos * t.nrQtdePromo - t.vrAjustePromo, fs);
        t.lblDescricao.caption = t.msgPadrao.Msg(QStringLiteral("Preco")) + moeda +
                                 formatMoney(t.vrSomaProdutos * t.nrQtdePromo, fs) +
                                 QStringLiteral("  ") + t.stTextoAjuste;
    }

    static void MontaTextoPrecoPromo(Tela& t)
    {
        const FormatSettings& fs = host().formatSettings();
        const QString& moeda = fs.currencyString;
        if (!t.stTextoDescPromo.isEmpty()) {
            t.stTextoAjuste = t.stTextoDescPromo + t.msgPadrao.Msg(QStringLiteral("PRECO_FINAL")) +
                              moeda + formatMoney(t.vrPrecoPromoFinal * t.nrQtdePromo, fs);
        }
        t.lblDescricao.caption = t.msgPadrao.Msg(QStringLiteral("PRECO")) + moeda +
                                 formatMoney(t.vrPrecoPromo * t.nrQtdePromo, fs) +
                                 QStringLiteral("  ") + t.stTextoAjuste;
    }

    static void LimitaDesconto(Tela& t)
    {
        DataSet& itens = t.cdsItemProd;
        const double bruto = Trunc2(std::fabs(itens.asFloat(QStringLiteral("QTPRODVEND")) *
                                              itens.asFloat(QStringLiteral("VRUNVENDAEST"))));
        const double teto = std::max(0.0, bruto - 0.01);
        const double desconto = itens.asFloat(QStringLiteral("VRDESCONTO"));
        if (std::fabs(desconto) > teto + 0.0001) {
            itens.edit();
            itens.setValue(QStringLiteral("VRDESCONTO"), desconto < 0 ? -teto : teto);
            itens.post();
        }
    }

    // Takes the share of the item line the items stand on out of the price line.
    static void DesfazPrecoLinha(Tela& t)
    {
        DataSet& itens = t.cdsItemProd;
        if (t.stTipoPrecoPromo == QLatin1String("2")) {
            t.AtualizaResumoPreco(-1);
        } else if (marcado(itens, QStringLiteral("IDIMPGRPROMO"))) {
            const double preco = itens.asFloat(QStringLiteral("VRPRECOPROD"));
            t.vrPrecoPromo -= preco;
            t.vrPrecoPromoFinal -= preco;
            t.MontaTextoPrecoPromo();
        }
    }
};

}  // namespace kvp::combinada::detail
