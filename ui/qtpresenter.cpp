#include "qtpresenter.h"

#include "realdisplay.h"
#include "screendialog.h"
#include "warmup.h"

#include <QTimer>

namespace kvp::ui {

QtPresenter::QtPresenter(QWidget* parent) : m_parent(parent)
{
    installFocusReturn();
    warmUpWhenIdle();
}

ScreenDialog* QtPresenter::dialogOf(const screen::Form& form) const
{
    for (ScreenDialog* d : m_stack) {
        if (&d->form() == &form)
            return d;
    }
    return nullptr;
}

void QtPresenter::runModal(screen::Form& form)
{
    ScreenDialog dialog(form, m_stack.isEmpty() ? m_parent.data() : m_stack.last());
    QtTimerDriver timers;
    for (screen::ScreenTimer* t : form.timers())
        timers.attach(*t);
    QObject::connect(&timers, &QtTimerDriver::ticked, &dialog, &ScreenDialog::finishIfClosing);

    m_stack.append(&dialog);
    if (onTopScreen)
        onTopScreen(&dialog);
    // Show and activation run once the window is up, inside its own event loop.
    QTimer::singleShot(0, &dialog, [&dialog] { dialog.start(); });
    dialog.exec();
    m_stack.removeAll(&dialog);
    if (onTopScreen)
        onTopScreen(current());
    for (screen::ScreenTimer* t : form.timers())
        t->attach(nullptr);
}

void QtPresenter::closeRequested(screen::Form& form)
{
    // The run ends when the handler that asked returns; the dialog checks after every
    // handler, and once more from the event loop in case the request came from elsewhere.
    if (ScreenDialog* d = dialogOf(form))
        QTimer::singleShot(0, d, [d] { d->finishIfClosing(); });
}

void QtPresenter::repaint(screen::Form& form)
{
    if (ScreenDialog* d = dialogOf(form)) {
        d->view()->sync();
        d->view()->paintChanges();
    }
}

}  // namespace kvp::ui
