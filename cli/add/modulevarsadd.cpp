#include "modulevarsadd.h"

namespace kvp::add {

TfrmPromoCombAdd* frmPromoCombAdd = nullptr;
QString stNrVendaRest2;
bool boDebitoAux = false;
QString stCdConsDebAux;
QString stCdCliDebPadrao;
QString stBotaoBloqueado;
bool boPromocaoComb = false;
int NrPgGrupo = 0;
int NrPgProd = 0;

void resetModuleVariables()
{
    frmPromoCombAdd = nullptr;
    stNrVendaRest2.clear();
    boDebitoAux = false;
    stCdConsDebAux.clear();
    stCdCliDebPadrao.clear();
    stBotaoBloqueado.clear();
    boPromocaoComb = false;
    NrPgGrupo = 0;
    NrPgProd = 0;
}

}  // namespace kvp::add
