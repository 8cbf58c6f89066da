// Start-up, keyboard, cancel, group menu and product grid of the add screen.

#include "tfrmpromocombadd.h"

#include "combinadadetalhe.h"
#include "hostservices.h"
#include "oplog.h"
#include "srv_kvp510.h"
#include "textformat.h"

#include <stdexcept>

namespace kvp::add {

using combinada::detail::kN;
using combinada::detail::kS;

namespace {

}  // namespace

TfrmPromoCombAdd::TfrmPromoCombAdd()
{
    FormCreate();
}

TfrmPromoCombAdd::~TfrmPromoCombAdd() = default;

combinada::detail::VariaveisModulo TfrmPromoCombAdd::modulo()
{
    return {stNrVendaRest2, boDebitoAux, stCdConsDebAux, stCdCliDebPadrao, stBotaoBloqueado};
}

void TfrmPromoCombAdd::FormCreate()
{
    translateCaptions();
}

void TfrmPromoCombAdd::InicializaForm(DataSet& /*cdsItensRet*/, const QString& stCdProdPromoArg,
                                      const QString& stNmProdPromo,
                                      const QString& /*stCdCliDebPadrao*/,
                                      const QString& /*stTipoPrecoPromo*/,
                                      const QString& stIdValorPercArg,
                                      const QString& /*stTipoAjuste*/, double /*vrPrecoPromo*/,
                                      double vrAjustePromoArg, double /*nrQtdePromo*/,
                                      bool /*boAplicaAjuste*/, DataSet& cdsItensVendidos)
{
    const ChangeScope changes(*this);
    // The selection screen that opened this one has connected the data module already.
    IniciaComum(cdsItensVendidos);
    ZeraSelecao(stCdProdPromoArg, stNmProdPromo, stIdValorPercArg, vrAjustePromoArg);
}

void TfrmPromoCombAdd::FormShow()
{
    try {
        const DataResult grupos =
            combinada::detail::MensagemMetodoLog(getGrupoPromoComb(stCdProdPromo, stCdFilial), true, 0,
                                  QStringLiteral("getGrupoPromoComb"), QStringLiteral("Srv_Kvp510"),
                                  stCdProdPromo + QLatin1Char('-') + stCdFilial, QString());
        const QList<DataPacket>& pacotes = grupos.asPackets();
        if (pacotes.isEmpty()) {
            throw DataSetError(QStringLiteral("getGrupoPromoComb: no data packet"));
        }
        // The second packet, the preparation text, has no place on this screen.
        cdsGrupProdCombo.setData(pacotes.at(0));
        cdsAuxGrupProdCombo.setData(pacotes.at(0));

        cdsItemProd.emptyOrCreate();
        cdsRetornaPreco.emptyOrCreate();

        nrPaginaGrupo = 0;
        nrPaginaProd = 0;
        cdsGrupProdCombo.first();
        MontaMenuGrupo(true);

        for (int i = 1; i <= kBotoesGrupo; ++i) {
            Control& botao = blbMenu(i);
            if (botao.down) {
                blbMenu01Click(botao);
                nrBotaoGrupoAtual = i;
            }
        }
    } catch (const SilentAbort&) {
        // The host has shown the data service's error already.
    } catch (const std::exception& e) {
        MostraErro(QString::fromUtf8(e.what()));
    }
}

void TfrmPromoCombAdd::FormActivate()
{
    if (!boPreSelVerificado) {
        VerificaPreSelecionados();
    }
}

void TfrmPromoCombAdd::FormKeyDown(int key)
{
    const ChangeScope changes(*this);
    switch (key) {
        case Qt::Key_Escape:
            bldCancelarClick();
            break;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            bldConfirmarClick();
            break;
        case Qt::Key_F1:
            if (boUtilizaImpFis) {
                host().RelFiscais();
            }
            break;
        default:
            break;
    }
}

void TfrmPromoCombAdd::bldCancelarClick()
{
    const ChangeScope changes(*this);
    if (!Pergunta(msgPadrao.Msg(QStringLiteral("sair")))) {
        return;
    }
    boPromocaoComb = false;
    cdsItemProd.emptyDataSet();
    Close();
}

// ---------------------------------------------------------------------- group menu

void TfrmPromoCombAdd::LimpaMenuGrupo()
{
    for (int i = 1; i <= kBotoesGrupo; ++i) {
        Control& botao = blbMenu(i);
        botao.caption.clear();
        botao.font.color = screen::clWhite;
        botao.visible = false;
    }
}

void TfrmPromoCombAdd::MontaMenuGrupo(bool /*primeiraVez*/)
{
    DataSet& grupos = cdsGrupProdCombo;
    LimpaMenuGrupo();
    if (grupos.isEmpty()) {
        return;
    }
    bbbAcima.visible = grupos.recordCount() > 10 && nrPaginaGrupo > 0 && grupos.recNo() > 5;
    nrProxBotaoGrupo = 1;
    while (nrProxBotaoGrupo <= kBotoesGrupo && !grupos.eof()) {
        Control& botao = blbMenu(nrProxBotaoGrupo);
        botao.caption = grupos.asString(QStringLiteral("NMGRUPROMOC"));
        botao.groupCode = grupos.asString(QStringLiteral("CDGRUPROMOC"));
        botao.slot = nrProxBotaoGrupo;
        botao.visible = true;
        ++nrProxBotaoGrupo;
        grupos.next();
    }
    // A button left over from a longer page keeps no group behind its hidden face.
    for (int i = nrProxBotaoGrupo; i <= kBotoesGrupo; ++i) {
        blbMenu(i).groupCode.clear();
    }
    bbbAbaixo.visible = grupos.recordCount() > 10 && !grupos.eof();
}

void TfrmPromoCombAdd::blbMenu01Click(Control& sender)
{
    const ChangeScope changes(*this);
    DataSet& aux = cdsAuxGrupProdCombo;
    aux.locate(QStringLiteral("CDGRUPROMOC"), sender.groupCode);
    LeGrupoAtual();

    MontaMenuProduto(stCdGrupoAtual, true);

    TextoQuantidadeGrupo();

    const QString& nome = sender.name;
    nrBotaoGrupoAtual = (nome.size() < 9 ? nome.right(1) : nome.right(2)).toInt();
}

// ---------------------------------------------------------------------- product grid

void TfrmPromoCombAdd::MontaMenuProduto(const QString& cdGrupo, bool recarrega)
{
    const ChangeScope changes(*this);
    try {
        DataSet& produtos = cdsProdutoPromo;
        auto precoAtual = [&](DataSet& lista) {
            cdsRetornaPreco.emptyOrCreate();
            ConsultaPreco(lista.asString(QStringLiteral("CDPRODUTO")), QString(), QString());
            cdsRetornaPreco.first();
            return cdsRetornaPreco.isEmpty() ? 0.0
                                             : cdsRetornaPreco.asFloat(QStringLiteral("VRPRECO"));
        };
        if (recarrega) {
            const DataResult pacote =
                combinada::detail::MensagemMetodoLog(getProdutoPromoComb(cdGrupo, stCdProdPromo, stCdFilial,
                                                          stNrConfTela, stNrSeqGrPromoAtual),
                                      true, 0, QStringLiteral("getProdutoPromoComb"),
                                      QStringLiteral("Srv_Kvp510"), cdGrupo, QString());
            DataSet& todos = cdsProdutoPromoTodos;
            todos.setData(pacote.asPacket());
            // Products without a price are left out of the list, every one of them.
            if (stIdExibeProd != kS) {
                todos.first();
                while (!todos.eof()) {
                    if (precoAtual(todos) > 0) {
                        todos.next();
                    } else {
                        todos.remove();
                    }
                }
            }
            todos.first();
            produtos.copyFrom(todos);
            produtos.first();
        }
        LimpaMenuProduto();
        if (!produtos.isActive() || produtos.isEmpty()) {
            return;
        }
        bbbProdAcima.visible =
            produtos.recordCount() > 10 && nrPaginaProd > 0 && produtos.recNo() > 12;

        const combinada::detail::FigurasDaPasta figuras(PastaFiguras());

        nrProxSlotProd = 1;
        while (nrProxSlotProd <= kSlotsProduto && !produtos.eof()) {
            const int k = nrProxSlotProd;

            MostraSlot(k, produtos, precoAtual(produtos),
                       produtos.asString(QStringLiteral("NMPRODUTO")), figuras);

            ++nrProxSlotProd;
            produtos.next();
        }
        bbbProdAbaixo.visible = produtos.recordCount() >= 16 && !produtos.eof();
    } catch (const SilentAbort&) {
        // The host has shown the data service's error already.
    } catch (const std::exception& e) {
        MostraErro(QString::fromUtf8(e.what()));
    }
}

void TfrmPromoCombAdd::LimpaMenuProduto()
{
    for (int k = 1; k <= kSlotsProduto; ++k) {
        lblPreco(k).visible = false;
        Control& nome = lblNmProd(k);
        nome.caption.clear();
        nome.font.color = screen::clWhite;
        nome.font.pointSize = 6;
        nome.visible = false;
        Control& img = imgProd(k);
        img.productCode.clear();
        img.slot = k;
        img.visible = false;
    }
}

}  // namespace kvp::add
