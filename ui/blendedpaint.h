#pragma once

// Drawing shared by the blended shape and buttons, so every touch control rounds and
// blends its corners the same way.

#include <QColor>
#include <QPainterPath>
#include <QRectF>

class QPainter;

namespace kvp::ui::detail {

// The rounded outline of a control of the given size, inset by half the outline width so
// a thick outline stays inside the widget.
QPainterPath roundedPath(const QRectF& bounds, int curvature, int outlineWidth);

void paintBlended(QPainter& painter, const QPainterPath& path, QColor fill, QColor outline,
                  int outlineWidth, int opacity);

// A small padlock in the top right corner of a locked control.
void paintLock(QPainter& painter, const QRectF& bounds, const QColor& color);

}  // namespace kvp::ui::detail
