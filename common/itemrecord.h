#pragma once

// Field definitions of the item record exchanged with the host and of the screens'
// companion datasets, in one place so that the screens, the host and the tests create
// them identically.

#include "dataset.h"

namespace kvp::records {

// The 33 fields of the item dataset, in order.
FieldDefs itemProd();
// The add screen's item dataset: the same without NRSEQITEMADD, NRSEQ_ORD,
// VRACRITVENDAEST, VRDESCDIA, CDGRUPROMOCORIG, IDDESCCAMP and NRSEQITCANC.
FieldDefs itemProdAdd();
// The first 17 fields of the item dataset (the confirmation's working copy).
FieldDefs itemProdAux();

FieldDefs obsItens();      // order observations of the lines
FieldDefs obsItensAdd();   // without NRSEQITCANC
FieldDefs prodCtObs();     // controlled observations
FieldDefs prodCtObsAdd();  // without IDIMPGRPROMO and NRSEQITCANC

FieldDefs retornaPreco();     // the price record filled by the host's price function
FieldDefs aliqImpFis();       // the host's tax-rate file
FieldDefs cupomDescVenda();   // coupons used in this sale
FieldDefs cuponsValidos();    // coupons valid for a product
FieldDefs obs();              // occurrences offered by the observation screen
FieldDefs roteiro();          // preparation text
FieldDefs ocorrencia();       // occurrences chosen on the observation screen
FieldDefs controlaObs();      // controlled observations chosen on the observation screen

// Creates a dataset of the given name from definitions, open and empty.
DataSet make(const QString& name, const FieldDefs& defs);

}  // namespace kvp::records
