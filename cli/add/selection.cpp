// Product choice, the group quantity, removal from the tray, pre-selected products and
// confirmation of the add screen.

#include "tfrmpromocombadd.h"

#include "combinadadetalhe.h"
#include "hostservices.h"
#include "modulevars.h"
#include "oplog.h"
#include "srv_kvp510.h"
#include "textformat.h"

namespace kvp::add {

using combinada::detail::kN;
using combinada::detail::kS;
using combinada::detail::marcado;
using combinada::detail::SemFiltro;
using combinada::detail::textoErro;

void TfrmPromoCombAdd::bpbProd01Click(Control* sender)
{
    const ChangeScope changes(*this);
    EscolheProduto([sender] { return sender ? sender->productCode : QString(); },
                   [this, sender](const QString& produto) {
                       return ColocaProduto(produto, sender, false) == Colocacao::Inserido;
                   });
}

bool TfrmPromoCombAdd::Valida_Quantid()
{
    const SemFiltro semFiltro(cdsItemProd);
    cdsItemProd.applyFilter(Filter::eq(QStringLiteral("CDGRUPROMOC"), stCdGrupoAtual));
    const int linhas = cdsItemProd.recordCount();
    cdsItemProd.clearFilter();
    const double quantidade = QtdeGrupoAtual();
    // Lines are counted, not units; a group of quantity 0 takes any number.
    if (quantidade != 0 && quantidade == linhas) {
        host().Mensagem(msgPadrao.Msg(QStringLiteral("Quan_Exce")), QString(), kN, kN,
                        static_cast<int>(MessageKind::Warning), QString(), QString(), 0, nullptr);
        return false;
    }
    return true;
}

void TfrmPromoCombAdd::VerificaPreSelecionados()
{
    const ChangeScope changes(*this);
    boPreSelVerificado = true;
    try {
        const DataResult pre = combinada::detail::MensagemMetodoLog(
            getPreSelecionados(stCdFilial, stCdProdPromo), true, 0,
            QStringLiteral("getPreSelecionados"), QStringLiteral("Srv_Kvp510"),
            stCdFilial + QLatin1Char('-') + stCdProdPromo, QString());
        cdsPreSelecionados.setData(pre.asPacket());

        bool marcaGrupo = true;
        cdsPreSelecionados.first();
        while (!cdsPreSelecionados.eof()) {
            const QString grupo = cdsPreSelecionados.asString(QStringLiteral("CDGRUPROMOC"));
            const QString produto = cdsPreSelecionados.asString(QStringLiteral("CDPRODUTO"));
            if (marcaGrupo) {
                for (int i = 1; i <= kBotoesGrupo; ++i) {
                    if (blbMenu(i).groupCode == grupo) {
                        blbMenu01Click(blbMenu(i));
                        break;
                    }
                }
            }
            Control* achado = nullptr;
            for (int k = 1; k <= kSlotsProduto && !achado; ++k) {
                if (imgProd(k).productCode == produto) {
                    achado = &imgProd(k);
                }
            }
            if (achado) {
                bpbProd01Click(achado);
                marcaGrupo = true;
                // Back to the first page; a page that does not move ends the paging.
                int paginas = nrPaginaProd + 1;
                while (bbbProdAcima.visible && paginas-- > 0) {
                    bbbProdAcimaClick();
                }
                cdsPreSelecionados.next();
                continue;
            }
            marcaGrupo = false;
            if (bbbProdAbaixo.visible) {
                bbbProdAbaixoClick();  // the same record is looked for on the next page
            } else {
                cdsPreSelecionados.next();
            }
        }
    } catch (const SilentAbort&) {
        // Told already.
    } catch (const std::exception& e) {
        MostraErro(textoErro(e));
    }
}

void TfrmPromoCombAdd::bldConfirmarClick()
{
    const ChangeScope changes(*this);
    const SemFiltro semFiltroItens(cdsItemProd);
    const SemFiltro semFiltroGrupos(cdsAuxGrupProdCombo);
    try {
        cdsItemProd.clearFilter();
        if (!SelecaoCompleta()) {
            return;
        }
        // The screen closes only on a record that was stored (or, opened from a sale, kept
        // for that sale's confirmation): a failure leaves it open.
        const bool registra = stTipoPrecoPromo == QLatin1String("2") &&
                              stTipoChamada == QLatin1String("B") && !cdsItemProd.isEmpty();
        if (registra && combinada::guardaRegistroAninhado) {
            combinada::guardaRegistroAninhado(cdsItemProd.data());
        } else if (registra) {
            combinada::detail::MensagemMetodoLog(
                setPromoCombAux(stCdFilial, stCdCaixa, cdsItemProd.data()), true, 0,
                QStringLiteral("setPromoCombAux"), QStringLiteral("Cli_Kvp510"),
                stCdFilial + QLatin1Char('-') + stCdCaixa + QStringLiteral("-cdsItemProd.Data"),
                QString());
        }
        boPromocaoComb = true;
        Close();
    } catch (const SilentAbort&) {
        // Told and logged already; the screen stays open.
    } catch (const std::exception& e) {
        MostraErro(textoErro(e));
    }
}

}  // namespace kvp::add
