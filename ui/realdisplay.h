#pragma once

// What a window looks like on the display server, as opposed to what its widgets would
// draw: the pixels read back from the server, waits for exposure and keyboard focus, and
// the placement that keeps a screen or dialog on the display whatever its size and scale.

#include <QImage>
#include <QString>

class QWidget;

namespace kvp::ui {

// True on a real window system (xcb, wayland...); false offscreen or minimal, where
// nothing is shown and the widgets' own rendering is all there is.
bool onRealDisplay();

// Runs the event loop until the window is exposed on the display and has painted, or the
// time runs out (false). Event driven: it returns as soon as the server says so.
bool waitUntilExposed(QWidget* window, int timeoutMs);

// Runs the event loop until the window holds the keyboard focus, or the time runs out.
bool waitUntilFocused(QWidget* window, int timeoutMs);

// Handles what is pending (repaints, activation, deferred deletions) and makes sure the
// server has every drawing request before the next read.
void settle();

// The window's client area as the display server shows it now: whatever lies on top of
// it included, the frame a window manager draws excluded.
QImage shownOnDisplay(const QWidget* window);

// Runs the event loop until the display shows the window as its widgets draw it, or the
// time runs out; returns the pixels that still differ (0: it does) with both pictures.
// A window manager maps, moves and unmaps frames in its own time: the display is looked
// at again on every event, and a difference that outlasts the wait is a real one.
qsizetype waitUntilShownAsDrawn(QWidget* window, int timeoutMs, QImage* shown, QImage* drawn);

// Moves a top-level window so that it lies whole on the free area of its screen, centred
// over `anchor` (or the screen) where it fits. Returns an empty text, or one line that
// says why it cannot lie whole on a real display (it is then placed from the area's top-left
// corner so that its header and first controls show).
QString placeOnDisplay(QWidget* window, const QWidget* anchor);

// Writes placeOnDisplay's one-line reason on standard error.
void noticeDisplay(const QString& line);

// Once per process: when a modal dialog closes, the keyboard focus goes back to the window
// below it. Without a window manager the X server hands it to the root window instead,
// and the keys an operator types next would reach nothing.
void installFocusReturn();

}  // namespace kvp::ui
