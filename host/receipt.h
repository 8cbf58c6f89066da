#pragma once

// What the module handed back, written out: the stable line format of the headless
// mode (one line per item, observation and controlled observation, then the result; see
// SCRIPTS.md) and the readable receipt of the sale window.

#include "dataset.h"

#include <QString>
#include <QStringList>

namespace kvp::refhost {

// A value as the stable format writes it: text in double quotes (\" \\ \n \r \t
// escaped), numbers in C notation with up to 15 significant digits, dates in ISO form,
// null as null.
QString stableValue(const FieldDef& field, const QVariant& value);
// "NAME=value" for every field of the current row, in field order, blank separated.
QString stableRow(const DataSet& dataset);
// A text in double quotes with the escapes of stableValue.
QString quoted(const QString& text);

// "items N", N "item ..." lines, "observations N", "obs ..." lines, "controlled N",
// "ctobs ..." lines, then "result true|false".
QStringList stableResult(DataSet& items, DataSet& observations, DataSet& controlled,
                         bool result);

// Puts the lines handed back on the sale: appended to the items-sold dataset the host
// hands the module on its next call (the fields both datasets have).
void appendSold(DataSet& sold, DataSet& items);

// The lines of one combo sold, for a person: each item with quantity, unit price and
// discounts, its observations under it, then the controlled observations.
QStringList receiptLines(const QString& heading, DataSet& items, DataSet& observations,
                         DataSet& controlled);

}  // namespace kvp::refhost
