#pragma once

// What the two combination screens declare to share their behaviour (regrascomuns.h):
// the module variables an operation reaches and the measures of a tray entry.

#include "control.h"

#include <QString>

namespace kvp::combinada::detail {

// The module-wide variables one screen's operations read and write.
struct VariaveisModulo {
    QString& stNrVendaRest2;
    bool& boDebitoAux;
    QString& stCdConsDebAux;
    QString& stCdCliDebPadrao;
    QString& stBotaoBloqueado;
};

// Measures of a tray entry.
struct MedidasBandeja {
    int passo;                   // vertical step between entries, and one scroll
    int controlesAntesDeslocar;  // tray controls above which a new entry follows the scroll
    int larguraFoto;
    int alturaFoto;
    int esquerdaTexto;  // left edge of the entry's labels
    int fontePreco;
    int larguraPreco;
    screen::Alignment alinhamentoPreco;
};

// How placing one chosen product ended.
enum class Colocacao { Inserido, Recusado, Abandonado };

template <class Tela>
struct RegrasComuns;

}  // namespace kvp::combinada::detail
