#pragma once

// Module-wide variables of the add-to-combination screen's unit: the context of one call
// of its entry, kept apart from the selection screen's variables of the same names.

#include <QString>

namespace kvp::add {

class TfrmPromoCombAdd;

extern TfrmPromoCombAdd* frmPromoCombAdd;  // the running screen; none outside a call
extern QString stNrVendaRest2;
extern bool boDebitoAux;
extern QString stCdConsDebAux;
extern QString stCdCliDebPadrao;
extern QString stBotaoBloqueado;
extern bool boPromocaoComb;
extern int NrPgGrupo;  // published, never written
extern int NrPgProd;   // published, never written

// Puts every variable back to its state when the module was loaded (tests).
void resetModuleVariables();

}  // namespace kvp::add
