#pragma once

// Discount coupons: the code the host's coupon dialog answers, checked against the
// coupons the product takes and their validity, its discount worked out on the line, and
// the coupons of the sale kept so that a single-use one is not taken twice.

#include "combinadadetalhe.h"

#include "dataset.h"
#include "hostservices.h"
#include "srv_kvp510.h"
#include "textformat.h"

#include <QDateTime>
#include <QString>

namespace kvp::combinada::detail {

// Whether a coupon row holds at the given moment. An empty date leaves that side open;
// an end date without a time of day holds for the whole of that day.
inline bool vigente(const DataSet& cupons, const QDateTime& agora)
{
    const QDateTime inicio = cupons.asDateTime(QStringLiteral("DTINIVIGENCIA"));
    const QDateTime fim = cupons.asDateTime(QStringLiteral("DTFIMVIGENCIA"));
    if (inicio.isValid() && agora < inicio) {
        return false;
    }
    if (fim.isValid()) {
        if (fim.time() == QTime(0, 0)) {
            return agora.date() <= fim.date();
        }
        return agora <= fim;
    }
    return true;
}

template <class Tela>
struct RegrasCupom {
    static void controlaValorCupom(Tela& t, double q, double p, double d, double a,
                                   const QString& stCdProduto)
    {
        if (t.stIdUtCupomDesc != kS || !t.boUtilizaImpFis) {
            return;
        }
        t.zeraVariaveisCupomDesc();

        HostServices& h = host();
        HostAnswer resposta;
        h.CriaInfAdicional({QString(), QString(), QString(), QString(), QString(), QString(),
                            t.stIdEsquema, QString(), kS},
                           resposta);
        const QVariant codigo = resposta[4];
        t.stCdCupomDesc = codigo.canConvert<QString>() ? codigo.toString() : QString();

        t.vrLimiteCupom = Trunc2(Trunc2(Trunc2(p) * q) - d + a);
        if (t.stCdCupomDesc.isEmpty()) {
            t.vrDescCupom = 0;
            return;
        }

        const DataResult validos =
            MensagemMetodoLog(getCuponsValidos(t.stCdFilial, stCdProduto), true, 0,
                              QStringLiteral("getCuponsValidos"), QStringLiteral("Srv_Kvp510"),
                              t.stCdFilial + QLatin1Char('-') + stCdProduto, QString());
        t.cdsCuponsValidos.setData(validos.asPacket());

        // The data service leaves the validity dates to the screen: a coupon outside them is
        // as unavailable as one the product does not take.
        bool achou = false;
        const QDateTime agora = stepNow();
        for (t.cdsCuponsValidos.first(); !t.cdsCuponsValidos.eof(); t.cdsCuponsValidos.next()) {
            if (t.cdsCuponsValidos.asString(QStringLiteral("CDCUPOMDESCQMT")) == t.stCdCupomDesc &&
                vigente(t.cdsCuponsValidos, agora)) {
                achou = true;
                break;
            }
        }
        if (!achou) {
            t.Avisa(t.msgPadrao.Msg(QStringLiteral("CUPOM_IND")));
            t.stCdCupomDesc.clear();
            t.vrDescCupom = 0;
            return;
        }
        if (marcado(t.cdsCuponsValidos, QStringLiteral("IDUSOUNICO")) &&
            t.cdsCupomDescVenda.isActive() &&
            t.cdsCupomDescVenda.locate(QStringLiteral("CDCUPOMDESCQMT"), t.stCdCupomDesc)) {
            t.Avisa(t.msgPadrao.Msg(QStringLiteral("CUPOMUNICO_JA")));
            t.stCdCupomDesc.clear();
            t.vrDescCupom = 0;
            return;
        }

        const double valor = t.cdsCuponsValidos.asFloat(QStringLiteral("VRDESCCUPOM"));
        if (t.cdsCuponsValidos.asString(QStringLiteral("IDTIPODESC")) == QLatin1String("P")) {
            t.vrDescCupom = Trunc2(valor * t.vrLimiteCupom / 100);
        } else {
            t.vrDescCupom = Trunc2(valor);
            if (t.vrDescCupom >= t.vrLimiteCupom) {
                t.vrDescCupom = t.vrLimiteCupom - 0.01;
            }
        }
    }

    static void zeraVariaveisCupomDesc(Tela& t)
    {
        t.stCdCupomDesc.clear();
        t.vrDescCupom = 0;
        t.vrLimiteCupom = 0;
    }

    static void incluiCupomVenda(Tela& t, const QString& stCdCupom)
    {
        if (!t.cdsCupomDescVenda.isActive()) {
            t.cdsCupomDescVenda.createDataSet();
        }
        t.cdsCupomDescVenda.append();
        t.cdsCupomDescVenda.setValue(QStringLiteral("CDCUPOMDESCQMT"), stCdCupom);
        t.cdsCupomDescVenda.post();
    }

    static void removeCupomVenda(Tela& t, const QString& stCdCupom)
    {
        if (stCdCupom.isEmpty() || !t.cdsCupomDescVenda.isActive()) {
            return;
        }
        t.cdsCupomDescVenda.clearFilter();
        if (t.cdsCupomDescVenda.locate(QStringLiteral("CDCUPOMDESCQMT"), stCdCupom)) {
            t.cdsCupomDescVenda.remove();
        }
    }
};

}  // namespace kvp::combinada::detail
