#include "blendedpaint.h"

#include <QPainter>
#include <QPixmap>

#include <algorithm>

namespace kvp::ui::detail {

QPainterPath roundedPath(const QRectF& bounds, int curvature, int outlineWidth)
{
    const qreal inset = std::max<qreal>(0.5, outlineWidth / 2.0);
    const QRectF r = bounds.adjusted(inset, inset, -inset, -inset);
    const qreal radius = std::min<qreal>(curvature / 2.0, std::min(r.width(), r.height()) / 2.0);
    QPainterPath path;
    if (radius <= 0)
        path.addRect(r);
    else
        path.addRoundedRect(r, radius, radius);
    return path;
}

void paintBlended(QPainter& painter, const QPainterPath& path, QColor fill, QColor outline,
                  int outlineWidth, int opacity)
{
    const int alpha = std::clamp(opacity, 0, 255);
    fill.setAlpha(fill.alpha() * alpha / 255);
    painter.fillPath(path, fill);
    if (outlineWidth > 0) {
        outline.setAlpha(outline.alpha() * alpha / 255);
        painter.strokePath(path, QPen(outline, outlineWidth));
    }
}

void drawPicture(QPainter& painter, const QRectF& target, const QPixmap& picture, int bandRows)
{
    const QRectF source(picture.rect());
    // The bands are cut in device rows, so a translated painter cuts them the same way.
    const QTransform toDevice = painter.transform();
    const QRect rows = toDevice.mapRect(target).toAlignedRect();
    if (bandRows <= 0 || rows.height() <= bandRows || toDevice.type() > QTransform::TxTranslate) {
        painter.drawPixmap(target, picture, source);
        return;
    }
    for (int top = rows.top(); top <= rows.bottom(); top += bandRows) {
        painter.save();
        painter.setTransform(QTransform());
        painter.setClipRect(QRect(rows.left(), top, rows.width(), bandRows), Qt::IntersectClip);
        painter.setTransform(toDevice);
        painter.drawPixmap(target, picture, source);
        painter.restore();
    }
}

void paintLock(QPainter& painter, const QRectF& bounds, const QColor& color)
{
    const qreal unit = std::clamp(std::min(bounds.width(), bounds.height()) / 4.0, 6.0, 12.0);
    const QRectF body(bounds.right() - unit * 1.6, bounds.top() + unit * 0.9, unit * 1.1,
                      unit * 0.85);
    painter.save();
    painter.setPen(QPen(color, std::max<qreal>(1.5, unit / 6.0)));
    painter.setBrush(Qt::NoBrush);
    const QRectF shackle(body.left() + body.width() * 0.2, body.top() - unit * 0.55,
                         body.width() * 0.6, unit * 0.9);
    painter.drawArc(shackle, 0, 180 * 16);
    painter.setBrush(color);
    painter.drawRoundedRect(body, 1.5, 1.5);
    painter.restore();
}

}  // namespace kvp::ui::detail
