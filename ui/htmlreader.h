#pragma once

// A reader of the HTML some shops store their preparation notes in, giving the same
// document the RTF reader gives: paragraphs of bold, italic and underlined runs. Line
// breaks, paragraphs, headings, list items (with a bullet or their number) and table rows
// start new lines; table cells are parted by tabs; entities are decoded.
//
// Nothing else of the page is kept: no tables, pictures, links, styles, scripts or
// frames, so showing a note never loads a resource, and no nesting the shop wrote reaches
// the text view. One pass over the text, with memory in proportion to it.

#include "rtfreader.h"

namespace kvp::ui::html {

rtf::Document parse(const QString& html);

}  // namespace kvp::ui::html
