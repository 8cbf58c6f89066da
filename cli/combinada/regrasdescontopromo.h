#pragma once

// The promotion's own discount or surcharge for a product of a group (the table of
// getDescontoPromocao), applied to a new item line, and the line's share then added to
// the price line at the foot of the screen.

#include "combinadadetalhe.h"
#include "insercao.h"

#include "dataset.h"
#include "hostservices.h"
#include "srv_kvp510.h"
#include "textformat.h"

#include <QString>
#include <QStringList>

#include <algorithm>
#include <optional>

namespace kvp::combinada::detail {

// One row of the promotion's discount table as the insertion reads it.
struct TabelaDesconto {
    double valor = 0;
    QString tipo;             // "D" discount, "A" surcharge
    QString percValor;        // "P" percent of the unit price, "V" value per unit
    bool escreve = false;     // the table's amount goes on this line
    bool porUnidade = false;  // for the first unit only, several promotions being sold
};

template <class Tela>
struct RegrasDescontoPromo {
    // Under a price built from the products, or on a line that prints on its own, the
    // table's discount or surcharge goes on the new line, which then counts in the price
    // line. Answers the unit price the line was made at.
    static double DescontoPromocao(Tela& t, const InsercaoProduto& ins, const LinhaInserida& linha,
                                   double q, double e)
    {
        DataSet& itens = t.cdsItemProd;
        posicionaLinha(itens, linha.nrSeq);
        double p = ins.preco.vrPreco;
        if (t.stTipoPrecoPromo != QLatin1String("2") &&
            !marcado(itens, QStringLiteral("IDIMPGRPROMO"))) {
            return p;
        }
        CarregaTabela(t, ins);
        posicionaLinha(itens, linha.nrSeq);
        if (t.cdsDesconto.isEmpty()) {
            if (e > 0) {
                Grava(t, linha, "VRDESCONTO", Trunc2(e));
            }
        } else {
            AplicaTabela(t, ins, linha, q, e, p);
        }
        posicionaLinha(itens, linha.nrSeq);
        t.LimitaDesconto();
        SomaAoPreco(t, p, q);
        return p;
    }

    static bool ValidaProduto(Tela& t, const QString& stCdProduto)
    {
        bool resultado = false;
        if (!t.cdsDesconto.isActive() ||
            !t.cdsDesconto.hasField(QStringLiteral("IDAPLICADESCONTO")) ||
            t.cdsDesconto.asString(QStringLiteral("IDAPLICADESCONTO")) != QLatin1String("I")) {
            return false;
        }
        const SemFiltro semFiltroItens(t.cdsItemProd);
        const SemFiltro semFiltroVendidos(t.cdsItemsVendidos);
        try {
            const Filter doProduto = Filter::eq(QStringLiteral("CDPRODUTO"), stCdProduto);
            t.cdsItemProd.applyFilter(doProduto);
            const bool vendidosComProduto =
                t.cdsItemsVendidos.hasField(QStringLiteral("CDPRODUTO"));
            if (vendidosComProduto) {
                t.cdsItemsVendidos.applyFilter(doProduto);
            }
            const DataResult existe = MensagemMetodoLog(
                getExisteProd(t.stCdFilial, stCdProduto, Tela::modulo().stNrVendaRest2), true, 0,
                QStringLiteral("getExisteProd"), QStringLiteral("Srv_Kvp510"),
                t.stCdFilial + QLatin1Char('-') + stCdProduto + QLatin1Char('-') +
                    Tela::modulo().stNrVendaRest2,
                QString());
            t.cdsExisteProd.setData(existe.asPacket());
            resultado = t.cdsItemProd.recordCount() == 1 && t.cdsExisteProd.isEmpty() &&
                        (!vendidosComProduto || t.cdsItemsVendidos.isEmpty());
        } catch (const SilentAbort&) {
            resultado = false;
        } catch (const std::exception& e) {
            resultado = false;
            t.MostraErro(textoErro(e));
        }
        return resultado;
    }

private:
    static void CarregaTabela(Tela& t, const InsercaoProduto& ins)
    {
        const QString& produto = ins.produto.cdProduto;
        const QString& grupo = ins.grupo.cdGrupo;
        const QString detalhe =
            QStringList{t.stCdFilial, t.stCdProdPromo, grupo, produto, t.stNrSeqGrPromoAtual}.join(
                QLatin1Char('-'));
        const DataResult desconto =
            MensagemMetodoLog(getDescontoPromocao(t.stCdFilial, t.stCdProdPromo, grupo, produto,
                                                  t.stNrSeqGrPromoAtual),
                              true, 0, QStringLiteral("getDescontoPromocao"),
                              QStringLiteral("Srv_Kvp510"), detalhe, QString());
        t.cdsDesconto.setData(desconto.asPacket());
        t.cdsDesconto.first();
    }

    static void Grava(Tela& t, const LinhaInserida& linha, const char* campo, double valor)
    {
        DataSet& itens = t.cdsItemProd;
        posicionaLinha(itens, linha.nrSeq);
        itens.edit();
        itens.setValue(QLatin1String(campo), valor);
        itens.post();
    }

    static void AplicaTabela(Tela& t, const InsercaoProduto& ins, const LinhaInserida& linha,
                             double q, double e, double& p)
    {
        const bool primeiraUnidade = ValidaProduto(t, ins.produto.cdProduto);
        posicionaLinha(t.cdsItemProd, linha.nrSeq);
        const DataSet& tabela = t.cdsDesconto;
        TabelaDesconto d;
        d.valor = tabela.asFloat(QStringLiteral("VRDESCONTO"));
        d.tipo = tabela.asString(QStringLiteral("IDDESCACRPROMO"));
        d.percValor = tabela.asString(QStringLiteral("IDPERCVALOR"));
        const QString aplica = tabela.asString(QStringLiteral("IDAPLICADESCONTO"));
        d.escreve = aplica == QLatin1String("T") || primeiraUnidade;
        d.porUnidade = aplica == QLatin1String("I") && t.nrQtdePromo > 1;
        if (d.tipo == QLatin1String("D")) {
            DescontoDaTabela(t, ins, linha, q, e, p, d);
        } else if (d.tipo == QLatin1String("A") && d.escreve) {
            if (const auto x = ValorDaTabela(t, linha, d, q, p, linha.acrescimo, false)) {
                Grava(t, linha, "VRACRESCIMO", *x);
            }
        }
    }

    // The table's discount; unless the shop keeps the price the line was chosen at, the
    // promotion's own price of the product replaces it first (a failed lookup keeps the
    // line's price rather than another product's). A value discount never reaches the
    // line's value.
    static void DescontoDaTabela(Tela& t, const InsercaoProduto& ins, const LinhaInserida& linha,
                                 double q, double e, double& p, TabelaDesconto& d)
    {
        if (t.stIdAplPreDifComb == kN) {
            t.cdsRetornaPreco.emptyOrCreate();
            t.ConsultaPreco(ins.produto.cdProduto, QString(), kS);
            if (!t.cdsRetornaPreco.isEmpty()) {
                t.cdsRetornaPreco.first();
                p = t.cdsRetornaPreco.asFloat(QStringLiteral("VRPRECO"));
                Grava(t, linha, "VRUNVENDAEST", p);
            }
            e = 0;
        }
        posicionaLinha(t.cdsItemProd, linha.nrSeq);
        const double u = t.cdsItemProd.asFloat(QStringLiteral("VRUNVENDAEST"));
        if (d.percValor == QLatin1String("V")) {
            const double l = Trunc2(u * q);
            if (Trunc2(e) + d.valor >= l) {
                d.valor = (l - 0.01) - Trunc2(e);
                if (d.valor < 0) {
                    d.valor = l - 0.01;
                    e = 0;
                }
                t.cdsDesconto.edit();
                t.cdsDesconto.setValue(QStringLiteral("VRDESCONTO"), d.valor);
                t.cdsDesconto.post();
            }
        }
        if (d.escreve) {
            if (const auto x = ValorDaTabela(t, linha, d, q, p, e, true)) {
                Grava(t, linha, "VRDESCONTO", *x);
            }
        }
    }

    // The amount written over what the line has (`ja`, its discount or surcharge): for the
    // first unit only when several promotions are sold, else for all of them. None for a
    // table row that is neither a percent nor a value.
    static std::optional<double> ValorDaTabela(Tela& t, const LinhaInserida& linha,
                                               const TabelaDesconto& d, double q, double p,
                                               double ja, bool ehDesconto)
    {
        const double m = t.nrQtdePromo;
        const double v = d.valor;
        posicionaLinha(t.cdsItemProd, linha.nrSeq);
        const double u = t.cdsItemProd.asFloat(QStringLiteral("VRUNVENDAEST"));
        const bool valor = d.percValor == QLatin1String("V");
        if (!valor && d.percValor != QLatin1String("P")) {
            return std::nullopt;
        }
        if (d.porUnidade) {
            if (valor) {
                return Trunc2(ja) + Trunc2(v * q);
            }
            const double x = Trunc2(ja) + Trunc2(v * u * q / 100);
            return x >= p * q ? p * q - 0.01 : x;
        }
        if (valor) {
            const double y = std::max(0.0, Trunc2(v * q));
            const double x = Trunc2(ja) + y * m;
            return ehDesconto && x < 0 ? y : x;
        }
        const double x = Trunc2(ja) + Trunc2(v * u * q / 100 * m);
        if (ehDesconto) {
            const double limite = p * q * m - 0.01 * m;
            return x >= limite ? limite : x;
        }
        return x >= p * q ? p * q - 0.01 : x;
    }

    // The line the items stand on joins the price line: the products' sum under a price
    // built from them, else the promotion's price, with the line's own discounted price.
    static void SomaAoPreco(Tela& t, double p, double q)
    {
        DataSet& itens = t.cdsItemProd;
        const double m = t.nrQtdePromo;
        t.vrAjustePromo += itens.asFloat(QStringLiteral("VRDESCONTO"));
        if (t.stTipoPrecoPromo == QLatin1String("2")) {
            t.vrSomaProdutos += Trunc2(p * q) + itens.asFloat(QStringLiteral("VRACRESCIMO")) / m;
            t.MontaTextoResumoPreco();
            return;
        }
        const double desc = itens.asFloat(QStringLiteral("VRDESCONTO"));
        const double acr = itens.asFloat(QStringLiteral("VRACRESCIMO"));
        const double precoLinha = Trunc2(p * q) + acr / m - desc / m;
        itens.edit();
        itens.setValue(QStringLiteral("VRDESITVENDAEST"), desc);
        gravaSeHouver(itens, QStringLiteral("VRACRITVENDAEST"), acr);
        itens.setValue(QStringLiteral("VRPRECOPROD"), precoLinha);
        itens.post();
        t.vrPrecoPromo += precoLinha;
        t.vrPrecoPromoFinal += precoLinha;
        t.MontaTextoPrecoPromo();
    }
};

}  // namespace kvp::combinada::detail
