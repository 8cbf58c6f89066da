#pragma once

// The tray of chosen items: an entry of five controls per item line (picture, code,
// name, observation, price), its removal, and scrolling by whole entries.

#include "combinadadetalhe.h"
#include "telacomum.h"

#include "control.h"
#include "dataset.h"
#include "hostservices.h"
#include "oplog.h"
#include "textformat.h"

#include <QList>
#include <QString>

namespace kvp::combinada::detail {

inline const QString kVerdana = QStringLiteral("Verdana");

// The fonts of a tray entry's labels; the view also loads them ahead of the first entry.
struct FontesBandeja {
    screen::Font codigo, nome, obs, preco;
};

inline FontesBandeja fontesBandeja(const MedidasBandeja& m)
{
    return {screen::Font{kVerdana, 10, true, screen::clBlack},
            screen::Font{kVerdana, 8, true, screen::clBlack},
            screen::Font{kVerdana, 7, false, screen::clBlack},
            screen::Font{kVerdana, m.fontePreco, true, screen::clBlack}};
}

inline void rolaConteudo(const QList<Control*>& controles, int passo)
{
    for (Control* c : controles) {
        c->bounds.top += passo;
    }
}

template <class Tela>
struct RegrasBandeja {
    // A touch on an entry's picture removes its item line, or the whole set of lines a
    // nested promotion added with it (observations included). An obligatory product
    // stays, with a warning.
    static void BandejaClick(Tela& t, const Control& sender)
    {
        DataSet& itens = t.cdsItemProd;
        const SemFiltro semFiltro(itens);
        const int tag = sender.tag;
        const QString nrSeq = QString::number(tag);
        itens.applyFilter(Filter::eq(QStringLiteral("NRSEQ"), nrSeq));
        if (itens.isEmpty()) {
            t.RemoveProdBandeja(tag);  // an entry whose line is gone already
            return;
        }
        // Only the selection screen's lines come in sets.
        const QString campoConjunto = QStringLiteral("NRSEQITEMADD");
        const int conjunto = itens.hasField(campoConjunto) ? itens.asInteger(campoConjunto) : 0;
        QString mutex;
        QString grupo;
        if (conjunto < 1) {
            if (marcado(itens, QStringLiteral("IDOBRPRODSELEC"))) {
                t.Avisa(t.msgPadrao.Msg(QStringLiteral("PROD_OBR")));
                return;
            }
            t.RemoveProdBandeja(tag);
            itens.applyFilter(Filter::eq(QStringLiteral("NRSEQ"), nrSeq));
            t.RemoveObservacoes(nrSeq);
            t.DesfazPrecoLinha();
            LogKvp510(QStringLiteral("PRODUTO EXCLUÍDO: ") +
                      itens.asString(QStringLiteral("CDPRODUTO")) + QStringLiteral(" - ") +
                      itens.asString(QStringLiteral("NMPRODUTO")));
            mutex = itens.asString(QStringLiteral("CDGRUPMUTEX"));
            grupo = itens.asString(QStringLiteral("CDGRUPROMOC"));
            t.removeCupomVenda(itens.asString(QStringLiteral("CDCUPOMDESCQMT")));
            itens.remove();
        } else {
            itens.applyFilter(Filter::eq(campoConjunto, conjunto));
            itens.first();
            mutex = itens.asString(QStringLiteral("CDGRUPMUTEX"));
            grupo = itens.asString(QStringLiteral("CDGRUPROMOC"));
            RemoveConjunto(t);
        }
        itens.clearFilter();
        t.DesbloqueiaSeVazio(grupo, mutex);
        // Only a group whose products share one portion has lines to re-share.
        if (t.stIdCombinaProd == kS) {
            t.AtualizaProdCombinado(grupo);
        }
    }

    static void CriaProdBandeja(Tela& t, const QString& stCodigo, const QString& stNome,
                                const QString& /*ignorado*/, const QString& stObs,
                                const QString& stIdPesa, const QString& stQtdeReal, double nrQtde,
                                double vrUnitario, int /*ignoradoNr*/, int nrPosicao,
                                const Control* fonte)
    {
        const MedidasBandeja& m = Tela::kBandeja;
        const FontesBandeja fontes = fontesBandeja(m);
        const QList<Control*> antes = t.controlesBandeja();
        int y = m.passo * (nrPosicao - 1);
        // Once the tray has scrolled, new entries line up with the scrolled content.
        if (antes.size() > m.controlesAntesDeslocar) {
            y += antes.first()->bounds.top;
        }

        const QString prefixo = QStringLiteral("bandeja%1").arg(++t.nrSerialBandeja);
        auto novo = [&](const char* parte, screen::ControlKind kind, screen::Bounds bounds) {
            Control c;
            c.name = prefixo + QLatin1String(parte);
            c.kind = kind;
            c.parent = t.scbBandeja.name;
            c.bounds = bounds;
            c.tag = t.nrSeqBandeja;
            return c;
        };

        Control foto =
            novo("Foto", screen::ControlKind::Picture, {0, y, m.larguraFoto, m.alturaFoto});
        foto.picture = fonte && !fonte->picture.isEmpty() ? fonte->picture : t.imgSemImagem.picture;
        foto.cornerRadius = 20;
        foto.stretch = true;
        foto.transparent = false;
        t.addControl(foto);

        Control codigo = novo("Codigo", screen::ControlKind::Label, {m.esquerdaTexto, y, 0, 16});
        codigo.autoSize = true;
        codigo.caption = stCodigo;
        codigo.font = fontes.codigo;
        t.addControl(codigo);

        Control nome = novo("Nome", screen::ControlKind::Label, {m.esquerdaTexto, y + 15, 190, 42});
        nome.caption = stNome;
        nome.font = fontes.nome;
        t.addControl(nome);

        Control obs = novo("Obs", screen::ControlKind::Label, {m.esquerdaTexto, y + 30, 180, 42});
        obs.caption = stObs;
        obs.wordWrap = true;
        obs.font = fontes.obs;
        t.addControl(obs);

        Control preco = novo("Preco", screen::ControlKind::Label,
                             {m.esquerdaTexto, y + 53, m.larguraPreco, 18});
        preco.font = fontes.preco;
        preco.alignment = m.alinhamentoPreco;
        if (t.stTipoPrecoPromo == QLatin1String("2")) {
            const FormatSettings& fs = host().formatSettings();
            const double q = stQtdeReal == QLatin1String("S") ? nrQtde : nrQtde * t.nrQtdePromo;
            const bool pesado = stIdPesa == QLatin1String("S");
            const double d = pesado ? 0.0 : t.cdsItemProd.asFloat(QStringLiteral("VRDESCONTO"));
            const double a = pesado ? 0.0 : t.cdsItemProd.asFloat(QStringLiteral("VRACRESCIMO"));
            const double unitario = (Trunc2(q) * vrUnitario - d + a) / q;
            preco.caption = shortestText(q, fs) + QStringLiteral(" X ") + fs.currencyString +
                            formatMoney(unitario, fs);
        }
        t.addControl(preco);

        if (t.controlesBandeja().size() / 5 > 4) {
            rolaConteudo(t.controlesBandeja(), -m.passo);
            t.bbbBandejaUp.visible = true;
        }
    }

    // Every line the items are filtered to, each with its entry, observations, share of
    // the price line and coupon.
    static void RemoveConjunto(Tela& t)
    {
        DataSet& itens = t.cdsItemProd;
        while (!itens.isEmpty()) {
            itens.first();
            const QString seqLinha = itens.asString(QStringLiteral("NRSEQ"));
            t.DesfazPrecoLinha();
            t.RemoveProdBandeja(seqLinha.toInt());
            t.RemoveObservacoes(seqLinha);
            t.removeCupomVenda(itens.asString(QStringLiteral("CDCUPOMDESCQMT")));
            itens.remove();
        }
    }

    static void RemoveProdBandeja(Tela& t, int nrTag)
    {
        for (Control* c : t.controlesBandeja()) {
            if (c->tag == nrTag) {
                t.removeControl(c->name);
            } else if (c->tag > nrTag) {
                c->bounds.top -= Tela::kBandeja.passo;
            }
        }
        t.AjustaSetasBandeja();
    }

    static void AjustaSetasBandeja(Tela& t)
    {
        t.bbbBandejaUpClick();
        const QList<Control*> controles = t.controlesBandeja();
        if (!controles.isEmpty() && controles.first()->bounds.top == 0) {
            t.bbbBandejaUp.visible = false;
        }
        if (!controles.isEmpty() &&
            controles.last()->bounds.bottom() <= t.scbBandeja.bounds.height) {
            t.bbbBandejaDown.visible = false;
        }
    }

    static void bbbBandejaUpClick(Tela& t)
    {
        const QList<Control*> controles = t.controlesBandeja();
        if (!controles.isEmpty() && controles.first()->bounds.top < 0) {
            rolaConteudo(controles, Tela::kBandeja.passo);
            t.bbbBandejaDown.visible = true;
        }
        if (controles.isEmpty() || controles.first()->bounds.top == 0) {
            t.bbbBandejaUp.visible = false;
        }
    }

    static void bbbBandejaDownClick(Tela& t)
    {
        const QList<Control*> controles = t.controlesBandeja();
        if (!controles.isEmpty() &&
            controles.last()->bounds.bottom() > t.scbBandeja.bounds.height) {
            rolaConteudo(controles, -Tela::kBandeja.passo);
            t.bbbBandejaUp.visible = true;
        }
        if (controles.isEmpty() ||
            controles.last()->bounds.bottom() <= t.scbBandeja.bounds.height) {
            t.bbbBandejaDown.visible = false;
        }
    }
};

}  // namespace kvp::combinada::detail
