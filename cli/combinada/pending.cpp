// Operations that product choice, confirmation, pre-selection, the quantity key and the
// product search build on top of this screen. Until then they keep the screen usable:
// touches are released, activation does not retry, and nothing is added or confirmed.

#include "tfrmpromocaocombinada.h"

namespace kvp::combinada {

void TfrmPromocaoCombinada::bpbProd01Click(Control* /*sender*/)
{
    const ChangeScope changes(*this);
    boProcessandoProd = false;
}

void TfrmPromocaoCombinada::bldConfirmarClick()
{
    const ChangeScope changes(*this);
}

void TfrmPromocaoCombinada::VerificaPreSelecionados(const QString& /*cdProdPromo*/)
{
    boPreSelVerificado = true;
}

void TfrmPromocaoCombinada::spbQtdeClick() {}

void TfrmPromocaoCombinada::bldFiltroClick() {}

void TfrmPromocaoCombinada::bldFotoClick() {}

}  // namespace kvp::combinada
