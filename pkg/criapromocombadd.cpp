// The add screen's entry: runs it for a combined promotion chosen inside another one and
// hands the chosen items back to the caller, the selection screen.

#include "kvp510.h"

#include "entrada_p.h"

#include "hostservices.h"
#include "oplog.h"
#include "textformat.h"
#include "tfrmpromocombadd.h"

#include <memory>

namespace {

namespace a = kvp::add;
using kvp::entrada::relataErro;

}  // namespace

extern "C" bool CriaPromoCombAdd(kvp::DataSet& cdsItensRet, kvp::DataSet& cdsObsRet,
                                 kvp::DataSet& cdsCtObsRet, const QString& stCdProdPromo,
                                 const QString& stNmProdPromo, const QString& stCdCliDebPadrao,
                                 const QString& stCdConsDebAux, const QString& stTipoPrecoPromo,
                                 const QString& stIdValorPerc, const QString& stTipoAjuste,
                                 double vrPrecoPromo, double vrAjustePromo, double nrQtdePromo,
                                 bool boAplicaAjuste, bool boDebitoAux,
                                 const QString& stNrVendaRest2, kvp::DataSet& cdsItensVendidos,
                                 const QString& stTipoChamada) noexcept
{
    bool resultado = true;
    bool resultadoLido = false;
    std::unique_ptr<a::TfrmPromoCombAdd> tela;
    try {
        a::stNrVendaRest2 = stNrVendaRest2;
        a::boDebitoAux = boDebitoAux;
        a::stCdConsDebAux = stCdConsDebAux;
        a::stBotaoBloqueado.clear();
        // Only this run's confirmation counts: a screen that ends any other way has not
        // confirmed, whatever an earlier run left behind.
        a::boPromocaoComb = false;

        tela = std::make_unique<a::TfrmPromoCombAdd>();
        a::frmPromoCombAdd = tela.get();
        a::TfrmPromoCombAdd& frm = *tela;
        frm.InicializaForm(cdsItensRet, stCdProdPromo, stNmProdPromo, stCdCliDebPadrao,
                           stTipoPrecoPromo, stIdValorPerc, stTipoAjuste, vrPrecoPromo,
                           vrAjustePromo, nrQtdePromo, boAplicaAjuste, cdsItensVendidos);

        a::stCdCliDebPadrao = stCdCliDebPadrao;
        frm.stTipoPrecoPromo = stTipoPrecoPromo;
        frm.cdsItemProd.setData(cdsItensRet.data());
        frm.stCdProdPromo = stCdProdPromo;
        frm.stTipoChamada = stTipoChamada;

        const double precoFinal =
            kvp::entrada::PrecoPromocao(frm, stTipoPrecoPromo, stIdValorPerc, stTipoAjuste,
                                        vrPrecoPromo, vrAjustePromo, nrQtdePromo, boAplicaAjuste);
        frm.lblCabecalho.caption = kvp::shortestText(nrQtdePromo, kvp::host().formatSettings()) +
                                   QStringLiteral(" X ") + stNmProdPromo;
        frm.nrQtdePromo = nrQtdePromo;
        frm.vrPrecoDividir = precoFinal != 0 ? precoFinal : vrPrecoPromo;
        frm.vrPrecoPromoFinal = frm.vrPrecoDividir;

        frm.ShowModal();

        cdsItensRet.setData(frm.cdsItemProd.data());
        cdsObsRet.setData(frm.cdsObsItens.data());
        cdsCtObsRet.setData(frm.cdsProdCtObs.data());

        resultado = a::boPromocaoComb;
        resultadoLido = true;

        kvp::LogKvp510(QStringLiteral("QUANTIDADE DE PRODUTOS ADICIONADOS: ") +
                       QString::number(cdsItensRet.recordCount()));
        kvp::LogKvp510(QString(64, QLatin1Char('-')));
    } catch (const kvp::SilentAbort&) {
        // The operator has been told already.
    } catch (const std::exception& e) {
        relataErro(QString::fromUtf8(e.what()));
    } catch (...) {
        relataErro(QStringLiteral("Unexpected error in the add-to-combination screen"));
    }
    if (!resultadoLido) {
        resultado = false;
    }
    // Only the screen goes: the data module stays connected for the screen that called.
    a::frmPromoCombAdd = nullptr;
    tela.reset();
    return resultado;
}

namespace kvp::add {

bool CriaPromoCombAdd(DataSet& a1, DataSet& a2, DataSet& a3, const QString& a4, const QString& a5,
                      const QString& a6, const QString& a7, const QString& a8, const QString& a9,
                      const QString& a10, double a11, double a12, double a13, bool a14, bool a15,
                      const QString& a16, DataSet& a17, const QString& a18) noexcept
{
    return ::CriaPromoCombAdd(a1, a2, a3, a4, a5, a6, a7, a8, a9, a10, a11, a12, a13, a14, a15, a16,
                              a17, a18);
}

}  // namespace kvp::add
