// Mutually exclusive groups: products of only one group of a set may be chosen. The
// refusal stops a product of another group of the set; locking disables the other groups'
// buttons; unlocking enables them again once the chosen group is empty.

#include "combinada_p.h"
#include "tfrmpromocaocombinada.h"

#include "hostservices.h"
#include "modulevars.h"
#include "srv_kvp510.h"

namespace kvp::combinada {

using namespace detail;

namespace {

// stBotaoBloqueado lists locked groups as "code;" entries.
QString semEntradasDoGrupo(const QString& lista, const QString& grupo)
{
    QString resto;
    const QStringList entradas = lista.split(QLatin1Char(';'), Qt::SkipEmptyParts);
    for (const QString& e : entradas) {
        if (e != grupo) {
            resto += e + QLatin1Char(';');
        }
    }
    return resto;
}

}  // namespace

bool TfrmPromocaoCombinada::RecusaGrupoExclusivo(const QString& cdGrupoProduto)
{
    if (stCdGrupMutexAtual.isEmpty()) {
        return false;
    }
    const SemFiltro semFiltro(cdsItemProd);
    cdsItemProd.clearFilter();
    if (!cdsItemProd.locate(QStringLiteral("CDGRUPMUTEX"), stCdGrupMutexAtual)) {
        return false;
    }
    if (cdsItemProd.asString(QStringLiteral("CDGRUPROMOC")) == cdGrupoProduto) {
        return false;
    }
    Avisa(msgPadrao.Msg(QStringLiteral("GRUPO_EXCLUSIVO"), {QString(QChar(13))}));
    return true;
}

void TfrmPromocaoCombinada::BloqueiaGrupo()
{
    const ChangeScope changes(*this);
    if (stCdGrupMutexAtual.isEmpty()) {
        return;
    }
    for (int i = 1; i <= kBotoesGrupo; ++i) {
        Control& botao = blbMenu(i);
        if (botao.groupCode.isEmpty() || botao.groupCode == stCdGrupoAtual) {
            continue;
        }
        if (cdsAuxGrupProdCombo.locate(QStringLiteral("CDGRUPROMOC;CDGRUPMUTEX"),
                                       {botao.groupCode, stCdGrupMutexAtual})) {
            botao.enabled = false;
            stBotaoBloqueado += botao.groupCode + QLatin1Char(';');
        }
    }
}

void TfrmPromocaoCombinada::DesbloqueiaGrupo(const QString& stCdGrupo, const QString& stCdGrupMutex)
{
    const ChangeScope changes(*this);
    if (stCdGrupMutex.isEmpty()) {
        return;  // a group outside any set locked nothing
    }
    try {
        const DataResult grupos = host().MensagemMetodo(
            getGrupoMutex(stCdFilial, stCdProdPromo, stCdGrupMutex), true, 0,
            QStringLiteral("getGrupoMutex"), QStringLiteral("Srv_Kvp510"),
            stCdFilial + QLatin1Char('-') + stCdProdPromo + QLatin1Char('-') + stCdGrupMutex,
            QString());
        cdsGrupoMutex.setData(grupos.asPacket());
        cdsGrupoMutexAux.copyFrom(cdsGrupoMutex);
    } catch (const SilentAbort&) {
        return;  // the host has shown why; the buttons stay as they are
    }
    if (cdsGrupoMutexAux.isEmpty()) {
        return;
    }
    for (int i = 1; i <= kBotoesGrupo; ++i) {
        Control& botao = blbMenu(i);
        if (botao.groupCode.isEmpty() || botao.groupCode == stCdGrupo) {
            continue;
        }
        if (cdsGrupoMutexAux.locate(QStringLiteral("CDGRUPROMOC;CDGRUPMUTEX"),
                                    {botao.groupCode, stCdGrupMutex})) {
            botao.enabled = true;
            // Whole entries only: a code that is part of another one ("G1" in "G10;")
            // must not take the other's entry with it.
            stBotaoBloqueado = semEntradasDoGrupo(stBotaoBloqueado, botao.groupCode);
        }
    }
}

}  // namespace kvp::combinada
