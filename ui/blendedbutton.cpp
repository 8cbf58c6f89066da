#include "blendedbutton.h"

#include "blendedpaint.h"
#include "colors.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QHash>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>

#include <algorithm>
#include <utility>

namespace kvp::ui {

namespace {
constexpr int kPadding = 6;
constexpr int kMinTouch = 44;  // smallest comfortable finger target, in pixels
}  // namespace

BlendedButton::BlendedButton(QWidget* parent) : BlendedButton(QString(), parent) {}

BlendedButton::BlendedButton(const QString& caption, QWidget* parent)
    : QWidget(parent), m_caption(caption), m_color(colorFromBgr(kAccentBgr))
{
    setAttribute(Qt::WA_TranslucentBackground);
    setCursor(Qt::PointingHandCursor);
    // Keys belong to the screen, never to a button.
    setFocusPolicy(Qt::NoFocus);
    QFont f = font();
    f.setBold(true);
    setFont(f);
}

void BlendedButton::setCaption(const QString& caption)
{
    m_caption = caption;
    updateGeometry();
    update();
}

void BlendedButton::setColor(const QColor& color)
{
    m_color = color;
    update();
}

void BlendedButton::setCaptionColor(const QColor& color)
{
    m_captionColor = color;
    update();
}

void BlendedButton::setOutline(const QColor& color, int width)
{
    m_outline = color;
    m_outlineWidth = std::max(0, width);
    update();
}

void BlendedButton::setOpacity(int alpha)
{
    m_opacity = alpha;
    update();
}

void BlendedButton::setCornerCurvature(int curvature)
{
    m_curvature = std::max(0, curvature);
    update();
}

void BlendedButton::SetDown(bool down)
{
    if (m_down == down)
        return;
    m_down = down;
    update();
}

QSize BlendedButton::sizeHint() const
{
    const QFontMetrics fm(font());
    const QSize text = fm.size(Qt::TextSingleLine, m_caption);
    return {std::max(kMinTouch, text.width() + 4 * kPadding),
            std::max(kMinTouch, text.height() + 2 * kPadding)};
}

QSize BlendedButton::minimumSizeHint() const
{
    return {kMinTouch, kMinTouch};
}

void BlendedButton::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    QColor fill = isEnabled() ? m_color : lockedColor(m_color);
    if (looksDown())
        fill = fill.darker(140);
    const QPainterPath path = detail::roundedPath(rect(), m_curvature, m_outlineWidth);
    detail::paintBlended(p, path, fill, m_outline, m_outlineWidth, m_opacity);

    QRectF inner =
        path.boundingRect().adjusted(kPadding, kPadding / 2.0, -kPadding, -kPadding / 2.0);
    if (looksDown())
        inner.translate(1, 1);  // the face sinks a little while held
    p.save();
    p.setClipPath(path);
    paintFace(p, inner);
    p.restore();
    if (!isEnabled())
        detail::paintLock(p, QRectF(rect()), QColor(70, 70, 70));
}

void BlendedButton::paintFace(QPainter& painter, const QRectF& inner)
{
    paintCaption(painter, inner, Qt::AlignCenter);
}

void BlendedButton::paintCaption(QPainter& painter, const QRectF& area, int flags) const
{
    if (m_caption.isEmpty())
        return;
    QColor c = m_captionColor;
    if (!isEnabled())
        c = QColor(250, 250, 250, 210);
    painter.setPen(c);
    const QRect box = area.toAlignedRect();
    painter.setFont(fittedFont(box, flags));
    painter.drawText(area, flags | Qt::TextWordWrap, m_caption);
}

QFont BlendedButton::fittedFont(const QRect& box, int flags) const
{
    // Fitting measures the text again and again; the same caption in the same box and
    // font fits the same way on every paint and in every sale.
    static QHash<QString, QFont> fitted;
    static const bool cleared = [] {
        qAddPostRoutine([] { fitted.clear(); });  // fonts must go before the application
        return true;
    }();
    Q_UNUSED(cleared);
    const QString key = m_caption + QChar(0x1f) + font().key() + QChar(0x1f) +
                        QString::number(box.width()) + QLatin1Char('x') + QString::number(box.height()) +
                        QLatin1Char('/') + QString::number(flags);
    if (const auto it = fitted.constFind(key); it != fitted.cend())
        return *it;
    if (fitted.size() > 4096)
        fitted.clear();
    // A long word ("Acompanhamentos") must not be cut: shrink the font until it fits.
    QFont f = font();
    const auto fits = [&](const QFont& candidate) {
        const QRect need =
            QFontMetrics(candidate).boundingRect(box, flags | Qt::TextWordWrap, m_caption);
        return need.width() <= box.width() && need.height() <= box.height();
    };
    while (!fits(f)) {
        if (f.pixelSize() > 0) {
            if (f.pixelSize() <= kSmallestFittedPixelSize)
                break;
            f.setPixelSize(f.pixelSize() - 1);
        } else {
            if (f.pointSizeF() <= 6.0)
                break;
            f.setPointSizeF(f.pointSizeF() - 0.5);
        }
    }
    fitted.insert(key, f);
    return f;
}

void BlendedButton::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    event->accept();
    m_pressing = true;
    update();
    const QPointer<BlendedButton> self(this);
    Q_EMIT clicked();
    if (!self)
        return;
    // A handler that ran a modal dialog swallowed the release; do not stay pressed.
    if (!(QGuiApplication::mouseButtons() & Qt::LeftButton)) {
        m_pressing = false;
        update();
    }
}

void BlendedButton::mouseReleaseEvent(QMouseEvent* event)
{
    event->accept();
    if (m_pressing) {
        m_pressing = false;
        update();
    }
}

void BlendedButton::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::EnabledChange) {
        m_pressing = false;
        update();
    }
    QWidget::changeEvent(event);
}

void BlendedButton::hideEvent(QHideEvent* event)
{
    m_pressing = false;
    QWidget::hideEvent(event);
}

// --- BlendedBitBtn ---

BlendedBitBtn::BlendedBitBtn(QWidget* parent) : BlendedButton(parent) {}

BlendedBitBtn::BlendedBitBtn(const QPixmap& picture, const QString& caption, QWidget* parent)
    : BlendedButton(caption, parent), m_picture(picture)
{
}

void BlendedBitBtn::setPicture(const QPixmap& picture)
{
    m_source = nullptr;
    m_picture = picture;
    updateGeometry();
    update();
}

void BlendedBitBtn::setPictureSource(std::function<QPixmap()> source)
{
    m_source = std::move(source);
    m_picture = QPixmap();
    updateGeometry();
    update();
}

const QPixmap& BlendedBitBtn::resolvedPicture() const
{
    if (m_source)
        m_picture = std::exchange(m_source, nullptr)();
    return m_picture;
}

QPixmap BlendedBitBtn::picture() const
{
    return resolvedPicture();
}

void BlendedBitBtn::setLayout(Layout layout)
{
    m_layout = layout;
    updateGeometry();
    update();
}

QSize BlendedBitBtn::sizeHint() const
{
    const QPixmap& picture = resolvedPicture();
    QSize s = BlendedButton::sizeHint();
    if (picture.isNull() || m_layout == Layout::PictureOnly)
        return m_layout == Layout::PictureOnly && !picture.isNull() ? picture.size() : s;
    const int side = std::min(32, picture.height());
    if (m_layout == Layout::PictureLeft)
        return {s.width() + side + kPadding, std::max(s.height(), side + kPadding * 2)};
    return {std::max(s.width(), side + kPadding * 2), s.height() + side + kPadding};
}

void BlendedBitBtn::paintFace(QPainter& painter, const QRectF& inner)
{
    const QPixmap& picture = resolvedPicture();
    if (!isEnabled())
        painter.setOpacity(0.45);
    if (m_layout == Layout::PictureOnly) {
        if (!picture.isNull())
            detail::drawPicture(painter, QRectF(rect()), picture);
        painter.setOpacity(1.0);
        paintCaption(painter, inner, Qt::AlignHCenter | Qt::AlignBottom);
        return;
    }
    QRectF pictureArea;
    QRectF captionArea = inner;
    if (m_layout == Layout::PictureLeft) {
        const qreal side = std::min(inner.height(), inner.width() / 2.0);
        pictureArea = QRectF(inner.left(), inner.center().y() - side / 2.0, side, side);
        captionArea.setLeft(pictureArea.right() + kPadding);
    } else {
        const qreal side = std::min(inner.width(), inner.height() * 0.6);
        pictureArea = QRectF(inner.center().x() - side / 2.0, inner.top(), side, side);
        captionArea.setTop(pictureArea.bottom() + 2);
    }
    if (!picture.isNull()) {
        const QSizeF fit = QSizeF(picture.size()).scaled(pictureArea.size(), Qt::KeepAspectRatio);
        const QRectF target(pictureArea.center().x() - fit.width() / 2.0,
                            pictureArea.center().y() - fit.height() / 2.0, fit.width(),
                            fit.height());
        detail::drawPicture(painter, target, picture);
    }
    painter.setOpacity(1.0);
    if (picture.isNull())
        captionArea = inner;
    paintCaption(painter, captionArea, Qt::AlignCenter);
}

}  // namespace kvp::ui
