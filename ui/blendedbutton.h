#pragma once

// Touch buttons of the screens: rounded, blended, white bold captions. They act on the
// press of a finger (or mouse button), not on its release, so a touch screen never needs
// a second tap. A disabled button is painted faded with a padlock: a locked group stays
// recognisable but plainly unavailable.

#include <QColor>
#include <QPixmap>
#include <QWidget>

#include <functional>

namespace kvp::ui {

class BlendedButton : public QWidget {
    Q_OBJECT
public:
    explicit BlendedButton(QWidget* parent = nullptr);
    explicit BlendedButton(const QString& caption, QWidget* parent = nullptr);

    void setCaption(const QString& caption);
    QString caption() const { return m_caption; }
    void setColor(const QColor& color);
    QColor color() const { return m_color; }
    void setCaptionColor(const QColor& color);
    QColor captionColor() const { return m_captionColor; }
    void setOutline(const QColor& color, int width);
    // 0 is fully transparent, 255 opaque.
    void setOpacity(int alpha);
    int opacity() const { return m_opacity; }
    // Diameter of the ellipse that rounds each corner; 0 gives square corners.
    void setCornerCurvature(int curvature);
    int cornerCurvature() const { return m_curvature; }

    // The latched down state the screens set (a selected group, a chosen occurrence).
    void SetDown(bool down);
    bool isDown() const { return m_down; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

    // A caption too long for its button is drawn smaller, a pixel at a time, down to this.
    static constexpr int kSmallestFittedPixelSize = 8;

Q_SIGNALS:
    // Emitted on press. A handler may hide, disable or deleteLater() the button.
    void clicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void hideEvent(QHideEvent* event) override;

    // Draws what sits on the button's face (the caption here); inner is the face's rectangle.
    virtual void paintFace(QPainter& painter, const QRectF& inner);
    void paintCaption(QPainter& painter, const QRectF& area, int flags) const;
    // The button's font, shrunk until the caption fits the box (down to
    // kSmallestFittedPixelSize).
    QFont fittedFont(const QRect& box, int flags) const;
    bool looksDown() const { return m_down || m_pressing; }

private:
    QString m_caption;
    QColor m_color;
    QColor m_captionColor = Qt::white;
    QColor m_outline = Qt::black;
    int m_outlineWidth = 0;
    int m_opacity = 255;
    int m_curvature = 16;
    bool m_down = false;
    bool m_pressing = false;  // finger held on the button
};

// A button with a picture and a caption. PictureOnly fills the whole rounded face with
// the picture, stretched (the tray's product buttons).
class BlendedBitBtn : public BlendedButton {
    Q_OBJECT
public:
    enum class Layout { PictureLeft, PictureTop, PictureOnly };

    explicit BlendedBitBtn(QWidget* parent = nullptr);
    BlendedBitBtn(const QPixmap& picture, const QString& caption, QWidget* parent = nullptr);

    void setPicture(const QPixmap& picture);
    // The picture, made only when the button is first drawn or asked for it: a screen
    // sets pictures on buttons that are hidden or replaced before they are ever seen.
    void setPictureSource(std::function<QPixmap()> source);
    QPixmap picture() const;
    void setLayout(Layout layout);
    Layout layout() const { return m_layout; }

    QSize sizeHint() const override;

protected:
    void paintFace(QPainter& painter, const QRectF& inner) override;

private:
    const QPixmap& resolvedPicture() const;

    mutable QPixmap m_picture;
    mutable std::function<QPixmap()> m_source;  // pending until the picture is needed
    Layout m_layout = Layout::PictureLeft;
};

}  // namespace kvp::ui
