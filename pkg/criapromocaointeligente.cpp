// The host's entry: runs the selection screen for one promotion sold and hands the
// chosen items back.

#include "kvp510.h"

#include "entrada_p.h"

#include "hostservices.h"
#include "oplog.h"
#include "rdmpromocaocombinada.h"
#include "textformat.h"
#include "tfrmpromocaocombinada.h"

#include <memory>

namespace {

namespace m = kvp::combinada;
using kvp::entrada::relataErro;

}  // namespace

extern "C" void AntecipaConexao() noexcept { kvp::combinada::AntecipaConexao(); }

extern "C" bool CriaPromocaoInteligente(
    kvp::DataSet& cdsItensRet, kvp::DataSet& cdsObsRet, kvp::DataSet& cdsCtObsRet,
    const QString& stCdProdPromo, const QString& stNmProdPromo, const QString& stCdCliDebPadrao,
    const QString& stCdConsDebAux, const QString& stTipoPrecoPromo, const QString& stIdValorPerc,
    const QString& stTipoAjuste, double vrPrecoPromo, double vrAjustePromo, double nrQtdePromo,
    bool boAplicaAjuste, bool boDebitoAux, const QString& stNrVendaRest2,
    kvp::DataSet& cdsItensVendidos, const QString& stTipoChamada) noexcept
{
    bool resultado = true;
    // Until the screen's answer has been read, a failure means nothing was confirmed.
    bool resultadoLido = false;
    std::unique_ptr<m::TfrmPromocaoCombinada> tela;
    try {
        m::stNrVendaRest2 = stNrVendaRest2;
        m::boDebitoAux = boDebitoAux;
        m::stCdConsDebAux = stCdConsDebAux;
        m::stBotaoBloqueado.clear();
        double precoFinal = 0;
        m::nrSeqItemAdd = 1;
        // A product that is itself a combined promotion opens the add screen, unless the
        // host has put another in its place.
        if (!m::criaPromoCombAdd) {
            m::criaPromoCombAdd = kvp::add::CriaPromoCombAdd;
        }

        tela = std::make_unique<m::TfrmPromocaoCombinada>();
        m::frmPromocaoCombinada = tela.get();
        m::TfrmPromocaoCombinada& frm = *tela;
        frm.InicializaForm(cdsItensRet, stCdProdPromo, stNmProdPromo, stCdCliDebPadrao,
                           stTipoPrecoPromo, stIdValorPerc, stTipoAjuste, vrPrecoPromo,
                           vrAjustePromo, nrQtdePromo, boAplicaAjuste, cdsItensVendidos);

        m::stCdCliDebPadrao = stCdCliDebPadrao;
        frm.stTipoPrecoPromo = stTipoPrecoPromo;
        frm.cdsItemProd.setData(cdsItensRet.data());
        frm.stCdProdPromo = stCdProdPromo;
        frm.stTipoChamada = stTipoChamada;

        precoFinal =
            kvp::entrada::PrecoPromocao(frm, stTipoPrecoPromo, stIdValorPerc, stTipoAjuste,
                                        vrPrecoPromo, vrAjustePromo, nrQtdePromo, boAplicaAjuste);
        const kvp::FormatSettings& fs = kvp::host().formatSettings();
        frm.stCabecalho =
            kvp::shortestText(nrQtdePromo, fs) + QStringLiteral(" X ") + stNmProdPromo;
        frm.lblCabecalho.caption = frm.stCabecalho;
        frm.nrQtdePromo = nrQtdePromo;
        frm.vrPrecoDividir = precoFinal != 0 ? precoFinal : vrPrecoPromo;
        frm.vrPrecoPromoFinal = frm.vrPrecoDividir;

        frm.ShowModal();

        cdsItensRet.disableControls();
        cdsItensRet.setIndexName(QString());
        cdsItensRet.clearIndexes();
        cdsItensRet.addIndex(QStringLiteral("NRSEQ_ORD"), QStringLiteral("NRSEQ_ORD"), true);
        cdsItensRet.setIndexName(QStringLiteral("NRSEQ_ORD"));
        cdsItensRet.setData(frm.cdsItemProd.data());
        cdsObsRet.setData(frm.cdsObsItens.data());
        cdsCtObsRet.setData(frm.cdsProdCtObs.data());

        resultado = m::boPromocaoComb;
        resultadoLido = true;

        kvp::LogKvp510(QStringLiteral("QUANTIDADE DE PRODUTOS ADICIONADOS: ") +
                       QString::number(cdsItensRet.recordCount()));
        kvp::LogKvp510(QString(64, QLatin1Char('-')));
    } catch (const kvp::SilentAbort&) {
        // The operator has been told already.
        if (!resultadoLido) {
            resultado = false;
        }
    } catch (const std::exception& e) {
        relataErro(QString::fromUtf8(e.what()));
        if (!resultadoLido) {
            resultado = false;
        }
    } catch (...) {
        relataErro(QStringLiteral("Unexpected error in the combined-promotion screen"));
        if (!resultadoLido) {
            resultado = false;
        }
    }

    try {
        kvp::freeDataModule();
    } catch (...) {
        // Freeing closes the connection; a failure there must not reach the host.
    }
    m::frmPromocaoCombinada = nullptr;
    tela.reset();
    return resultado;
}

namespace kvp::combinada {

void AntecipaConexao() noexcept { connectEarly(); }

bool CriaPromocaoInteligente(DataSet& a1, DataSet& a2, DataSet& a3, const QString& a4,
                             const QString& a5, const QString& a6, const QString& a7,
                             const QString& a8, const QString& a9, const QString& a10, double a11,
                             double a12, double a13, bool a14, bool a15, const QString& a16,
                             DataSet& a17, const QString& a18) noexcept
{
    return ::CriaPromocaoInteligente(a1, a2, a3, a4, a5, a6, a7, a8, a9, a10, a11, a12, a13, a14,
                                     a15, a16, a17, a18);
}

}  // namespace kvp::combinada
