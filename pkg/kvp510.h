#pragma once

// The module's entry as the point-of-sale host calls it, and the module-wide variables
// it publishes. The host installs its services (kvp::installHost) and a presenter for the
// screens (kvp::screen::installPresenter) before the first call.

#include "dataset.h"
#include "modulevars.h"
#include "modulevarsadd.h"

#include <QString>

// Everything of the module is visible from the shared library; the entry is marked so
// that it stays visible should the build ever hide the rest.
#define KVP510_EXPORT __attribute__((visibility("default")))

namespace kvp::combinada {

// Runs the combined-promotion selection screen for one promotion sold and hands the
// chosen items, their observations and controlled observations back in the first three
// datasets (the item list indexed on NRSEQ_ORD). Returns true when the operator
// confirmed. Never raises: a failure is logged and shown, the screen and the data module
// are freed, and the result is false when the failure came before the result was read.
KVP510_EXPORT bool CriaPromocaoInteligente(
    DataSet& cdsItensRet, DataSet& cdsObsRet, DataSet& cdsCtObsRet, const QString& stCdProdPromo,
    const QString& stNmProdPromo, const QString& stCdCliDebPadrao, const QString& stCdConsDebAux,
    const QString& stTipoPrecoPromo, const QString& stIdValorPerc, const QString& stTipoAjuste,
    double vrPrecoPromo, double vrAjustePromo, double nrQtdePromo, bool boAplicaAjuste,
    bool boDebitoAux, const QString& stNrVendaRest2, DataSet& cdsItensVendidos,
    const QString& stTipoChamada) noexcept;

// May be called once the host's services are installed (at start-up, say): connects the
// data module in the background, so that the first sale does not wait for it. Returns at
// once and never fails; a server that cannot be reached is reported by the first sale,
// as without this call. Only PostgreSQL connections are made ahead.
KVP510_EXPORT void AntecipaConexao() noexcept;
}  // namespace kvp::combinada

namespace kvp::add {

// Runs the add-to-combination screen for a combined promotion chosen inside another one,
// with the arguments and result of CriaPromocaoInteligente. The chosen items come back
// in the first three datasets as the screen holds them. Frees the screen but not the
// data module: the selection screen that called it goes on with the same connection.
KVP510_EXPORT bool CriaPromoCombAdd(DataSet& cdsItensRet, DataSet& cdsObsRet, DataSet& cdsCtObsRet,
                                    const QString& stCdProdPromo, const QString& stNmProdPromo,
                                    const QString& stCdCliDebPadrao, const QString& stCdConsDebAux,
                                    const QString& stTipoPrecoPromo, const QString& stIdValorPerc,
                                    const QString& stTipoAjuste, double vrPrecoPromo,
                                    double vrAjustePromo, double nrQtdePromo, bool boAplicaAjuste,
                                    bool boDebitoAux, const QString& stNrVendaRest2,
                                    DataSet& cdsItensVendidos,
                                    const QString& stTipoChamada) noexcept;

}  // namespace kvp::add

// The same entry under its plain name, for hosts that resolve it at run time.
extern "C" KVP510_EXPORT bool CriaPromocaoInteligente(
    kvp::DataSet& cdsItensRet, kvp::DataSet& cdsObsRet, kvp::DataSet& cdsCtObsRet,
    const QString& stCdProdPromo, const QString& stNmProdPromo, const QString& stCdCliDebPadrao,
    const QString& stCdConsDebAux, const QString& stTipoPrecoPromo, const QString& stIdValorPerc,
    const QString& stTipoAjuste, double vrPrecoPromo, double vrAjustePromo, double nrQtdePromo,
    bool boAplicaAjuste, bool boDebitoAux, const QString& stNrVendaRest2,
    kvp::DataSet& cdsItensVendidos, const QString& stTipoChamada) noexcept;

extern "C" KVP510_EXPORT void AntecipaConexao() noexcept;
extern "C" KVP510_EXPORT bool CriaPromoCombAdd(
    kvp::DataSet& cdsItensRet, kvp::DataSet& cdsObsRet, kvp::DataSet& cdsCtObsRet,
    const QString& stCdProdPromo, const QString& stNmProdPromo, const QString& stCdCliDebPadrao,
    const QString& stCdConsDebAux, const QString& stTipoPrecoPromo, const QString& stIdValorPerc,
    const QString& stTipoAjuste, double vrPrecoPromo, double vrAjustePromo, double nrQtdePromo,
    bool boAplicaAjuste, bool boDebitoAux, const QString& stNrVendaRest2,
    kvp::DataSet& cdsItensVendidos, const QString& stTipoChamada) noexcept;
