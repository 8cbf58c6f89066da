// Campaign promotions: the items are registered in the branch and till's scratch rows,
// the campaigns they satisfy are looked up, the first that passes the combination check
// adjusts the prices, and the scratch rows are removed again: by a delete when the check
// succeeds, by the confirmation's rollback when it fails.

#include "combinadadetalhe.h"
#include "tfrmpromocaocombinada.h"

#include "hostservices.h"
#include "modulevars.h"
#include "srv_kvp510.h"
#include "textformat.h"

#include <cmath>

namespace kvp::combinada {

using namespace detail;

namespace {

bool emCentavos(double valor)
{
    return std::round(valor * 100) != 0;
}

// The promotion's own price of the line the items stand on, its discount cleared; a
// failed lookup keeps the price the line has rather than the price of whatever product
// was looked up before. Inside a confirmation the host was asked before its unit opened.
double reprecifica(TfrmPromocaoCombinada& t)
{
    DataSet& itens = t.cdsItemProd;
    const QString produto = itens.asString(QStringLiteral("CDPRODUTO"));
    double preco = itens.asFloat(QStringLiteral("VRUNVENDAEST"));
    if (t.precosCampanha) {
        preco = t.precosCampanha->value(produto).value_or(preco);
    } else {
        t.cdsRetornaPreco.emptyOrCreate();
        t.ConsultaPreco(produto, QString(), kS);
        if (!t.cdsRetornaPreco.isEmpty()) {
            t.cdsRetornaPreco.first();
            preco = t.cdsRetornaPreco.asFloat(QStringLiteral("VRPRECO"));
        }
    }
    itens.edit();
    itens.setValue(QStringLiteral("VRUNVENDAEST"), preco);
    itens.setValue(QStringLiteral("VRDESCONTO"), 0.0);
    itens.post();
    return preco;
}

// What the campaign is worked out on: every line's price ("4"), or the price of the one
// product it names (the items then stand on that line).
double baseCampanha(TfrmPromocaoCombinada& t, const QString& aplica)
{
    DataSet& itens = t.cdsItemProd;
    if (aplica == QLatin1String("4")) {
        double base = 0;
        for (itens.first(); !itens.eof(); itens.next()) {
            base += reprecifica(t);
        }
        return base;
    }
    const DataSet& campanha = t.cdsCampanhaPromo;
    QString alvo;
    if (aplica == QLatin1String("1")) {
        alvo = campanha.asString(QStringLiteral("CDPRODPRIN"));
    } else if (aplica == QLatin1String("2")) {
        alvo = campanha.asString(QStringLiteral("CDPRODCOMB"));
    } else if (aplica == QLatin1String("3")) {
        alvo = campanha.asString(QStringLiteral("CDPRODCOMB2"));
    } else if (aplica == QLatin1String("5")) {
        alvo = campanha.asString(QStringLiteral("CDPRODCOMB4"));
    }
    if (!alvo.isEmpty()) {
        itens.locate(QStringLiteral("CDPRODUTO"), alvo);
    }
    return reprecifica(t);
}

struct AjusteCampanha {
    double desconto = 0;
    double acrescimo = 0;
};

// The campaign's discount or surcharge on its base, per promotion. An item never becomes
// free, whether the campaign gives a value or a percentage.
AjusteCampanha ajusteCampanha(const DataSet& campanha, double base)
{
    const QString tipo = campanha.asString(QStringLiteral("IDDESCACRE"));
    const QString percValor = campanha.asString(QStringLiteral("IDPERCVALOR"));
    const double valor = campanha.asFloat(QStringLiteral("VRDESCACRE"));
    const double proporcional =
        percValor == QLatin1String("P") ? Trunc2(valor * (base / 100)) : valor;
    AjusteCampanha a;
    if (percValor == QLatin1String("P") || percValor == QLatin1String("V")) {
        if (tipo == QLatin1String("D")) {
            a.desconto = proporcional;
        } else if (tipo == QLatin1String("A")) {
            a.acrescimo = proporcional;
        }
    }
    if (a.desconto >= base) {
        a.desconto = std::max(0.0, base - 0.01);
    }
    return a;
}

// A campaign over all items is shared in proportion to the prices; the cents the shares
// leave go to the first line with the largest share.
void reparteCampanha(TfrmPromocaoCombinada& t, const AjusteCampanha& ajuste, double base)
{
    DataSet& itens = t.cdsItemProd;
    const double m = t.nrQtdePromo;
    double totalDesconto = 0;
    double totalAcrescimo = 0;
    double maiorDesconto = 0;
    double maiorAcrescimo = 0;
    QString produtoMaior;
    for (itens.first(); !itens.eof(); itens.next()) {
        const double preco = itens.asFloat(QStringLiteral("VRUNVENDAEST"));
        const double d = Trunc2(preco * ajuste.desconto / base) * m;
        const double a = Trunc2(preco * ajuste.acrescimo / base) * m;
        itens.edit();
        itens.setValue(QStringLiteral("VRDESCONTO"), d);
        itens.setValue(QStringLiteral("VRACRESCIMO"), a);
        itens.setValue(QStringLiteral("IDDESCCAMP"), kS);
        itens.post();
        totalDesconto += d;
        totalAcrescimo += a;
        if (produtoMaior.isEmpty() || d > maiorDesconto || a > maiorAcrescimo) {
            maiorDesconto = std::max(maiorDesconto, d);
            maiorAcrescimo = std::max(maiorAcrescimo, a);
            produtoMaior = itens.asString(QStringLiteral("CDPRODUTO"));
        }
    }
    const double restoDesconto = Trunc2(ajuste.desconto) * m - Trunc2(totalDesconto);
    const double restoAcrescimo = Trunc2(ajuste.acrescimo) * m - Trunc2(totalAcrescimo);
    if (emCentavos(restoDesconto) && itens.locate(QStringLiteral("CDPRODUTO"), produtoMaior)) {
        const double novo = itens.asFloat(QStringLiteral("VRDESCONTO")) + restoDesconto;
        if (novo < itens.asFloat(QStringLiteral("VRUNVENDAEST")) * m) {
            itens.edit();
            itens.setValue(QStringLiteral("VRDESCONTO"), novo);
            itens.setValue(QStringLiteral("IDDESCCAMP"), kS);
            itens.post();
        }
    }
    if (emCentavos(restoAcrescimo) && itens.locate(QStringLiteral("CDPRODUTO"), produtoMaior)) {
        itens.edit();
        itens.setValue(QStringLiteral("VRACRESCIMO"),
                       itens.asFloat(QStringLiteral("VRACRESCIMO")) + restoAcrescimo);
        itens.post();
    }
}

}  // namespace

void TfrmPromocaoCombinada::ValidaCampanhaPromocional()
{
    const QString chaveCaixa = stCdFilial + QLatin1Char('-') + stCdCaixa;
    auto apagaRascunho = [&] {
        detail::MensagemMetodoLog(ApagaItemPromoComb(stCdFilial, stCdCaixa), true, 0,
                         QStringLiteral("ApagaItemPromoComb"), QStringLiteral("Cli_Kvp510"),
                         chaveCaixa, QString());
    };
    auto esqueceCampanhas = [&] {
        cdsCampanhaPromo.clearFilter();
        if (cdsCampanhaPromo.isActive()) {
            cdsCampanhaPromo.emptyDataSet();
        }
    };

    try {
        // Rows an earlier check failed to remove would count as items of this one.
        apagaRascunho();
        detail::MensagemMetodoLog(setItemPromoComb(stCdFilial, stCdCaixa, cdsItemProd.data()), true, 0,
                         QStringLiteral("setItemPromoComb"), QStringLiteral("Cli_Kvp510"),
                         chaveCaixa + QStringLiteral("-cdsItemProd.Data"), QString());
        const DataResult campanhas = detail::MensagemMetodoLog(
            getCampanhaPromo(stCdFilial, stCdCaixa, stCdCliDebPadrao, stCdConsDebAux), true, 0,
            QStringLiteral("getDescCampPromo"), QStringLiteral("Cli_Kvp510"),
            stCdCliDebPadrao + QLatin1Char('-') + stCdConsDebAux, QString());
        cdsCampanhaPromo.setData(campanhas.asPacket());

        DataSet& candidatas = cdsCampanhaPromo;
        candidatas.applyFilter(Filter::eq(QStringLiteral("CDCLIENTE"), stCdCliDebPadrao));
        if (candidatas.isEmpty()) {
            candidatas.applyFilter(Filter::isNull(QStringLiteral("CDCLIENTE")));
        }
        if (!candidatas.isEmpty()) {
            AplicaCampanha();
        }
    } catch (...) {
        // The confirmation's unit of work rolls the scratch rows back; a delete here would
        // only fail again on a broken connection and tell the operator twice.
        esqueceCampanhas();
        throw;
    }
    apagaRascunho();
    esqueceCampanhas();
}

bool TfrmPromocaoCombinada::Vd_Combinacoes()
{
    const DataSet& c = cdsCampanhaPromo;
    return getVdCombinacoes(c.asString(QStringLiteral("CDCAMPPROMO")),
                            c.asString(QStringLiteral("CDPRODPRIN")),
                            c.asString(QStringLiteral("CDPRODCOMB")), stCdFilial, stCdCaixa);
}

void TfrmPromocaoCombinada::AplicaCampanha()
{
    DataSet& candidatas = cdsCampanhaPromo;
    DataSet& itens = cdsItemProd;
    const double m = nrQtdePromo;
    QString campanha;
    // The first campaign whose combination passes is the one applied.
    for (candidatas.first(); !candidatas.eof(); candidatas.next()) {
        if (!Vd_Combinacoes()) {
            continue;
        }
        campanha = candidatas.asString(QStringLiteral("CDCAMPPROMO"));
        const QString aplica = candidatas.asString(QStringLiteral("IDAPLICADESACR"));
        const double base = baseCampanha(*this, aplica);
        const AjusteCampanha ajuste = ajusteCampanha(candidatas, base);
        if (aplica != QLatin1String("4")) {
            itens.edit();
            itens.setValue(QStringLiteral("VRDESCONTO"), m * ajuste.desconto);
            itens.setValue(QStringLiteral("VRACRESCIMO"), m * ajuste.acrescimo);
            itens.setValue(QStringLiteral("IDDESCCAMP"), kS);
            itens.post();
        } else if (base > 0) {
            reparteCampanha(*this, ajuste, base);
        }
        break;
    }

    for (itens.first(); !itens.eof(); itens.next()) {
        itens.edit();
        itens.setValue(QStringLiteral("CDCAMPPROMO"), campanha);
        itens.post();
    }
}

}  // namespace kvp::combinada
