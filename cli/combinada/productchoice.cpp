// Product choice: a touched product is checked (group quantity, price, tax and fiscal
// data, exclusive groups), inserted, shown in the tray, and a complete group hands the
// selection on to the next one.

#include "combinadadetalhe.h"
#include "tfrmpromocaocombinada.h"

#include "hostservices.h"
#include "modulevars.h"
#include "oplog.h"
#include "srv_kvp510.h"
#include "textformat.h"

namespace kvp::combinada {

using namespace detail;

void TfrmPromocaoCombinada::bpbProd01Click(Control* sender)
{
    const ChangeScope changes(*this);
    if (boProcessandoProd) {
        return;
    }
    boProcessandoProd = true;
    struct Libera {
        bool& emCurso;
        ~Libera() { emCurso = false; }
    } libera{boProcessandoProd};

    auto produto = [this, sender] {
        QString codigo = sender ? sender->productCode : QString();
        if (!sender && !stCdProdExterno.isEmpty()) {
            codigo = stCdProdExterno;
        }
        stCdProdExterno.clear();
        return codigo;
    };
    // A product that is itself a promotion brings its own lines.
    auto coloca = [this, sender](const QString& codigo) {
        // The touch's reads go to the server together.
        antecipaProduto(stCdFilial, stCdLoja, codigo);
        const EncerraAntecipacao encerra;
        if (codigo != stCdProdPromo && detail::VerificaPromo(stCdFilial, codigo)) {
            if (!PromocaoAninhada(codigo, sender, false)) {
                return false;
            }
            ConcluiGrupo();
            return true;
        }
        return ColocaProduto(codigo, sender, false) == Colocacao::Inserido;
    };
    EscolheProduto(produto, coloca);
}

bool TfrmPromocaoCombinada::CriaPromoCombAdd(
    DataSet& cdsItensRet, DataSet& cdsObsRet, DataSet& cdsCtObsRet, const QString& stCdProdPromoAdd,
    const QString& stNmProdPromo, const QString& stCdCliDebPadraoAdd,
    const QString& stCdConsDebAuxAdd, const QString& stTipoPrecoPromoAdd,
    const QString& stIdValorPercAdd, const QString& stTipoAjusteAdd, double vrPrecoPromoAdd,
    double vrAjustePromoAdd, double nrQtdePromoAdd, bool boAplicaAjuste, bool boDebitoAuxAdd,
    const QString& stNrVendaRest2Add, DataSet& cdsItensVendidos, const QString& stTipoChamadaAdd)
{
    if (!criaPromoCombAdd) {
        LogKvp510(QStringLiteral("PROMOÇÃO ANINHADA SEM TELA DE ADIÇÃO: ") + stCdProdPromoAdd);
        return false;
    }
    return criaPromoCombAdd(cdsItensRet, cdsObsRet, cdsCtObsRet, stCdProdPromoAdd, stNmProdPromo,
                            stCdCliDebPadraoAdd, stCdConsDebAuxAdd, stTipoPrecoPromoAdd,
                            stIdValorPercAdd, stTipoAjusteAdd, vrPrecoPromoAdd, vrAjustePromoAdd,
                            nrQtdePromoAdd, boAplicaAjuste, boDebitoAuxAdd, stNrVendaRest2Add,
                            cdsItensVendidos, stTipoChamadaAdd);
}

bool TfrmPromocaoCombinada::PromocaoAninhada(const QString& cdProduto, const Control* fonte,
                                             bool preSelecao)
{
    DataSet& produtos = cdsProdutoPromoAux;
    produtos.locate(QStringLiteral("CDPRODUTO"), cdProduto);
    const QString grupoOrigem = produtos.asString(QStringLiteral("CDGRUPROMOC"));
    cdsRetornaPreco.emptyOrCreate();
    ConsultaPreco(produtos.asString(QStringLiteral("CDPRODUTO")), QString(), QString());
    const bool paiImprime = produtos.asString(QStringLiteral("IDIMPPRODUTO")) == QLatin1String("1");

    const DataSet& preco = cdsRetornaPreco;
    auto campoPreco = [&](const char* campo) {
        return preco.isEmpty() ? QVariant() : preco.value(QLatin1String(campo));
    };
    if (!preco.isEmpty()) {
        cdsRetornaPreco.first();
    }
    cdsProdutosAdd.emptyOrCreate();
    cdsItemObsAdd.emptyOrCreate();
    cdsPromoCtObsAdd.emptyOrCreate();
    // The nested promotion's record waits for this sale's confirmation, under the number
    // its lines are about to get.
    guardaRegistroAninhado = [this](const DataPacket& itens) {
        registrosAninhados.append({nrSeqItemAdd, itens});
    };
    struct FimRegistro {
        ~FimRegistro() { guardaRegistroAninhado = nullptr; }
    } fimRegistro;
    CriaPromoCombAdd(cdsProdutosAdd, cdsItemObsAdd, cdsPromoCtObsAdd,
                     produtos.asString(QStringLiteral("CDPRODUTO")),
                     produtos.asString(QStringLiteral("NMPRODUTO")), stCdCliDebPadrao,
                     stCdConsDebAux, stTipoPrecoPromo, campoPreco("IDPERCVALOR").toString(),
                     campoPreco("IDACREDESC").toString(), campoPreco("VRPRECO").toDouble(),
                     campoPreco("VRPRECODIA").toDouble(), 1.0, false, boDebitoAux, stNrVendaRest2,
                     cdsItemProd, stTipoChamada);
    if (cdsProdutosAdd.isEmpty()) {
        return true;
    }

    DataSet& add = cdsProdutosAdd;
    const bool produtoEntre = add.locate(QStringLiteral("CDPRODUTO"), cdProduto);
    // The lines of one nested promotion share one number, also when one of them is
    // refused: the next nested promotion must not join this set.
    struct ProximoConjunto {
        ~ProximoConjunto() { ++nrSeqItemAdd; }
    } proximo;
    for (add.first(); !add.eof(); add.next()) {
        const QString codigo = add.asString(QStringLiteral("CDPRODUTO"));
        const QString grupo = codigo == cdProduto || !produtoEntre
                                  ? grupoOrigem
                                  : add.asString(QStringLiteral("CDGRUPROMOC"));
        boProdutoAdd = true;
        struct FimAdicao {
            bool& flag;
            ~FimAdicao() { flag = false; }
        } fim{boProdutoAdd};
        detail::InsercaoProduto ins = InsercaoAninhada(grupo, grupoOrigem, cdProduto, paiImprime);
        ins.opcoes.figura = fonte;
        if (!AddProduto(ins)) {
            return false;
        }
    }
    SetdoQtdeMult(0);

    if (!preSelecao) {
        const SemFiltro semFiltro(cdsItemProd);
        cdsItemProd.applyFilter(Filter::eq(QStringLiteral("CDGRUPROMOC"), stCdGrupoAtual));
        const int linhas = cdsItemProd.recordCount();
        cdsItemProd.clearFilter();
        if (linhas >= QtdeGrupoAtual()) {
            AvancaGrupo(false);
        }
    }
    return true;
}

detail::InsercaoProduto TfrmPromocaoCombinada::InsercaoAninhada(const QString& grupo,
                                                                const QString& grupoOrigem,
                                                                const QString& cdProdPai,
                                                                bool paiImprime)
{
    const DataSet& add = cdsProdutosAdd;
    detail::InsercaoProduto ins;
    ins.produto = detail::produtoDaLinha(add);
    ins.grupo = {grupo, grupoOrigem, stIdImpGrPromoAtual,
                 add.asString(QStringLiteral("IDIMPGRPROMO"))};
    ins.observacoes = {kN,
                       add.asString(QStringLiteral("STOBSPEDIDO")),
                       add.asString(QStringLiteral("STOBSDIGITADA")),
                       &cdsItemObsAdd,
                       &cdsPromoCtObsAdd,
                       add.asString(QStringLiteral("NRSEQ")).toInt()};
    ins.preco = {add.asFloat(QStringLiteral("VRUNVENDAEST")),
                 add.asFloat(QStringLiteral("VRACRESCIMO")),
                 add.asFloat(QStringLiteral("VRDESCONTO")),
                 add.isNullValue(QStringLiteral("VRPRECOCLIE"))
                     ? QString()
                     : QString::number(add.asFloat(QStringLiteral("VRPRECOCLIE")), 'g', 17)};
    ins.opcoes.nrItemAdd = nrSeqItemAdd;
    ins.opcoes.cdProdPai = cdProdPai;
    ins.opcoes.impProdPai = paiImprime;
    // Each line has its entry in the tray, at the price it came with.
    ins.opcoes.entradaBandeja = true;
    return ins;
}

}  // namespace kvp::combinada
