#pragma once

// Insertion of a chosen product as an item line, step by step: its quantity (weighing,
// keypad, multiplier), its discount and coupon, the line's fields, its observations, the
// promotion's discount, then the tray entry and the group hand-on. ColocaProduto runs the
// checks before it (price, fiscal data, exclusive groups) for a touched product.

#include "combinadadetalhe.h"
#include "insercao.h"
#include "regrascupom.h"
#include "regrasdescontopromo.h"
#include "regrasobservacoes.h"
#include "telacomum.h"

#include "control.h"
#include "dataset.h"
#include "hostservices.h"
#include "oplog.h"
#include "textformat.h"

#include <QDir>
#include <QString>

#include <algorithm>
#include <cmath>
#include <optional>

namespace kvp::combinada::detail {

// How many decimals a typed number carries after its first comma.
inline qsizetype casasDecimais(const QString& texto)
{
    const qsizetype virgula = texto.indexOf(QLatin1Char(','));
    return virgula < 0 ? 0 : texto.size() - virgula - 1;
}

template <class Tela>
struct RegrasInsercao {
    // Inserts one item line with all that goes with it; false when it was refused or
    // failed (the operator has been told). A refusal before the line is written keeps
    // today's numbering; a failure after it takes the insertion back whole.
    static bool AddProduto(Tela& t, const InsercaoProduto& ins)
    {
        const EstadoInsercao<Tela> antes(t);
        QString linhaGravada;  // the written line's number
        QString cupomIncluido;
        try {
            AbreInsercao(t);
            const std::optional<double> q = Quantidade(t, ins);
            if (!q) {
                return false;
            }
            t.nrQtdeItemAtual = *q;
            const DescontoLinha desconto = DescontoECupom(t, ins, *q);
            const LinhaInserida linha = GravaLinha(t, ins, *q, desconto);
            linhaGravada = linha.nrSeq;
            if (!desconto.cupom.isEmpty()) {
                t.incluiCupomVenda(desconto.cupom);
                cupomIncluido = desconto.cupom;
            }
            RegrasObservacoes<Tela>::ObservacoesDaLinha(t, ins, linha);
            const double preco =
                RegrasDescontoPromo<Tela>::DescontoPromocao(t, ins, linha, *q, desconto.desconto);
            RegistraInsercao(t, ins, linha, preco);
        } catch (const SilentAbort&) {
            // The host has shown why.
            Desfaz(t, antes, linhaGravada, cupomIncluido);
            return false;
        } catch (const std::exception& e) {
            Desfaz(t, antes, linhaGravada, cupomIncluido);
            t.MostraErro(textoErro(e));
            return false;
        }
        EntradaBandeja(t, ins);
        PassaGrupo(t, ins);
        return true;
    }

    // Units per promotion of the new line: 1, a nested promotion's own, the scale's or
    // the keypad's for a weighed product, or the multiplier's. None when refused.
    static std::optional<double> Quantidade(Tela& t, const InsercaoProduto& ins)
    {
        double q = 1;
        // Only the main screen weighs, asks for a typed quantity and multiplies.
        if constexpr (Tela::kPesaEMultiplica) {
            const bool pesado =
                ins.produto.idPesaProd == kS && !t.boProdutoAdd && t.stIdCombinaProd != kS;
            if (pesado) {
                const std::optional<double> pesada = QuantidadePesada(t, ins.produto.vrTara);
                if (!pesada) {
                    return std::nullopt;
                }
                q = *pesada;
            } else if (t.boProdutoAdd) {
                q = t.cdsProdutosAdd.asFloat(QStringLiteral("QTPRODVEND"));
            }
            if (t.nrQtdeMult > 0) {
                q = t.nrQtdeMult;
            }
        }
        return q;
    }

    // The line's discount for all its units and its coupon. The coupon's discount is
    // worked out on the whole line (units of every promotion sold, multiplier included)
    // and goes in once. No discount reaches the line's value: a line is never free or
    // negative.
    static DescontoLinha DescontoECupom(Tela& t, const InsercaoProduto& ins, double q)
    {
        const double m = t.nrQtdePromo;
        const double sinal = m < 0 ? -1.0 : 1.0;
        const double vrPreco = ins.preco.vrPreco;
        const double descUnitario = Trunc2(ins.preco.vrDesconto);
        DescontoLinha d;
        d.desconto = m * descUnitario * q;
        if (t.stIdUtCupomDesc == kS && !t.boProdutoAdd && t.boUtilizaImpFis) {
            const double unidades = std::fabs(m) * q;
            const double descProprio = Trunc2(unidades * descUnitario);
            t.controlaValorCupom(unidades, vrPreco, descProprio, 0, ins.produto.cdProduto);
            if (!t.stCdCupomDesc.isEmpty()) {
                const double descLinha = t.vrDescCupom < t.vrLimiteCupom
                                             ? descProprio + t.vrDescCupom
                                             : t.vrLimiteCupom - 0.01;
                d.desconto = sinal * descLinha;
            }
            d.cupom = t.stCdCupomDesc;
            t.zeraVariaveisCupomDesc();
        }
        if (ins.produto.cdProduto == t.stCdProdPromo && t.stTipoPrecoPromo == QLatin1String("1")) {
            d.desconto = 0;
        }
        const double teto = std::max(0.0, Trunc2(std::fabs(m) * q * vrPreco) - 0.01);
        if (std::fabs(d.desconto) > teto) {
            d.desconto = sinal * teto;
        }
        return d;
    }

    // Writes the new line with every field the host books.
    static LinhaInserida GravaLinha(Tela& t, const InsercaoProduto& ins, double q,
                                    const DescontoLinha& d)
    {
        const InsercaoProduto::Produto& p = ins.produto;
        DataSet& itens = t.cdsItemProd;
        const double m = t.nrQtdePromo;
        const QString obrigatorio =
            itens.locate(QStringLiteral("CDPRODUTO"), p.cdProduto) ? kN : p.idObrProdSelec;
        const double a = m * ins.preco.vrAcrescimo * q;
        const double e = d.desconto;

        itens.append();
        itens.setValue(QStringLiteral("CDPRODUTO"), p.cdProduto);
        itens.setValue(QStringLiteral("NMPRODUTO"), p.nmProduto);
        itens.setValue(QStringLiteral("CDARVPROD"), p.cdArvProd);
        itens.setValue(QStringLiteral("CDFILIAL"), t.stCdFilial);
        itens.setValue(QStringLiteral("NRSEQ"), QString::number(t.nrSeqItem));
        gravaSeHouver(itens, QStringLiteral("NRSEQ_ORD"), t.nrSeqItem);
        itens.setValue(QStringLiteral("CDGRUPROMOC"), ins.grupo.cdGrupo);
        gravaSeHouver(itens, QStringLiteral("CDGRUPROMOCORIG"), ins.grupo.cdGrupoOrig);
        itens.setValue(QStringLiteral("CDPRODVENDA"), t.stCdProdPromo);
        itens.setValue(QStringLiteral("VRUNVENDAEST"), ins.preco.vrPreco);
        itens.setValue(QStringLiteral("VRPRECOCLIE"), PrecoCliente(t, ins));
        itens.setValue(QStringLiteral("CDFAMILISALD"), p.cdFamiliSald);
        itens.setValue(QStringLiteral("IDPESAPROD"), t.stIdCombinaProd == kS ? kS : p.idPesaProd);
        itens.setValue(QStringLiteral("SGUNIDADE"), p.sgUnidade);
        itens.setValue(QStringLiteral("QTTARAPROD"), p.vrTara);
        itens.setValue(QStringLiteral("VRACRESCIMO"), Trunc2(a));
        itens.setValue(QStringLiteral("VRDESCONTO"), Trunc2(e));
        gravaSeHouver(itens, QStringLiteral("VRDESCDIA"), Trunc2(e));
        itens.setValue(QStringLiteral("VRDESITVENDAEST"), 0.0);
        gravaSeHouver(itens, QStringLiteral("VRACRITVENDAEST"), 0.0);
        itens.setValue(QStringLiteral("QTPRODVEND"), m * q);
        itens.setValue(QStringLiteral("QTPRODVALIDA"), q);
        itens.setValue(QStringLiteral("CDCAMPPROMO"), QString());
        itens.setValue(QStringLiteral("CDGRUPMUTEX"), t.stCdGrupMutexAtual);
        itens.setValue(QStringLiteral("IDOBRPRODSELEC"), obrigatorio);
        gravaSeHouver(itens, QStringLiteral("NRSEQITEMADD"), ins.opcoes.nrItemAdd);
        gravaSeHouver(itens, QStringLiteral("IDIMPGRPROMO"), idImpLinha(ins));
        itens.setValue(QStringLiteral("CDCUPOMDESCQMT"), d.cupom);
        itens.setValue(QStringLiteral("VRPRECOPROD"), Trunc2(ins.preco.vrPreco * q) + a - e);
        itens.setValue(QStringLiteral("STOBSPEDIDO"), ins.observacoes.obsPedido);
        itens.setValue(QStringLiteral("STOBSDIGITADA"), ins.observacoes.obsDigitada);
        gravaSeHouver(itens, QStringLiteral("NRSEQITCANC"), QString::number(t.nrSeqItCanc));
        gravaSeHouver(itens, QStringLiteral("IDDESCCAMP"), kN);
        itens.post();
        t.nrSeqBandeja = t.nrSeqItem;
        return {QString::number(t.nrSeqBandeja), itens.asFloat(QStringLiteral("QTPRODVEND")), a};
    }

    // The new line's tray entry, when the insertion asks for one.
    static void EntradaBandeja(Tela& t, const InsercaoProduto& ins)
    {
        if (!ins.opcoes.entradaBandeja) {
            return;
        }
        double preco = ins.preco.vrPreco;
        if (ins.opcoes.precoDaConsulta && !t.cdsRetornaPreco.isEmpty()) {
            t.cdsRetornaPreco.first();
            preco = t.cdsRetornaPreco.asFloat(QStringLiteral("VRPRECO"));
        }
        t.CriaProdBandeja(ins.produto.cdArvProd, ins.produto.nmProduto, QString(),
                          t.cdsItemProd.asString(QStringLiteral("STOBSPEDIDO")),
                          ins.produto.idPesaProd, kN, t.nrQtdeItemAtual, preco, t.nrSeqItem,
                          t.cdsItemProd.recordCount(), ins.opcoes.figura);
    }

    // The exclusive set closes behind the chosen group while the menu does not page, and a
    // group that holds its quantity hands the selection on to the next one.
    static void PassaGrupo(Tela& t, const InsercaoProduto& ins)
    {
        if (ins.opcoes.bloqueiaGrupo && !t.bbbAbaixo.visible && !t.bbbAcima.visible) {
            t.BloqueiaGrupo();
        }
        if (ins.opcoes.concluiGrupo) {
            t.ConcluiGrupo();
        }
    }

    // A touched (or pre-selected) product of the group's list: its price looked up, its
    // fiscal data and exclusive group checked, then inserted with its tray entry and the
    // group hand-on (the latter not for a pre-selection).
    static Colocacao ColocaProduto(Tela& t, const QString& cdProduto, const screen::Control* fonte,
                                   bool preSelecao)
    {
        const bool modo2 = t.stTipoPrecoPromo == QLatin1String("2");
        // A lookup that fails quietly must not leave another product's price behind.
        t.cdsRetornaPreco.emptyOrCreate();
        if (t.ConsultaPreco(cdProduto, modo2 ? QStringLiteral("1") : QStringLiteral("2"),
                            QString()) == QLatin1String("Erro")) {
            return Colocacao::Abandonado;
        }
        if (modo2 && (!t.ValidaImpostos(cdProduto) || !t.ValidaDocumentoFiscal(cdProduto))) {
            return Colocacao::Recusado;
        }
        DataSet& produtos = t.cdsProdutoPromoAux;
        produtos.locate(QStringLiteral("CDPRODUTO"), cdProduto);
        const QString grupoProduto = produtos.asString(QStringLiteral("CDGRUPROMOC"));
        if (t.RecusaGrupoExclusivo(grupoProduto)) {
            return Colocacao::Recusado;
        }
        InsercaoProduto ins = InsercaoEscolhida(t, produtos);
        LogColocacao(t, ins, preSelecao);
        // A pre-selected product has no touched picture: its own picture goes to the tray.
        screen::Control figura;
        if (!fonte) {
            figura.picture =
                t.FiguraProduto(ins.produto.cdArvProd, FigurasDaPasta(t.PastaFiguras()));
            fonte = &figura;
        }
        ins.opcoes.entradaBandeja = true;
        ins.opcoes.figura = fonte;
        ins.opcoes.precoDaConsulta = true;
        ins.opcoes.bloqueiaGrupo = true;
        ins.opcoes.concluiGrupo = !preSelecao;
        return t.AddProduto(ins) ? Colocacao::Inserido : Colocacao::Recusado;
    }

private:
    static void AbreInsercao(Tela& t)
    {
        t.stTextoAjuste.clear();
        t.nrSeqItem = t.nrSeqItem == 0 ? 1 : t.nrSeqItem + 1;
        t.nrSeqItCanc = t.nrSeqItCanc == 0 ? 1 : t.nrSeqItCanc + 1;
        t.cdsItemProd.clearFilter();
    }

    static void Desfaz(Tela& t, const EstadoInsercao<Tela>& antes, const QString& linhaGravada,
                       const QString& cupomIncluido)
    {
        DataSet& itens = t.cdsItemProd;
        if (!linhaGravada.isEmpty()) {
            // Every row the insertion added carries the new line's number.
            for (DataSet* ds : {&itens, &t.cdsObsItens, &t.cdsProdCtObs}) {
                if (ds->isActive() && ds->state() != DataSet::State::Browse) {
                    ds->cancel();
                }
            }
            itens.clearFilter();
            if (itens.locate(QStringLiteral("NRSEQ"), linhaGravada)) {
                itens.remove();
            }
            RegrasObservacoes<Tela>::RemoveObservacoes(t, linhaGravada);
            RegrasCupom<Tela>::removeCupomVenda(t, cupomIncluido);
            antes.restaura(t);
        } else if (itens.isActive() && itens.state() != DataSet::State::Browse) {
            itens.cancel();
        }
    }

    // A weighed product: the scale's reading less the tare, else a typed quantity. None
    // when refused.
    static std::optional<double> QuantidadePesada(Tela& t, double vrTara)
    {
        if (t.nrQtdePromo > 1) {
            t.Avisa(t.msgPadrao.Msg(QStringLiteral("ProdPesa_N_Per")));
            return std::nullopt;
        }
        const FormatSettings& fs = host().formatSettings();
        const QString peso = LeituraBalanca(t, vrTara);
        const double lido = parseNumber(peso, fs);
        if (lido > 0) {
            return lido;
        }
        return QuantidadeDigitada(t, peso);
    }

    // The scale's reading as text, "0" without a scale or a usable reading.
    static QString LeituraBalanca(Tela& t, double vrTara)
    {
        QString peso = QStringLiteral("0");
        if (t.stIdTipoBal.isEmpty() || t.stIdTipoBal == QLatin1String("0")) {
            return peso;
        }
        HostServices& h = host();
        for (;;) {
            const double leitura =
                RoundDec(h.BuscaPeso(t.stCdPortaBal, t.stNrVelocBal) - vrTara, 3);
            if (leitura == 0) {
                if (t.Pergunta(t.msgPadrao.Msg(QStringLiteral("bal_zero")))) {
                    continue;
                }
            } else if (leitura < 0) {
                t.Avisa(t.msgPadrao.Msg(QStringLiteral("bal_neg")));
            } else {
                peso = shortestText(leitura, h.formatSettings());
            }
            return peso;
        }
    }

    // The keypad's quantity, starting from `peso`; 1 when the operator leaves it or types
    // nothing or 0, none when it has more than three decimals. A text that is no number
    // raises.
    static std::optional<double> QuantidadeDigitada(Tela& t, const QString& peso)
    {
        HostServices& h = host();
        QString digitado = peso;
        if (!h.TecladoNumerico(digitado, t.msgPadrao.Msg(QStringLiteral("venda")),
                               t.msgPadrao.Msg(QStringLiteral("Inf_Quant")),
                               {QStringLiteral("X"), 10, 0, 1, 0, 0, 0})) {
            return 1.0;
        }
        if (casasDecimais(digitado) > 3) {
            t.Avisa(t.msgPadrao.Msg(QStringLiteral("Frac_Dev")));
            return std::nullopt;
        }
        digitado = digitado.trimmed();
        if (digitado.isEmpty()) {
            return 1.0;
        }
        bool ok = false;
        const double q = parseNumber(digitado, h.formatSettings(), &ok);
        if (!ok || q < 0) {
            throw HostError(t.msgPadrao.Msg(QStringLiteral("Peso_Invalido")) + digitado);
        }
        return q == 0 ? 1.0 : q;
    }

    // The client's price: the one handed in, else the price lookup's.
    static double PrecoCliente(Tela& t, const InsercaoProduto& ins)
    {
        const QString texto = ins.preco.vrPrecoClie.trimmed();
        if (!texto.isEmpty()) {
            return parseNumber(texto, host().formatSettings());
        }
        if (!t.cdsRetornaPreco.isEmpty()) {
            t.cdsRetornaPreco.first();
            return t.cdsRetornaPreco.asFloat(QStringLiteral("VRPRECOCLIE"));
        }
        return 0;
    }

    // The end of an insertion: logged with the price and discount it was made at, the
    // count of lines taken, and the multiplier spent.
    static void RegistraInsercao(Tela& t, const InsercaoProduto& ins, const LinhaInserida& linha,
                                 double preco)
    {
        const FormatSettings& fs = host().formatSettings();
        DataSet& itens = t.cdsItemProd;
        posicionaLinha(itens, linha.nrSeq);
        LogKvp510(QStringLiteral("PRODUTO ADICIONADO: ") + ins.produto.cdProduto +
                  QStringLiteral(" - ") + ins.produto.nmProduto + QStringLiteral(" - PREÇO: ") +
                  shortestText(preco, fs) + QStringLiteral(" - DESC: ") +
                  shortestText(itens.asFloat(QStringLiteral("VRDESCONTO")), fs) +
                  QStringLiteral(" - IMP:") + itens.asString(QStringLiteral("IDIMPGRPROMO")));
        t.nrQtdeInserida = itens.recordCount();
        if constexpr (Tela::kPesaEMultiplica) {
            if (!t.boProdutoAdd) {
                t.SetdoQtdeMult(0);
            }
        }
        posicionaLinha(itens, linha.nrSeq);
    }

    // The record of the product the group's list stands on, priced by the lookup.
    static InsercaoProduto InsercaoEscolhida(Tela& t, const DataSet& produtos)
    {
        InsercaoProduto ins;
        ins.produto = produtoDaLinha(produtos);
        const QString grupo = produtos.asString(QStringLiteral("CDGRUPROMOC"));
        ins.grupo = {grupo, grupo, t.stIdImpGrPromoAtual, kN};
        ins.observacoes.pedeObs = kS;
        if (!t.cdsRetornaPreco.isEmpty()) {
            t.cdsRetornaPreco.first();
            ins.preco.vrPreco = t.cdsRetornaPreco.asFloat(QStringLiteral("VRPRECO"));
            ins.preco.vrAcrescimo = t.cdsRetornaPreco.asFloat(QStringLiteral("VRACRESCIMO"));
            ins.preco.vrDesconto = t.cdsRetornaPreco.asFloat(QStringLiteral("VRDESCONTO"));
        }
        return ins;
    }

    static void LogColocacao(Tela& t, const InsercaoProduto& ins, bool preSelecao)
    {
        t.cdsAuxGrupProdCombo.locate(QStringLiteral("CDGRUPROMOC"), t.stCdGrupoAtual);
        const QString impGrupo = t.cdsAuxGrupProdCombo.asString(QStringLiteral("IDIMPGRPROMO"));
        LogKvp510(
            (preSelecao ? QStringLiteral("AddProduto pre: ") : QStringLiteral("AddProduto: ")) +
            ins.produto.cdProduto + QStringLiteral(" - ") + ins.produto.nmProduto +
            QStringLiteral(" IMPGRP: ") + impGrupo + QStringLiteral(" GRUPO: ") +
            (preSelecao ? t.stCdGrupoAtual : ins.grupo.cdGrupo) + QStringLiteral(" GRUPO SELEC. ") +
            t.stCdGrupoAtual);
    }
};

}  // namespace kvp::combinada::detail
