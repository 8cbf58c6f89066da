#pragma once

// Mutually exclusive groups: a product refused when another group of its set has been
// chosen, the set's other buttons locked once a group of it is chosen, and unlocked when
// its last line goes. The locked groups are also handed to the host in stBotaoBloqueado.

#include "combinadadetalhe.h"
#include "telacomum.h"

#include "control.h"
#include "dataset.h"
#include "hostservices.h"
#include "srv_kvp510.h"

#include <QString>

namespace kvp::combinada::detail {

// stBotaoBloqueado lists locked groups in entries 11 characters wide, as hosts read it:
// the group code padded with blanks to the 10 characters of CDGRUPROMOC, then ";".
inline QString entradaBloqueio(const QString& grupo)
{
    return grupo.leftJustified(10, QLatin1Char(' ')) + QLatin1Char(';');
}

inline QString semEntradasDoGrupo(const QString& lista, const QString& grupo)
{
    const QString propria = grupo.leftJustified(10, QLatin1Char(' '));
    QString resto;
    const QStringList entradas = lista.split(QLatin1Char(';'), Qt::SkipEmptyParts);
    for (const QString& e : entradas) {
        if (e != propria) {
            resto += e + QLatin1Char(';');
        }
    }
    return resto;
}

template <class Tela>
struct RegrasGrupos {
    static bool RecusaGrupoExclusivo(Tela& t, const QString& cdGrupoProduto)
    {
        if (t.stCdGrupMutexAtual.isEmpty()) {
            return false;
        }
        const SemFiltro semFiltro(t.cdsItemProd);
        t.cdsItemProd.clearFilter();
        if (!t.cdsItemProd.locate(QStringLiteral("CDGRUPMUTEX"), t.stCdGrupMutexAtual)) {
            return false;
        }
        if (t.cdsItemProd.asString(QStringLiteral("CDGRUPROMOC")) == cdGrupoProduto) {
            return false;
        }
        t.Avisa(t.msgPadrao.Msg(QStringLiteral("GRUPO_EXCLUSIVO"), {QString(QChar(13))}));
        return true;
    }

    static void BloqueiaGrupo(Tela& t)
    {
        if (t.stCdGrupMutexAtual.isEmpty()) {
            return;
        }
        for (int i = 1; i <= Tela::kNumBotoesGrupo; ++i) {
            Control& botao = t.blbMenu(i);
            if (botao.groupCode.isEmpty() || botao.groupCode == t.stCdGrupoAtual) {
                continue;
            }
            if (t.cdsAuxGrupProdCombo.locate(QStringLiteral("CDGRUPROMOC;CDGRUPMUTEX"),
                                             {botao.groupCode, t.stCdGrupMutexAtual})) {
                botao.enabled = false;
                Tela::modulo().stBotaoBloqueado += entradaBloqueio(botao.groupCode);
            }
        }
    }

    static void DesbloqueiaGrupo(Tela& t, const QString& stCdGrupo, const QString& stCdGrupMutex)
    {
        if (stCdGrupMutex.isEmpty()) {
            return;  // a group outside any set locked nothing
        }
        try {
            const DataResult grupos =
                MensagemMetodoLog(getGrupoMutex(t.stCdFilial, t.stCdProdPromo, stCdGrupMutex), true,
                                  0, QStringLiteral("getGrupoMutex"), QStringLiteral("Srv_Kvp510"),
                                  t.stCdFilial + QLatin1Char('-') + t.stCdProdPromo +
                                      QLatin1Char('-') + stCdGrupMutex,
                                  QString());
            t.cdsGrupoMutex.setData(grupos.asPacket());
            t.cdsGrupoMutexAux.copyFrom(t.cdsGrupoMutex);
        } catch (const SilentAbort&) {
            return;  // the host has shown why; the buttons stay as they are
        }
        if (t.cdsGrupoMutexAux.isEmpty()) {
            return;
        }
        for (int i = 1; i <= Tela::kNumBotoesGrupo; ++i) {
            Control& botao = t.blbMenu(i);
            if (botao.groupCode.isEmpty() || botao.groupCode == stCdGrupo) {
                continue;
            }
            if (t.cdsGrupoMutexAux.locate(QStringLiteral("CDGRUPROMOC;CDGRUPMUTEX"),
                                          {botao.groupCode, stCdGrupMutex})) {
                botao.enabled = true;
                // Whole entries only: a code that is part of another one ("G1" in "G10;")
                // must not take the other's entry with it.
                Tela::modulo().stBotaoBloqueado =
                    semEntradasDoGrupo(Tela::modulo().stBotaoBloqueado, botao.groupCode);
            }
        }
    }

    // After a removal: the exclusive set opens again only once the group has no line left.
    static void DesbloqueiaSeVazio(Tela& t, const QString& grupo, const QString& mutex)
    {
        DataSet& itens = t.cdsItemProd;
        itens.applyFilter(Filter::eq(QStringLiteral("CDGRUPMUTEX"), mutex)
                              .and_(Filter::eq(QStringLiteral("CDGRUPROMOC"), grupo)));
        const bool grupoVazio = itens.isEmpty();
        itens.clearFilter();
        if (grupoVazio) {
            t.DesbloqueiaGrupo(grupo, mutex);
        }
    }
};

}  // namespace kvp::combinada::detail
