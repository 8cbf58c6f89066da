#pragma once

// A filled shape with transparency and rounded corners, drawn antialiased: the coloured
// backgrounds and frames of the touch screens.

#include <QColor>
#include <QWidget>

namespace kvp::ui {

class BlendedShape : public QWidget {
    Q_OBJECT
public:
    explicit BlendedShape(QWidget* parent = nullptr);

    void setFillColor(const QColor& color);
    QColor fillColor() const { return m_fill; }
    // 0 draws no outline.
    void setOutline(const QColor& color, int width);
    QColor outlineColor() const { return m_outline; }
    int outlineWidth() const { return m_outlineWidth; }
    // 0 is fully transparent, 255 opaque; applies to fill and outline alike.
    void setOpacity(int alpha);
    int opacity() const { return m_opacity; }
    // Diameter of the ellipse that rounds each corner, in pixels; 0 gives square corners.
    void setCornerCurvature(int curvature);
    int cornerCurvature() const { return m_curvature; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor m_fill = Qt::white;
    QColor m_outline = Qt::black;
    int m_outlineWidth = 0;
    int m_opacity = 255;
    int m_curvature = 0;
};

}  // namespace kvp::ui
