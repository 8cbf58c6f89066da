// Product choice: a touched product is checked (group quantity, price, tax and fiscal
// data, exclusive groups), inserted, shown in the tray, and a complete group hands the
// selection on to the next one.

#include "combinada_p.h"
#include "tfrmpromocaocombinada.h"

#include "hostservices.h"
#include "modulevars.h"
#include "oplog.h"
#include "srv_kvp510.h"
#include "textformat.h"

namespace kvp::combinada {

using namespace detail;

namespace {

// Empty or blank: a fiscal field that was never filled in.
bool falta(const DataSet& ds, const QString& campo)
{
    return EmptyString(ds.asString(campo).trimmed());
}

struct Exigencia {
    const char* campo;
    const char* chave;
};

}  // namespace

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

    try {
        if (!cdsProdutoPromo.isActive()) {
            return;  // no group has been loaded: nothing to choose from
        }
        cdsProdutoPromoAux.copyFrom(cdsProdutoPromo);
        cdsProdutoPromoAux.first();
        const QString combinaAntes = stIdCombinaProd;

        if (Valida_Quantid()) {
            QString produto = sender ? sender->productCode : QString();
            if (!sender && !stCdProdExterno.isEmpty()) {
                produto = stCdProdExterno;
            }
            stCdProdExterno.clear();
            // Only a product of the group's list can be placed; an empty slot or an outside
            // code would otherwise place the list's first product.
            if (produto.isEmpty() ||
                !cdsProdutoPromoAux.locate(QStringLiteral("CDPRODUTO"), produto)) {
                return;
            }
            if (produto != stCdProdPromo && getVerificaPromo(stCdFilial, produto)) {
                if (!PromocaoAninhada(produto, sender, false)) {
                    return;
                }
            } else if (ColocaProduto(produto, sender, false) != Colocacao::Inserido) {
                return;
            }
            ConcluiGrupo();
        }
        if (combinaAntes == kS) {
            AtualizaProdCombinado(cdsProdutoPromoAux.asString(QStringLiteral("CDGRUPROMOC")));
        }
    } catch (const SilentAbort&) {
        // Told already.
    } catch (const std::exception& e) {
        MostraErro(textoErro(e));
    }
}

TfrmPromocaoCombinada::Colocacao TfrmPromocaoCombinada::ColocaProduto(const QString& cdProduto,
                                                                      const Control* fonte,
                                                                      bool preSelecao)
{
    const bool modo2 = stTipoPrecoPromo == QLatin1String("2");
    // A lookup that fails quietly must not leave another product's price behind.
    cdsRetornaPreco.emptyOrCreate();
    if (ConsultaPreco(cdProduto, modo2 ? QStringLiteral("1") : QStringLiteral("2"), QString()) ==
        QLatin1String("Erro")) {
        return Colocacao::Abandonado;
    }
    if (modo2 && (!ValidaImpostos(cdProduto) || !ValidaDocumentoFiscal(cdProduto))) {
        return Colocacao::Recusado;
    }

    DataSet& produtos = cdsProdutoPromoAux;
    produtos.locate(QStringLiteral("CDPRODUTO"), cdProduto);
    const QString grupoProduto = produtos.asString(QStringLiteral("CDGRUPROMOC"));
    if (RecusaGrupoExclusivo(grupoProduto)) {
        return Colocacao::Recusado;
    }

    cdsAuxGrupProdCombo.locate(QStringLiteral("CDGRUPROMOC"), stCdGrupoAtual);
    const QString impGrupo = cdsAuxGrupProdCombo.asString(QStringLiteral("IDIMPGRPROMO"));
    const QString codigo = produtos.asString(QStringLiteral("CDPRODUTO"));
    const QString nome = produtos.asString(QStringLiteral("NMPRODUTO"));
    LogKvp510((preSelecao ? QStringLiteral("AddProduto pre: ") : QStringLiteral("AddProduto: ")) +
              codigo + QStringLiteral(" - ") + nome + QStringLiteral(" IMPGRP: ") + impGrupo +
              QStringLiteral(" GRUPO: ") + (preSelecao ? stCdGrupoAtual : grupoProduto) +
              QStringLiteral(" GRUPO SELEC. ") + stCdGrupoAtual);

    double preco = 0;
    double acrescimo = 0;
    double desconto = 0;
    if (!cdsRetornaPreco.isEmpty()) {
        cdsRetornaPreco.first();
        preco = cdsRetornaPreco.asFloat(QStringLiteral("VRPRECO"));
        acrescimo = cdsRetornaPreco.asFloat(QStringLiteral("VRACRESCIMO"));
        desconto = cdsRetornaPreco.asFloat(QStringLiteral("VRDESCONTO"));
    }
    const QString arvore = produtos.asString(QStringLiteral("CDARVPROD"));
    const QString pesa = produtos.asString(QStringLiteral("IDPESAPROD"));
    if (!AddProduto(arvore, codigo, nome, grupoProduto, grupoProduto,
                    produtos.asString(QStringLiteral("CDFAMILISALD")), pesa,
                    produtos.asString(QStringLiteral("SGUNIDADE")),
                    produtos.asString(QStringLiteral("IDOBRPRODSELEC")), QString(), QString(),
                    produtos.asFloat(QStringLiteral("QTTARAPROD")), preco, acrescimo, desconto, 0,
                    0, kS, cdsVazio, cdsVazio, stIdImpGrPromoAtual, kN, QString(), QString(),
                    false)) {
        return Colocacao::Recusado;
    }

    // A pre-selected product has no touched picture: its own picture goes to the tray.
    Control figura;
    if (!fonte) {
        const QDir pasta = PastaFiguras();
        figura.picture =
            FiguraProduto(arvore, pasta.exists() ? pasta.entryList(QDir::Files) : QStringList());
        fonte = &figura;
    }
    if (!cdsRetornaPreco.isEmpty()) {
        cdsRetornaPreco.first();
        preco = cdsRetornaPreco.asFloat(QStringLiteral("VRPRECO"));
    }
    CriaProdBandeja(arvore, nome, QString(), cdsItemProd.asString(QStringLiteral("STOBSPEDIDO")),
                    pesa, kN, nrQtdeItemAtual, preco, nrSeqItem, cdsItemProd.recordCount(), fonte);
    if (!bbbAbaixo.visible && !bbbAcima.visible) {
        BloqueiaGrupo();
    }
    return Colocacao::Inserido;
}

bool TfrmPromocaoCombinada::ValidaImpostos(const QString& cdProduto)
{
    const DataResult aliquotas = getImposto(stCdFilial, cdProduto, QString());
    if (aliquotas.isError()) {
        LogKvp510(aliquotas.errorText());
    }
    try {
        cdsAliquota.setData(
            host()
                .MensagemMetodo(
                    aliquotas, true, 0, QStringLiteral("getImposto"), QStringLiteral("Cli_Kvp510"),
                    stCdFilial + QLatin1Char('-') + cdProduto + QLatin1Char('-'), QString())
                .asPacket());
    } catch (const SilentAbort&) {
        // Shown by the host. The rates of the product touched before are no rates of
        // this one: without its own it cannot pass.
        if (cdsAliquota.isActive()) {
            cdsAliquota.emptyDataSet();
        }
    }

    const int taxas = cdsAliquota.recordCount();
    if (taxas > 1) {
        Avisa(msgPadrao.Msg(QStringLiteral("IMPOSTO_ERR")));
        return false;
    }
    if (taxas == 0) {
        Avisa(msgPadrao.Msg(QStringLiteral("IMPOS_NCAD")));
        return false;
    }
    cdsAliquota.first();
    const int tipo = nrIdTipoImpFis;
    // These printers and the collector mode take any rate.
    const bool semConferencia =
        tipo == 16 || tipo == 21 || tipo == 26 || tipo == 30 || stIdColetor == QLatin1String("C");
    if (boUtilizaImpFis && !semConferencia) {
        const bool cadastrada =
            cdsAliqImpFis.isActive() &&
            cdsAliqImpFis.locate(QStringLiteral("VRALIQIMPFIS;IDALIQIMPFIS"),
                                 {cdsAliquota.asFloat(QStringLiteral("VRPEALIMPFIS")),
                                  cdsAliquota.asString(QStringLiteral("IDTPIMPOSFIS"))});
        if (!cadastrada) {
            Avisa(msgPadrao.Msg(QStringLiteral("ALIQ_NCAD")));
            return false;
        }
    }
    return true;
}

bool TfrmPromocaoCombinada::ValidaDocumentoFiscal(const QString& cdProduto)
{
    auto carregaNFCe = [&] {
        const DataResult dados = host().MensagemMetodo(
            getValidProdNFCe(stCdFilial, cdProduto), true, 0, QStringLiteral("getValidaProdNFCe"),
            QStringLiteral("Cli_Kvp510"), stCdFilial + QLatin1Char('-') + cdProduto, QString());
        cdsValidProdNFCe.setData(dados.asPacket());
        cdsValidProdNFCe.first();
    };
    auto exige = [&](const DataSet& ds, std::initializer_list<Exigencia> campos) {
        for (const Exigencia& x : campos) {
            if (falta(ds, QLatin1String(x.campo))) {
                Avisa(msgPadrao.Msg(QLatin1String(x.chave)));
                return false;
            }
        }
        return true;
    };
    const DataSet& nfce = cdsValidProdNFCe;

    if (boSistemaQmtNfce || boSistemaQmtSat) {
        carregaNFCe();
        if (nfce.isEmpty()) {
            Avisa(msgPadrao.Msg(QStringLiteral("IMPOS_NCAD")));
            return false;
        }
        const bool imposto = marcado(nfce, QStringLiteral("IDTPIMPOSFIS"));
        if (!exige(nfce, {{"CDCLASFISC", "NCM_NCAD"}, {"CDCFOPPFIS", "CFOP_NCAD"}})) {
            return false;
        }
        if (!imposto && !exige(nfce, {{"CDCSTICMS", "CSTICMS_NCAD"}})) {
            return false;
        }
        if (!exige(nfce, {{"CDCSTPISCOF", "CSTPC_NCAD"},
                          {"VRALIQPIS", "ALIQPIS_NCAD"},
                          {"VRALIQCOFINS", "ALIQCOF_NCAD"}})) {
            return false;
        }
        const QString crt = nfce.asString(QStringLiteral("CDSITUCRT")).trimmed();
        const QString cst = nfce.asString(QStringLiteral("CDCSTICMS")).trimmed();
        if (!imposto && crt == QLatin1String("1")) {
            static const QStringList csosn = {QStringLiteral("102"), QStringLiteral("103"),
                                              QStringLiteral("300"), QStringLiteral("400"),
                                              QStringLiteral("500"), QStringLiteral("900")};
            if (!csosn.contains(cst)) {
                Avisa(msgPadrao.Msg(QStringLiteral("CSOSN_INV")));
                return false;
            }
        }
        if (!imposto && (crt == QLatin1String("2") || crt == QLatin1String("3"))) {
            static const QStringList csts = {QStringLiteral("00"), QStringLiteral("20"),
                                             QStringLiteral("40"), QStringLiteral("41"),
                                             QStringLiteral("60"), QStringLiteral("90")};
            if (!csts.contains(cst)) {
                Avisa(msgPadrao.Msg(QStringLiteral("CSTICMS_INV")));
                return false;
            }
        }

        if (stIdAdesaoRefTrib == kS && boSistemaQmtNfce) {
            const DataResult regra = host().MensagemMetodo(
                getRegraFisPdv(cdProduto), true, 0, QStringLiteral("getRegraFisPdv"),
                QStringLiteral("Cli_Kvp510"), cdProduto, QString());
            cdsRegraFisPdv.setData(regra.asPacket());
            cdsRegraFisPdv.first();
            if (cdsRegraFisPdv.isEmpty()) {
                Avisa(msgPadrao.Msg(QStringLiteral("REGRAFISPDV_NCAD")));
                return false;
            }
            if (!exige(cdsRegraFisPdv, {{"CDCSTIBSCBS", "CSTIBSCBS_NCAD"},
                                        {"CDCLATRIBIBSCBS", "CLATRIBIBSCBS_NCAD"},
                                        {"VRALIQIBSUF", "ALIQIBSUF_NCAD"},
                                        {"VRALIQIBSMUN", "ALIQIBSMUN_NCAD"},
                                        {"VRALIQCBS", "ALIQCBS_NCAD"}})) {
                return false;
            }
        }
    }

    // A branch that closes its receipts itself needs the full set, whatever the tax type.
    if (boUtilizaImpFis && stIdFechaCupom == kS) {
        carregaNFCe();
        if (nfce.isEmpty()) {
            Avisa(msgPadrao.Msg(QStringLiteral("IMPOS_NCAD")));
            return false;
        }
        if (!exige(nfce, {{"CDCLASFISC", "NCM_NCAD_FC"},
                          {"CDCFOPPFIS", "CFOP_NCAD_FC"},
                          {"CDCSTICMS", "CSTICMS_NCAD_FC"},
                          {"CDCSTPISCOF", "CSTPC_NCAD_FC"},
                          {"VRALIQPIS", "ALIQPIS_NCAD_FC"},
                          {"VRALIQCOFINS", "ALIQCOF_NCAD_FC"}})) {
            return false;
        }
    }
    return true;
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
        const QString precoClie =
            add.isNullValue(QStringLiteral("VRPRECOCLIE"))
                ? QString()
                : QString::number(add.asFloat(QStringLiteral("VRPRECOCLIE")), 'g', 17);
        if (!AddProduto(add.asString(QStringLiteral("CDARVPROD")), codigo,
                        add.asString(QStringLiteral("NMPRODUTO")), grupo, grupoOrigem,
                        add.asString(QStringLiteral("CDFAMILISALD")),
                        add.asString(QStringLiteral("IDPESAPROD")),
                        add.asString(QStringLiteral("SGUNIDADE")),
                        add.asString(QStringLiteral("IDOBRPRODSELEC")),
                        add.asString(QStringLiteral("STOBSPEDIDO")),
                        add.asString(QStringLiteral("STOBSDIGITADA")),
                        add.asFloat(QStringLiteral("QTTARAPROD")),
                        add.asFloat(QStringLiteral("VRUNVENDAEST")),
                        add.asFloat(QStringLiteral("VRACRESCIMO")),
                        add.asFloat(QStringLiteral("VRDESCONTO")), nrSeqItemAdd,
                        add.asString(QStringLiteral("NRSEQ")).toInt(), kN, cdsItemObsAdd,
                        cdsPromoCtObsAdd, stIdImpGrPromoAtual,
                        add.asString(QStringLiteral("IDIMPGRPROMO")), cdProduto, precoClie,
                        paiImprime)) {
            return false;
        }
        boProdutoAdd = false;
        CriaProdBandeja(add.asString(QStringLiteral("CDARVPROD")),
                        add.asString(QStringLiteral("NMPRODUTO")), QString(),
                        add.asString(QStringLiteral("STOBSPEDIDO")),
                        add.asString(QStringLiteral("IDPESAPROD")), kN, nrQtdeItemAtual,
                        add.asFloat(QStringLiteral("VRUNVENDAEST")), nrSeqItem,
                        cdsItemProd.recordCount(), fonte);
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

void TfrmPromocaoCombinada::ConcluiGrupo()
{
    const SemFiltro semFiltro(cdsItemProd);
    cdsItemProd.applyFilter(Filter::eq(QStringLiteral("CDGRUPROMOC"), stCdGrupoAtual));
    const int linhas = cdsItemProd.recordCount();
    cdsItemProd.clearFilter();
    // A group of quantity 0 takes extras without end and never completes.
    if (linhas == QtdeGrupoAtual()) {
        AvancaGrupo(true);
    }
}

void TfrmPromocaoCombinada::AvancaGrupo(bool recolore)
{
    auto podeSelecionar = [this](int i) {
        const Control& b = blbMenu(i);
        return b.visible && b.enabled;
    };
    auto seleciona = [this](int i) {
        Control& b = blbMenu(i);
        blbMenu01Click(b);
        SetDown(b);
    };
    // Paging on from the last page would leave the menu without a single button.
    auto paginaAbaixo = [this] {
        if (!cdsGrupProdCombo.eof()) {
            bbbAbaixoClick();
        }
    };

    if (nrBotaoGrupoAtual >= kBotoesGrupo) {
        paginaAbaixo();
        return;
    }
    nrBotaoGrupoAnterior = nrBotaoGrupoAtual;
    const int n = ++nrBotaoGrupoAtual;
    if (podeSelecionar(n)) {
        if (recolore && nrBotaoGrupoAnterior != 0) {
            blbMenu(nrBotaoGrupoAnterior).color = corDestaque;
        }
        seleciona(n);
        return;
    }
    for (int i = n; i <= kBotoesGrupo; ++i) {
        if (podeSelecionar(i)) {
            seleciona(i);
            return;
        }
        if (i == kBotoesGrupo && !blbMenu(kBotoesGrupo).enabled) {
            paginaAbaixo();
        } else if (i > 1) {
            SetDown(blbMenu(i - 1));
        }
    }
}

}  // namespace kvp::combinada
