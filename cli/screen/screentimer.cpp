#include "screentimer.h"

#include <algorithm>

namespace kvp::screen {

ScreenTimer::ScreenTimer(QString name, int intervalMs)
    : m_name(std::move(name)), m_interval(intervalMs)
{
}

ScreenTimer::~ScreenTimer()
{
    attach(nullptr);
}

void ScreenTimer::setEnabled(bool on)
{
    m_enabled = on;
    if (!m_driver) {
        return;
    }
    if (on) {
        m_driver->start(*this);
    } else {
        m_driver->stop(*this);
    }
}

void ScreenTimer::fire()
{
    if (m_enabled && m_handler) {
        m_handler();
    }
}

void ScreenTimer::attach(TimerDriver* driver)
{
    if (m_driver == driver) {
        return;
    }
    TimerDriver* old = m_driver;
    m_driver = driver;
    if (old) {
        old->release(*this);
    }
    if (m_driver && m_enabled) {
        m_driver->start(*this);
    }
}

ManualClock::~ManualClock()
{
    detachAll();
}

void ManualClock::attach(ScreenTimer& timer)
{
    if (std::find(m_attached.begin(), m_attached.end(), &timer) == m_attached.end()) {
        m_attached.push_back(&timer);
    }
    timer.attach(this);
}

void ManualClock::start(ScreenTimer& timer)
{
    stop(timer);
    m_running.push_back({&timer, m_now + timer.interval()});
}

void ManualClock::stop(ScreenTimer& timer)
{
    std::erase_if(m_running, [&](const Entry& e) { return e.timer == &timer; });
}

void ManualClock::release(ScreenTimer& timer)
{
    stop(timer);
    std::erase(m_attached, &timer);
}

bool ManualClock::running(const ScreenTimer& timer) const
{
    return std::any_of(m_running.begin(), m_running.end(),
                       [&](const Entry& e) { return e.timer == &timer; });
}

void ManualClock::advance(int ms)
{
    const qint64 target = m_now + ms;
    for (;;) {
        auto due = std::min_element(
            m_running.begin(), m_running.end(),
            [](const Entry& a, const Entry& b) { return a.deadline < b.deadline; });
        if (due == m_running.end() || due->deadline > target) {
            break;
        }
        ScreenTimer* timer = due->timer;
        m_now = due->deadline;
        // Periodic, like any UI timer: the next tick is one interval later unless the
        // handler switches the timer off or restarts it.
        due->deadline += std::max(1, timer->interval());
        timer->fire();
    }
    m_now = target;
}

void ManualClock::detachAll()
{
    const std::vector<ScreenTimer*> attached = m_attached;
    for (ScreenTimer* t : attached) {
        t->attach(nullptr);
    }
    m_attached.clear();
    m_running.clear();
}

}  // namespace kvp::screen
