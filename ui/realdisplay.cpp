#include "realdisplay.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QDialog>
#include <QPixmap>
#include <QPointer>
#include <QScreen>
#include <QTimer>
#include <QWidget>
#include <QWindow>

#include <cstdio>

namespace kvp::ui {

namespace {

// Runs the event loop until `done` holds or the deadline passes, waking for every event
// the window system sends (and at least every 50 ms to look again).
bool runUntil(const std::function<bool()>& done, int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    }
    settle();
    return true;
}

QImage asRgb32(const QImage& image)
{
    return image.convertToFormat(QImage::Format_RGB32);
}

// The window as its widgets draw it, in the format of shownOnDisplay().
QImage renderedByWidgets(QWidget* window)
{
    return asRgb32(window->grab().toImage());
}

qsizetype differingPixels(const QImage& a, const QImage& b)
{
    // Under a fractional scale the window's device size and its rendering's may round
    // apart by a pixel; anything more is a real difference.
    const QSize common = a.size().boundedTo(b.size());
    const QSize gap = a.size().expandedTo(b.size()) - common;
    if (gap.width() > 1 || gap.height() > 1)
        return qsizetype(std::max(a.width(), b.width())) * std::max(a.height(), b.height());
    const QImage x = asRgb32(a);
    const QImage y = asRgb32(b);
    qsizetype differing = 0;
    for (int row = 0; row < common.height(); ++row) {
        const auto* p = reinterpret_cast<const QRgb*>(x.constScanLine(row));
        const auto* q = reinterpret_cast<const QRgb*>(y.constScanLine(row));
        for (int col = 0; col < common.width(); ++col) {
            if ((p[col] & 0xffffff) != (q[col] & 0xffffff))
                ++differing;
        }
    }
    return differing;
}

class FocusReturn : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::Hide || !watched->isWidgetType())
            return false;
        auto* dialog = qobject_cast<QDialog*>(watched);
        if (!dialog || !dialog->isWindow() || dialog->windowModality() == Qt::NonModal)
            return false;
        QPointer<QWidget> below = dialog->parentWidget() ? dialog->parentWidget()->window() : nullptr;
        // Once the closing has run its course: another modal dialog may still be up, and
        // a window manager may already have handed the focus on.
        QTimer::singleShot(0, qApp, [below] {
            QWidget* target = QApplication::activeModalWidget();
            if (!target)
                target = below;
            if (!target || !target->isVisible())
                return;
            const QWindow* focus = QGuiApplication::focusWindow();
            if (focus && focus->isVisible())
                return;
            target->activateWindow();
        });
        return false;
    }
};

}  // namespace

bool onRealDisplay()
{
    const QString platform = QGuiApplication::platformName();
    return !platform.isEmpty() && platform != QLatin1String("offscreen") &&
           platform != QLatin1String("minimal");
}

bool waitUntilExposed(QWidget* window, int timeoutMs)
{
    return runUntil(
        [window] {
            const QWindow* handle = window->windowHandle();
            return handle && handle->isExposed();
        },
        timeoutMs);
}

bool waitUntilFocused(QWidget* window, int timeoutMs)
{
    return runUntil(
        [window] {
            const QWindow* handle = window->windowHandle();
            return handle && QGuiApplication::focusWindow() == handle;
        },
        timeoutMs);
}

void settle()
{
    // A repaint may post another (a layout settling), so a few rounds.
    for (int i = 0; i < 4; ++i) {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCoreApplication::processEvents(QEventLoop::AllEvents);
    }
}

QImage shownOnDisplay(const QWidget* window)
{
    QScreen* screen = window->screen();
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (!screen)
        return {};
    // The server places the window (a window manager may have moved it since Qt last
    // heard) and hands back what the display shows over its client area.
    const QPixmap shown = screen->grabWindow(window->winId());
    return asRgb32(shown.toImage());
}

qsizetype waitUntilShownAsDrawn(QWidget* window, int timeoutMs, QImage* shown, QImage* drawn)
{
    const QDeadlineTimer deadline(timeoutMs);
    for (;;) {
        settle();
        *shown = shownOnDisplay(window);
        *drawn = renderedByWidgets(window);
        const qsizetype differing = differingPixels(*shown, *drawn);
        if (differing == 0 || deadline.hasExpired())
            return differing;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    }
}

QString placeOnDisplay(QWidget* window, const QWidget* anchor)
{
    const QWidget* anchorWindow = anchor ? anchor->window() : nullptr;
    QScreen* screen = anchorWindow ? anchorWindow->screen() : window->screen();
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (!screen)
        return {};
    const QRect area = screen->availableGeometry();
    const QSize size = window->frameGeometry().size();
    const QRect around =
        anchorWindow && anchorWindow->isVisible() ? anchorWindow->frameGeometry() : area;
    QPoint at = around.center() - QPoint(size.width() / 2, size.height() / 2);
    const bool fitsWide = size.width() <= area.width();
    const bool fitsHigh = size.height() <= area.height();
    at.setX(fitsWide ? std::clamp(at.x(), area.left(), area.right() + 1 - size.width()) : area.left());
    at.setY(fitsHigh ? std::clamp(at.y(), area.top(), area.bottom() + 1 - size.height()) : area.top());
    window->move(at);
    // Offscreen there is no display to fit (its screen is a nominal 800x800).
    if ((fitsWide && fitsHigh) || !onRealDisplay())
        return {};
    const QString name = window->objectName().isEmpty() ? window->windowTitle() : window->objectName();
    return QStringLiteral("%1 (%2x%3) does not fit the display's free area (%4x%5 at scale %6): "
                          "shown from its top-left corner")
        .arg(name)
        .arg(size.width())
        .arg(size.height())
        .arg(area.width())
        .arg(area.height())
        .arg(screen->devicePixelRatio());
}

void noticeDisplay(const QString& line)
{
    std::fprintf(stderr, "%s\n", line.toLocal8Bit().constData());
}

void installFocusReturn()
{
    static QPointer<FocusReturn> installed;
    if (installed || !qApp)
        return;
    installed = new FocusReturn(qApp);
    qApp->installEventFilter(installed);
}

}  // namespace kvp::ui
