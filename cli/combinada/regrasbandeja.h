#pragma once

// The tray of chosen items: an entry of five controls per item line (picture, code,
// name, observation, price), its removal, and scrolling by whole entries.

#include "combinadadetalhe.h"
#include "telacomum.h"

#include "control.h"
#include "dataset.h"
#include "hostservices.h"
#include "textformat.h"

#include <QList>
#include <QString>

namespace kvp::combinada::detail {

inline const QString kVerdana = QStringLiteral("Verdana");

inline void rolaConteudo(const QList<Control*>& controles, int passo)
{
    for (Control* c : controles) {
        c->bounds.top += passo;
    }
}

template <class Tela>
struct RegrasBandeja {
    static void CriaProdBandeja(Tela& t, const QString& stCodigo, const QString& stNome,
                                const QString& /*ignorado*/, const QString& stObs,
                                const QString& stIdPesa, const QString& stQtdeReal, double nrQtde,
                                double vrUnitario, int /*ignoradoNr*/, int nrPosicao,
                                const Control* fonte)
    {
        const MedidasBandeja& m = Tela::kBandeja;
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
        codigo.font = screen::Font{kVerdana, 10, true, screen::clBlack};
        t.addControl(codigo);

        Control nome = novo("Nome", screen::ControlKind::Label, {m.esquerdaTexto, y + 15, 190, 42});
        nome.caption = stNome;
        nome.font = screen::Font{kVerdana, 8, true, screen::clBlack};
        t.addControl(nome);

        Control obs = novo("Obs", screen::ControlKind::Label, {m.esquerdaTexto, y + 30, 180, 42});
        obs.caption = stObs;
        obs.wordWrap = true;
        obs.font = screen::Font{kVerdana, 7, false, screen::clBlack};
        t.addControl(obs);

        Control preco = novo("Preco", screen::ControlKind::Label,
                             {m.esquerdaTexto, y + 53, m.larguraPreco, 18});
        preco.font = screen::Font{kVerdana, m.fontePreco, true, screen::clBlack};
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
