#pragma once

// Runs the module's screens for a person: each modal run opens a ScreenDialog, drives
// the screen's timers with QTimers and ends when the screen asks to close. A screen
// opened from inside another stacks over it.

#include "presenter.h"

#include <QList>
#include <QPointer>

#include <functional>

class QWidget;

namespace kvp::ui {

class ScreenDialog;

class QtPresenter : public screen::ModalPresenter {
public:
    // The screens' fonts and the product pictures are made ready as soon as the host's
    // event loop is free: a host makes its presenter when it starts, long before the
    // first sale.
    explicit QtPresenter(QWidget* parent = nullptr);

    void runModal(screen::Form& form) override;
    void closeRequested(screen::Form& form) override;
    // Draws the current state at once. Touches and ticks that arrive meanwhile wait
    // until the running handler has returned, so no handler ever runs inside another.
    void repaint(screen::Form& form) override;

    // The screen on top, nullptr when none runs.
    ScreenDialog* current() const { return m_stack.isEmpty() ? nullptr : m_stack.last(); }
    // Called with the screen on top whenever it changes (nullptr when the last closes);
    // the host opens its own dialogs over it.
    std::function<void(QWidget*)> onTopScreen;

private:
    ScreenDialog* dialogOf(const screen::Form& form) const;

    QPointer<QWidget> m_parent;
    QList<ScreenDialog*> m_stack;
};

}  // namespace kvp::ui
