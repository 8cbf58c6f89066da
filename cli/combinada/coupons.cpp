// Discount coupons: the code typed for each product inserted, its discount on the line
// and the coupons used in this selection.

#include "combinada_p.h"
#include "tfrmpromocaocombinada.h"

#include "hostservices.h"
#include "srv_kvp510.h"
#include "textformat.h"

namespace kvp::combinada {

using namespace detail;

namespace {

// Whether a coupon row holds at the given moment. An empty date leaves that side open;
// an end date without a time of day holds for the whole of that day.
bool vigente(const DataSet& cupons, const QDateTime& agora)
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

}  // namespace

void TfrmPromocaoCombinada::controlaValorCupom(double q, double p, double d, double a,
                                               const QString& stCdProduto)
{
    if (stIdUtCupomDesc != kS || !boUtilizaImpFis) {
        return;
    }
    zeraVariaveisCupomDesc();

    HostServices& h = host();
    HostAnswer resposta;
    h.CriaInfAdicional({QString(), QString(), QString(), QString(), QString(), QString(),
                        stIdEsquema, QString(), kS},
                       resposta);
    const QVariant codigo = resposta[4];
    stCdCupomDesc = codigo.canConvert<QString>() ? codigo.toString() : QString();

    vrLimiteCupom = Trunc2(Trunc2(Trunc2(p) * q) - d + a);
    if (stCdCupomDesc.isEmpty()) {
        vrDescCupom = 0;
        return;
    }

    const DataResult validos = h.MensagemMetodo(
        getCuponsValidos(stCdFilial, stCdProduto), true, 0, QStringLiteral("getCuponsValidos"),
        QStringLiteral("Srv_Kvp510"), stCdFilial + QLatin1Char('-') + stCdProduto, QString());
    cdsCuponsValidos.setData(validos.asPacket());

    // The data service leaves the validity dates to the screen: a coupon outside them is
    // as unavailable as one the product does not take.
    bool achou = false;
    const QDateTime agora = h.now();
    for (cdsCuponsValidos.first(); !cdsCuponsValidos.eof(); cdsCuponsValidos.next()) {
        if (cdsCuponsValidos.asString(QStringLiteral("CDCUPOMDESCQMT")) == stCdCupomDesc &&
            vigente(cdsCuponsValidos, agora)) {
            achou = true;
            break;
        }
    }
    if (!achou) {
        Avisa(msgPadrao.Msg(QStringLiteral("CUPOM_IND")));
        stCdCupomDesc.clear();
        vrDescCupom = 0;
        return;
    }
    if (marcado(cdsCuponsValidos, QStringLiteral("IDUSOUNICO")) && cdsCupomDescVenda.isActive() &&
        cdsCupomDescVenda.locate(QStringLiteral("CDCUPOMDESCQMT"), stCdCupomDesc)) {
        Avisa(msgPadrao.Msg(QStringLiteral("CUPOMUNICO_JA")));
        stCdCupomDesc.clear();
        vrDescCupom = 0;
        return;
    }

    const double valor = cdsCuponsValidos.asFloat(QStringLiteral("VRDESCCUPOM"));
    if (cdsCuponsValidos.asString(QStringLiteral("IDTIPODESC")) == QLatin1String("P")) {
        vrDescCupom = Trunc2(valor * vrLimiteCupom / 100);
    } else {
        vrDescCupom = Trunc2(valor);
        if (vrDescCupom >= vrLimiteCupom) {
            vrDescCupom = vrLimiteCupom - 0.01;
        }
    }
}

void TfrmPromocaoCombinada::zeraVariaveisCupomDesc()
{
    stCdCupomDesc.clear();
    vrDescCupom = 0;
    vrLimiteCupom = 0;
}

void TfrmPromocaoCombinada::incluiCupomVenda(const QString& stCdCupom)
{
    if (!cdsCupomDescVenda.isActive()) {
        cdsCupomDescVenda.createDataSet();
    }
    cdsCupomDescVenda.append();
    cdsCupomDescVenda.setValue(QStringLiteral("CDCUPOMDESCQMT"), stCdCupom);
    cdsCupomDescVenda.post();
}

void TfrmPromocaoCombinada::removeCupomVenda(const QString& stCdCupom)
{
    if (stCdCupom.isEmpty() || !cdsCupomDescVenda.isActive()) {
        return;
    }
    cdsCupomDescVenda.clearFilter();
    if (cdsCupomDescVenda.locate(QStringLiteral("CDCUPOMDESCQMT"), stCdCupom)) {
        cdsCupomDescVenda.remove();
    }
}

}  // namespace kvp::combinada
