// Confirmation: every group must hold its quantity; then the discounts of groups that
// take none move to the groups that do, campaigns apply, a fixed promotion price is
// divided, and the screen closes with the selection confirmed.

#include "combinadadetalhe.h"
#include "tfrmpromocaocombinada.h"

#include "hostservices.h"
#include "modulevars.h"
#include "oplog.h"
#include "srv_kvp510.h"
#include "textformat.h"

namespace kvp::combinada {

using namespace detail;

namespace {

const QString kOrdenarPorValor = QStringLiteral("OrdenarPorValor");

}  // namespace

void TfrmPromocaoCombinada::bldConfirmarClick()
{
    const ChangeScope changes(*this);
    if (!stAtalhoDigitado.isEmpty()) {
        return;
    }
    DataSet& itens = cdsItemProd;
    DataSet& grupos = cdsAuxGrupProdCombo;
    const SemFiltro semFiltroItens(itens);
    const SemFiltro semFiltroGrupos(grupos);
    try {
        itens.clearFilter();
        cdsItemProdAux.copyFrom(itens);
        const RetratoDataSet linhas(itens);
        const RetratoDataSet ultimoPreco(cdsRetornaPreco);
        if (!SelecaoCompleta()) {
            return;
        }
        // Everything below either completes or leaves the lines (rows, order, indexes),
        // the tray and the database as they were: a sale is never confirmed with
        // lines that were not priced by the whole confirmation.
        try {
            ConcluiConfirmacao();
        } catch (...) {
            linhas.restaura(itens);
            ultimoPreco.restaura(cdsRetornaPreco);
            throw;
        }
        boPromocaoComb = true;
        Close();
    } catch (const FalhaNaUnidade& falha) {
        // Shown now that the unit has let go of its locks; the screen stays open.
        falha.mostra();
    } catch (const SilentAbort&) {
        // Shown and logged already; the screen stays open.
    } catch (const std::exception& e) {
        MostraErro(textoErro(e));
    }
}

void TfrmPromocaoCombinada::ConcluiConfirmacao()
{
    DataSet& itens = cdsItemProd;
    DataSet& grupos = cdsAuxGrupProdCombo;
    RedistribuiDesconto();
    itens.clearFilter();
    grupos.clearFilter();

    const bool modo1 = stTipoPrecoPromo == QLatin1String("1");
    const bool modo2 = stTipoPrecoPromo == QLatin1String("2");
    const QString chaveCaixa = stCdFilial + QLatin1Char('-') + stCdCaixa;
    const bool campanhas = (modo1 || modo2) && !itens.isEmpty();
    // The host's price function runs before the unit takes its locks: another till, or the
    // host itself, must not wait on them while it does.
    struct PrecosAntes {
        TfrmPromocaoCombinada& tela;
        ~PrecosAntes() { tela.precosCampanha.reset(); }
    } precosAntes{*this};
    if (campanhas) {
        ConsultaPrecosCampanha();
    }
    UnidadeConfirmacao unidade(chaveCaixa);
    if (campanhas) {
        GravaRegistrosAninhados(chaveCaixa);
        if (stTipoChamada == QLatin1String("B")) {
            MensagemMetodoLog(setPromoCombAux(stCdFilial, stCdCaixa, itens.data()), true, 0,
                              QStringLiteral("setPromoCombAux"), QStringLiteral("Cli_Kvp510"),
                              chaveCaixa + QStringLiteral("-cdsItemProd.Data"), QString());
        }
        ValidaCampanhaPromocional();
    }
    if (modo1) {
        DividePrecoProduto();
    }
    unidade.conclui();
}

// The price the campaigns would reprice each line's product with, asked of the host now.
// A failed lookup is silent, as the campaigns' own is, and keeps the line's price.
void TfrmPromocaoCombinada::ConsultaPrecosCampanha()
{
    DataSet& itens = cdsItemProd;
    QHash<QString, std::optional<double>> precos;
    for (itens.first(); !itens.eof(); itens.next()) {
        const QString produto = itens.asString(QStringLiteral("CDPRODUTO"));
        if (precos.contains(produto)) {
            continue;
        }
        cdsRetornaPreco.emptyOrCreate();
        ConsultaPreco(produto, QString(), kS);
        std::optional<double> preco;
        if (!cdsRetornaPreco.isEmpty()) {
            cdsRetornaPreco.first();
            preco = cdsRetornaPreco.asFloat(QStringLiteral("VRPRECO"));
        }
        precos.insert(produto, preco);
    }
    precosCampanha = std::move(precos);
}

// The add screen's records of the nested promotions whose lines are still in the sale,
// in the order they were confirmed there.
void TfrmPromocaoCombinada::GravaRegistrosAninhados(const QString& chaveCaixa)
{
    DataSet& itens = cdsItemProd;
    for (const RegistroAninhadoPendente& registro : registrosAninhados) {
        if (!itens.locate(QStringLiteral("NRSEQITEMADD"), registro.conjunto)) {
            continue;
        }
        MensagemMetodoLog(setPromoCombAux(stCdFilial, stCdCaixa, registro.itens), true, 0,
                          QStringLiteral("setPromoCombAux"), QStringLiteral("Cli_Kvp510"),
                          chaveCaixa + QStringLiteral("-cdsItemProd.Data"), QString());
    }
}

namespace {

bool algumaLinhaSemValor(DataSet& itens)
{
    for (itens.first(); !itens.eof(); itens.next()) {
        const double liquido = Trunc2(itens.asFloat(QStringLiteral("QTPRODVEND")) *
                                          itens.asFloat(QStringLiteral("VRUNVENDAEST")) -
                                      itens.asFloat(QStringLiteral("VRDESCONTO")));
        if (liquido < 0.01) {
            return true;
        }
    }
    return false;
}

}  // namespace

// The discount of groups that take none moves, in equal shares, to the lines of the
// groups that do.
void TfrmPromocaoCombinada::RedistribuiDesconto()
{
    DataSet& itens = cdsItemProd;
    DataSet& grupos = cdsAuxGrupProdCombo;
    const int nGrupos = grupos.recordCount();
    auto gruposCom = [&](const QString& aplica) {
        QStringList codigos;
        for (int g = 1; g <= nGrupos; ++g) {
            grupos.setRecNo(g);
            if (grupos.asString(QStringLiteral("IDAPLICADESC")) == aplica) {
                codigos << grupos.asString(QStringLiteral("CDGRUPROMOC"));
            }
        }
        return codigos;
    };
    const QStringList comDesconto = gruposCom(kS);
    if (!comDesconto.isEmpty()) {
        auto doGrupo = [&](const QString& codigo) {
            itens.applyFilter(Filter::eq(QStringLiteral("CDGRUPROMOC"), codigo));
        };
        double fundo = 0;
        for (const QString& codigo : gruposCom(kN)) {
            doGrupo(codigo);
            for (itens.first(); !itens.eof(); itens.next()) {
                const double dia = itens.asFloat(QStringLiteral("VRDESCDIA"));
                fundo += itens.asFloat(QStringLiteral("VRDESCONTO")) - dia;
                itens.edit();
                itens.setValue(QStringLiteral("VRDESCONTO"), dia);
                itens.post();
            }
        }
        int linhas = 0;
        for (const QString& codigo : comDesconto) {
            doGrupo(codigo);
            linhas += itens.recordCount();
        }
        double distribuido = 0;
        QString ultimoComLinhas;
        for (const QString& codigo : comDesconto) {
            doGrupo(codigo);
            if (!itens.isEmpty()) {
                ultimoComLinhas = codigo;
            }
            for (itens.first(); !itens.eof(); itens.next()) {
                double parte = 0;
                if (fundo > 0 && linhas > 0) {
                    parte = Trunc2(fundo / linhas);
                    distribuido += parte;
                }
                itens.edit();
                itens.setValue(QStringLiteral("VRDESCONTO"),
                               itens.asFloat(QStringLiteral("VRDESCONTO")) + parte);
                itens.post();
            }
        }
        if (distribuido < fundo && !ultimoComLinhas.isEmpty()) {
            // The cents the equal shares leave go to the dearest line of the last group
            // that has lines.
            const double resto = Trunc2(fundo) - Trunc2(distribuido);
            itens.addIndex(kOrdenarPorValor, QStringLiteral("VRUNVENDAEST"), false, true);
            itens.setIndexName(kOrdenarPorValor);
            doGrupo(ultimoComLinhas);
            itens.first();
            itens.edit();
            itens.setValue(QStringLiteral("VRDESCONTO"),
                           itens.asFloat(QStringLiteral("VRDESCONTO")) + resto);
            itens.post();
        }
        itens.clearFilter();
        // A line worth less than a cent: the redistribution is undone whole.
        if (algumaLinhaSemValor(itens)) {
            itens.setData(cdsItemProdAux.data());
        }
    }
}

}  // namespace kvp::combinada
