#include "blendedshape.h"

#include "blendedpaint.h"

#include <QPainter>

namespace kvp::ui {

BlendedShape::BlendedShape(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_TranslucentBackground);
}

void BlendedShape::setFillColor(const QColor& color)
{
    m_fill = color;
    update();
}

void BlendedShape::setOutline(const QColor& color, int width)
{
    m_outline = color;
    m_outlineWidth = width < 0 ? 0 : width;
    update();
}

void BlendedShape::setOpacity(int alpha)
{
    m_opacity = alpha;
    update();
}

void BlendedShape::setCornerCurvature(int curvature)
{
    m_curvature = curvature < 0 ? 0 : curvature;
    update();
}

void BlendedShape::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    detail::paintBlended(p, detail::roundedPath(rect(), m_curvature, m_outlineWidth), m_fill,
                         m_outline, m_outlineWidth, m_opacity);
}

}  // namespace kvp::ui
