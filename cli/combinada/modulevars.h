#pragma once

// Module-wide variables of the combined-promotion screen's unit. They carry the context of
// one host call to the screen's operations, live as long as the module is loaded and are
// published to the host. One call at a time: the module is not re-entrant.

#include <QString>

#include <functional>

namespace kvp {
class DataSet;
struct DataPacket;
}

namespace kvp::combinada {

class TfrmPromocaoCombinada;

extern TfrmPromocaoCombinada* frmPromocaoCombinada;  // the running screen; none outside a call
extern QString stNrVendaRest2;                       // sale number
extern bool boDebitoAux;                             // on-account sale
extern QString stCdConsDebAux;                       // consumer of an on-account sale
extern QString stCdCliDebPadrao;                     // client of an on-account sale
extern QString stBotaoBloqueado;                     // group codes locked by exclusive groups
extern int nrSeqItemAdd;                             // next NRSEQITEMADD of a nested promotion
extern bool boPromocaoComb;                          // the selection was confirmed
extern int NrPgGrupo;                                // published, never written
extern int NrPgProd;                                 // published, never written

// The add-to-combination screen's entry, with the eighteen arguments of
// CriaPromocaoInteligente. The package that provides that screen installs it; while none
// is installed, a product that is itself a combined promotion adds nothing. Not reset by
// resetModuleVariables: it belongs to the loaded code, not to a call.
using PromoCombAddEntry = std::function<bool(
    DataSet& cdsItensRet, DataSet& cdsObsRet, DataSet& cdsCtObsRet, const QString& stCdProdPromo,
    const QString& stNmProdPromo, const QString& stCdCliDebPadrao, const QString& stCdConsDebAux,
    const QString& stTipoPrecoPromo, const QString& stIdValorPerc, const QString& stTipoAjuste,
    double vrPrecoPromo, double vrAjustePromo, double nrQtdePromo, bool boAplicaAjuste,
    bool boDebitoAux, const QString& stNrVendaRest2, DataSet& cdsItensVendidos,
    const QString& stTipoChamada)>;
extern PromoCombAddEntry criaPromoCombAdd;

// Takes the add screen's record ("B") of a nested promotion while the selection screen
// that opened the add screen runs: that sale writes it with its own confirmation, so a
// cancelled sale leaves none. Empty otherwise: the add screen then writes it at once.
using GuardaRegistroAninhado = std::function<void(const DataPacket& itens)>;
extern GuardaRegistroAninhado guardaRegistroAninhado;

// Puts every variable back to its state when the module was loaded (tests).
void resetModuleVariables();

}  // namespace kvp::combinada
