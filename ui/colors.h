#pragma once

// Colours of the touch screens. Layouts store colours as 24-bit integers in blue-green-red
// order (the low byte is red), so every colour read from a layout goes through here.

#include <QColor>

namespace kvp::ui {

// The screens' accent colour (frame, header, group buttons).
inline constexpr int kAccentBgr = 2907084;

QColor colorFromBgr(int bgr);
int bgrFromColor(const QColor& color);

// The colour a disabled (locked) control is painted with: the own colour faded to grey,
// so a locked button still shows which one it is.
QColor lockedColor(const QColor& color);

}  // namespace kvp::ui
