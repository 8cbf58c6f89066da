#pragma once

// How the host turns a person's choices into what the module reads back: the answer
// slots of the observation and coupon dialogs, and the rows a search offers. Shared by
// every dialog driver, so a scripted answer and a touched one fill the same slots.

#include "dialogdriver.h"
#include "hostservices.h"

namespace kvp::refhost {

// The observation answer the selection screen reads:
//   slot 0  the occurrence group (CDGRPOCOR) of the chosen occurrences, "" when none
//   slot 2  a data packet of the chosen occurrences' CDOCORR
//   slot 3  the text the operator typed
//   slot 4  a data packet of IDCONTROLAOBS, CDPRODUTO, CDOCORR of each chosen occurrence
// Slots 2 and 4 always hold a packet (empty when nothing was chosen or the dialog was
// cancelled), because the screen loads slot 4 even when nothing was chosen. Returns the
// observation text: the chosen descriptions and the typed text joined with ", "; "" when
// nothing was chosen, "erro" when the dialog was cancelled.
// Raises HostError for a row that does not exist or occurrences of different groups,
// which one answer cannot carry.
QString fillObservationAnswer(const DataPacket& occurrences, const ObservationChoice& choice,
                              HostAnswer& answer);

// The coupon answer: slot 4 holds the typed code (trimmed, never cut), ""
// when cancelled; every other slot is empty.
void fillCouponAnswer(const std::optional<QString>& code, HostAnswer& answer);

// The rows a dataset currently shows (its filter and index applied), with its field
// display settings; the cursor is left where it was.
DataPacket visibleRows(DataSet& dataset);

}  // namespace kvp::refhost
