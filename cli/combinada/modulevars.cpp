#include "modulevars.h"

#include "dataset.h"

namespace kvp::combinada {

TfrmPromocaoCombinada* frmPromocaoCombinada = nullptr;
QString stNrVendaRest2;
bool boDebitoAux = false;
QString stCdConsDebAux;
QString stCdCliDebPadrao;
QString stBotaoBloqueado;
int nrSeqItemAdd = 0;
bool boPromocaoComb = false;
int NrPgGrupo = 0;
int NrPgProd = 0;
PromoCombAddEntry criaPromoCombAdd;
GuardaRegistroAninhado guardaRegistroAninhado;

void resetModuleVariables()
{
    frmPromocaoCombinada = nullptr;
    stNrVendaRest2.clear();
    boDebitoAux = false;
    stCdConsDebAux.clear();
    stCdCliDebPadrao.clear();
    stBotaoBloqueado.clear();
    nrSeqItemAdd = 0;
    boPromocaoComb = false;
    NrPgGrupo = 0;
    NrPgProd = 0;
    guardaRegistroAninhado = nullptr;
}

}  // namespace kvp::combinada
