#pragma once

// What the two entries share: the error report on the way out, and the header and price
// line a screen opens with.

#include "hostservices.h"
#include "oplog.h"
#include "textformat.h"

#include <QString>

namespace kvp::entrada {

// An error stopped the call: the log and the operator hear of it, and nothing more may
// fail on the way out to the host.
inline void relataErro(const QString& texto) noexcept
{
    try {
        LogKvp510(texto);
    } catch (...) {
        // The log is unreachable; the message below still reaches the operator.
    }
    try {
        host().Mensagem(texto, QString(), QStringLiteral("N"), QStringLiteral("N"),
                        static_cast<int>(MessageKind::Warning), QString(), QString(), 0, nullptr);
    } catch (...) {
        // No host to show it with; the result tells the caller.
    }
}

// Writes the price line of a fixed promotion price (price mode "1") with its discount or
// surcharge, and the screen's fields that follow from it. Returns the final price, or 0
// when no adjustment applies.
template <class Tela>
double PrecoPromocao(Tela& frm, const QString& stTipoPrecoPromo, const QString& stIdValorPerc,
                     const QString& stTipoAjuste, double vrPrecoPromo, double vrAjustePromo,
                     double nrQtdePromo, bool boAplicaAjuste)
{
    double precoFinal = 0;
    if (stTipoPrecoPromo != QLatin1String("1")) {
        return precoFinal;
    }
    const FormatSettings& fs = host().formatSettings();
    const QString& moeda = fs.currencyString;
    const double p = vrPrecoPromo;
    const double a = vrAjustePromo;
    const double q = nrQtdePromo;
    const bool valor = stIdValorPerc == QLatin1String("V");
    const QString precoFinalTexto = frm.msgPadrao.Msg(QStringLiteral("PRECO_FINAL"));
    QString texto;
    if (boAplicaAjuste) {
        if (stTipoAjuste == QLatin1String("D")) {
            precoFinal = valor ? p - a : p - p * a / 100;
            texto = frm.msgPadrao.Msg(QStringLiteral("Desconto")) + QLatin1Char(' ') + moeda +
                    formatMoney((valor ? a : p * a / 100) * q, fs) + QStringLiteral(" - ") +
                    precoFinalTexto + QLatin1Char(' ') + moeda + formatMoney(precoFinal * q, fs);
        } else if (stTipoAjuste == QLatin1String("A")) {
            precoFinal = valor ? p + a : p + p * a / 100;
            // The percentage surcharge has never had a blank before the currency.
            texto = frm.msgPadrao.Msg(QStringLiteral("Acrescimo")) + QLatin1Char(' ') + moeda +
                    formatMoney((valor ? a : p * a / 100) * q, fs) + QStringLiteral(" - ") +
                    precoFinalTexto + (valor ? QStringLiteral(" ") : QString()) + moeda +
                    formatMoney(precoFinal * q, fs);
        }
    }
    frm.lblDescricao.caption = frm.msgPadrao.Msg(QStringLiteral("PRECO")) + QLatin1Char(' ') +
                               moeda + formatMoney(p * q, fs) + QStringLiteral("  ") + texto;
    frm.vrAjustePromo = vrAjustePromo;
    frm.stTipoAjuste = stTipoAjuste;
    frm.stIdValorPerc = stIdValorPerc;
    frm.vrPrecoPromo = vrPrecoPromo;
    // Up to the "- " that precedes the final-price caption.
    const qsizetype traco = texto.indexOf(QLatin1Char('-'));
    frm.stTextoDescPromo = traco < 0 ? QString() : texto.left(traco + 2);
    return precoFinal;
}

}  // namespace kvp::entrada
