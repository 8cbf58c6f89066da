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
}

}  // namespace kvp::add
