// Pre-selected products: placed once, when the screen first becomes active, as a touch
// would place them but without the group-quantity check; the menu then moves on to the
// group after the last one served.

#include "combinadadetalhe.h"
#include "tfrmpromocaocombinada.h"

#include "hostservices.h"
#include "srv_kvp510.h"

namespace kvp::combinada {

using namespace detail;

void TfrmPromocaoCombinada::VerificaPreSelecionados(const QString& cdProdPromo)
{
    const ChangeScope changes(*this);
    boPreSelVerificado = true;
    // Placing a product takes over the selected-group fields; unless the menu moves on
    // below, they go back to the group whose button is selected.
    struct GrupoSelecionado {
        TfrmPromocaoCombinada& tela;
        QString campos[6];
        bool manter = false;
        explicit GrupoSelecionado(TfrmPromocaoCombinada& t)
            : tela(t), campos{t.stCdGrupoAtual,      t.stQtdeGrupoAtual,    t.stCdGrupMutexAtual,
                              t.stIdImpGrPromoAtual, t.stNrSeqGrPromoAtual, t.stIdCombinaProd}
        {
        }
        ~GrupoSelecionado()
        {
            if (!manter) {
                tela.stCdGrupoAtual = campos[0];
                tela.stQtdeGrupoAtual = campos[1];
                tela.stCdGrupMutexAtual = campos[2];
                tela.stIdImpGrPromoAtual = campos[3];
                tela.stNrSeqGrPromoAtual = campos[4];
                tela.stIdCombinaProd = campos[5];
            }
        }
    } grupoSelecionado(*this);
    try {
        const DataResult pre = detail::MensagemMetodoLog(
            getPreSelecionados(stCdFilial, cdProdPromo), true, 0,
            QStringLiteral("getPreSelecionados"), QStringLiteral("Srv_Kvp510"),
            stCdFilial + QLatin1Char('-') + cdProdPromo, QString());
        cdsPreSelecionados.setData(pre.asPacket());

        QString ultimoGrupo;
        for (cdsPreSelecionados.first(); !cdsPreSelecionados.eof(); cdsPreSelecionados.next()) {
            const QString grupo = cdsPreSelecionados.asString(QStringLiteral("CDGRUPROMOC"));
            if (!RegistraPreSelecionados(
                    grupo, cdsPreSelecionados.asString(QStringLiteral("CDPRODUTO")))) {
                return;  // a failed price lookup abandons the rest
            }
            ultimoGrupo = grupo;
        }
        if (cdsPreSelecionados.isEmpty()) {
            return;
        }
        int botao = 0;
        for (int i = 1; i <= kBotoesGrupo; ++i) {
            if (!blbMenu(i).groupCode.isEmpty() && blbMenu(i).groupCode == ultimoGrupo) {
                botao = i;
                break;
            }
        }
        if (botao == 0) {
            return;  // the group is on another page of the menu
        }
        const int alvo = botao < kBotoesGrupo ? botao + 1 : botao;
        nrBotaoGrupoAnterior = nrBotaoGrupoAtual;
        nrBotaoGrupoAtual = alvo;
        if (!blbMenu(alvo).visible || !blbMenu(alvo).enabled) {
            nrBotaoGrupoAtual = 1;
        }
        Control& selecionado = blbMenu(nrBotaoGrupoAtual);
        grupoSelecionado.manter = true;
        blbMenu01Click(selecionado);
        SetDown(selecionado);
    } catch (const SilentAbort&) {
        // Told already.
    } catch (const std::exception& e) {
        MostraErro(textoErro(e));
    }
}

bool TfrmPromocaoCombinada::RegistraPreSelecionados(const QString& stCdGrupo,
                                                    const QString& stCdProduto)
{
    cdsAuxGrupProdCombo.locate(QStringLiteral("CDGRUPROMOC"), stCdGrupo);
    LeGrupoAtual();

    const DataResult produtos =
        detail::MensagemMetodoLog(getProdutoPromoComb(stCdGrupo, stCdProdPromo, stCdFilial,
                                                  stNrConfTela, stNrSeqGrPromoAtual),
                              true, 0, QStringLiteral("getProdutoPromoComb"),
                              QStringLiteral("Srv_Kvp510"), stCdGrupo, QString());
    cdsProdutoPromoAux.setData(produtos.asPacket());
    cdsProdutoPromoAux.first();
    if (!cdsProdutoPromoAux.locate(QStringLiteral("CDPRODUTO"), stCdProduto)) {
        return true;  // no longer offered in its group: nothing to place
    }

    if (stCdProduto != stCdProdPromo && detail::VerificaPromo(stCdFilial, stCdProduto)) {
        PromocaoAninhada(stCdProduto, nullptr, true);
        return true;
    }
    return ColocaProduto(stCdProduto, nullptr, true) != Colocacao::Abandonado;
}

}  // namespace kvp::combinada
