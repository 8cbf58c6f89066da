#pragma once

// Drawing shared by the blended shape and buttons, so every touch control rounds and
// blends its corners the same way.

#include <QColor>
#include <QPainterPath>
#include <QRectF>

class QPainter;
class QPixmap;

namespace kvp::ui::detail {

// The rounded outline of a control of the given size, inset by half the outline width so
// a thick outline stays inside the widget.
QPainterPath roundedPath(const QRectF& bounds, int curvature, int outlineWidth);

void paintBlended(QPainter& painter, const QPainterPath& path, QColor fill, QColor outline,
                  int outlineWidth, int opacity);

// Draws the whole picture scaled into target, a band of bandRows rows at a time: Qt's
// raster engine hands a scaled, clipped draw of more than about a hundred spans to its
// thread pool in pieces and waits for them, and on a till's few cores that hand-off costs
// more than the drawing. Each band's pixels are those one whole draw gives them.
inline constexpr int kPictureBandRows = 16;
void drawPicture(QPainter& painter, const QRectF& target, const QPixmap& picture,
                 int bandRows = kPictureBandRows);

// A small padlock in the top right corner of a locked control.
void paintLock(QPainter& painter, const QRectF& bounds, const QColor& color);

}  // namespace kvp::ui::detail
