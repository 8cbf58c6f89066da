// The add screen as designed: the selection screen's layout with fifteen product slots
// in five columns, a bar of cancel and confirm only, and no tray backdrop or
// preparation text.

#include "tfrmpromocombadd.h"

namespace kvp::add {

TfrmPromoCombAddLayout::TfrmPromoCombAddLayout()
    : TfrmPromocaoCombinadaLayout(QStringLiteral("frmPromoCombAdd"),
                                  {{17, 112, 208, 304, 401}, {169, 289, 408}})
{
    for (const char* ausente :
         {"imgBandLaranja", "dreRoteiro", "bldFoto", "blbFiltro", "spbQtde"}) {
        removeControl(QLatin1String(ausente));
    }
    // The first row's prices sit higher than on the selection screen: the prompt moves
    // beside the group's quantity, and the paging arrows beside the fifth column.
    component(QStringLiteral("lblQuantGrupo")).bounds = {17, 130, 200, 18};
    component(QStringLiteral("lblEscolhaOpcao")).bounds = {220, 133, 220, 16};
    component(QStringLiteral("bbbProdAcima")).bounds = {458, 130, 30, 20};
    component(QStringLiteral("bbbProdAbaixo")).bounds = {458, 496, 30, 20};
}

}  // namespace kvp::add
