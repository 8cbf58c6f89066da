#include "screendialog.h"

#include "combinadabinding.h"
#include "realdisplay.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QScreen>
#include <QTimer>

namespace kvp::ui {

// --- QtTimerDriver ---

QtTimerDriver::QtTimerDriver(QObject* parent) : QObject(parent) {}

QtTimerDriver::~QtTimerDriver()
{
    const QList<screen::ScreenTimer*> timers = m_timers.keys();
    for (screen::ScreenTimer* t : timers) {
        if (t->driver() == this)
            t->attach(nullptr);
    }
    qDeleteAll(m_timers);
}

void QtTimerDriver::attach(screen::ScreenTimer& timer)
{
    if (!m_timers.contains(&timer)) {
        auto* qt = new QTimer(this);
        qt->setTimerType(Qt::PreciseTimer);
        connect(qt, &QTimer::timeout, this, [this, t = &timer] {
            t->fire();
            Q_EMIT ticked();
        });
        m_timers.insert(&timer, qt);
    }
    timer.attach(this);
}

void QtTimerDriver::start(screen::ScreenTimer& timer)
{
    if (QTimer* qt = m_timers.value(&timer))
        qt->start(std::max(1, timer.interval()));
}

void QtTimerDriver::stop(screen::ScreenTimer& timer)
{
    if (QTimer* qt = m_timers.value(&timer))
        qt->stop();
}

void QtTimerDriver::release(screen::ScreenTimer& timer)
{
    if (QTimer* qt = m_timers.take(&timer)) {
        qt->stop();
        qt->deleteLater();
    }
}

bool QtTimerDriver::running(const screen::ScreenTimer& timer) const
{
    const QTimer* qt = m_timers.value(const_cast<screen::ScreenTimer*>(&timer));
    return qt && qt->isActive();
}

// --- ScreenDialog ---

ScreenDialog::ScreenDialog(screen::Form& form, QWidget* parent,
                           std::unique_ptr<FormBinding> binding)
    : QDialog(parent)
{
    const screen::FormFrame& frame = form.frame;
    Qt::WindowFlags flags = Qt::Dialog;
    if (frame.borderless)
        flags |= Qt::FramelessWindowHint;
    setWindowFlags(flags);
    setModal(true);
    setWindowTitle(form.name());
    m_view = new FormView(form, binding ? std::move(binding) : bindingFor(form), this);
    setFixedSize(m_view->size());
    connect(m_view, &FormView::handled, this, &ScreenDialog::finishIfClosing);
    setFocusProxy(m_view);

    // A till's display may be small or scaled: the screen lies whole on it, centred where
    // its layout asks and the display allows, or the log says in one line why it cannot.
    QString notice;
    if (frame.centred) {
        notice = placeOnDisplay(this, nullptr);
    } else {
        move(frame.bounds.left, frame.bounds.top);
        const QScreen* screen = this->screen();
        if (screen && !screen->availableGeometry().contains(frameGeometry()))
            notice = placeOnDisplay(this, nullptr);
    }
    if (!notice.isEmpty())
        noticeDisplay(notice);
}

ScreenDialog::~ScreenDialog() = default;

void ScreenDialog::start()
{
    if (m_started)
        return;
    m_started = true;
    screen::Form& f = form();
    m_view->deliver([&f] { f.shown(); });
    if (!f.closeRequested())
        m_view->deliver([&f] { f.activated(); });
    finishIfClosing();
}

void ScreenDialog::finishIfClosing()
{
    if (m_finishing || !form().closeRequested())
        return;
    m_finishing = true;
    done(QDialog::Accepted);
}

QImage ScreenDialog::screenshot() const
{
    m_view->sync();
    return m_view->grab().toImage();
}

bool ScreenDialog::event(QEvent* event)
{
    // Coming back to the screen (a message closed) runs its activation again, but never
    // in the middle of one of its handlers.
    if (event->type() == QEvent::WindowActivate && m_started && !m_finishing &&
        !m_view->busy() && !form().closeRequested()) {
        screen::Form& f = form();
        QTimer::singleShot(0, this, [this, &f] {
            if (!m_finishing && !m_view->busy() && !f.closeRequested())
                m_view->deliver([&f] { f.activated(); });
        });
    }
    return QDialog::event(event);
}

void ScreenDialog::keyPressEvent(QKeyEvent* event)
{
    event->accept();
    m_view->deliverKey(event->key(), event->text());
}

void ScreenDialog::closeEvent(QCloseEvent* event)
{
    if (!m_finishing)
        event->ignore();
    else
        QDialog::closeEvent(event);
}

}  // namespace kvp::ui
