#pragma once

// The window a screen runs in: a borderless dialog of the screen's size holding its
// FormView, centred, which hands every key to the screen and closes only when the screen
// asks to. QtTimerDriver runs the screen's timers on QTimers.

#include "formview.h"

#include <QDialog>
#include <QHash>
#include <QImage>

#include <memory>

class QTimer;

namespace kvp::ui {

class QtTimerDriver : public QObject, public screen::TimerDriver {
    Q_OBJECT
public:
    explicit QtTimerDriver(QObject* parent = nullptr);
    ~QtTimerDriver() override;

    // The timer ticks on a QTimer from now on.
    void attach(screen::ScreenTimer& timer);

    void start(screen::ScreenTimer& timer) override;
    void stop(screen::ScreenTimer& timer) override;
    void release(screen::ScreenTimer& timer) override;

    // Whether the timer is counting now.
    bool running(const screen::ScreenTimer& timer) const;

Q_SIGNALS:
    // A tick's handler has run.
    void ticked();

private:
    QHash<screen::ScreenTimer*, QTimer*> m_timers;
};

class ScreenDialog : public QDialog {
    Q_OBJECT
public:
    // The binding comes from bindingFor() unless one is given.
    explicit ScreenDialog(screen::Form& form, QWidget* parent = nullptr,
                          std::unique_ptr<FormBinding> binding = {});
    ~ScreenDialog() override;

    FormView* view() const { return m_view; }
    screen::Form& form() const { return m_view->form(); }

    // Runs the screen's show and then its activation, once. Later activations of the
    // window run the activation handler again.
    void start();
    bool started() const { return m_started; }

    // Ends the dialog when the screen has asked to close.
    void finishIfClosing();

    // The screen as drawn now.
    QImage screenshot() const;

protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

public Q_SLOTS:
    // Esc and the window manager's close button belong to the screen's own handlers.
    void reject() override {}

private:
    FormView* m_view = nullptr;
    bool m_started = false;
    bool m_finishing = false;
};

}  // namespace kvp::ui
