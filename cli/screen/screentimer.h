#pragma once

// A screen's timer as plain state plus a driver that produces the ticks: a QTimer in the
// view, a manual clock in tests and in the headless host. The screen only switches the
// timer on and off; whoever drives it calls fire() when the interval has passed.

#include <QString>

#include <functional>
#include <vector>

namespace kvp::screen {

class ScreenTimer;

class TimerDriver {
public:
    virtual ~TimerDriver() = default;
    // Count the interval from now; a running count starts over.
    virtual void start(ScreenTimer& timer) = 0;
    virtual void stop(ScreenTimer& timer) = 0;
    // The timer leaves this driver (it is destroyed or attached elsewhere).
    virtual void release(ScreenTimer& timer) { stop(timer); }
};

class ScreenTimer {
public:
    ScreenTimer(QString name, int intervalMs);
    ScreenTimer(const ScreenTimer&) = delete;
    ScreenTimer& operator=(const ScreenTimer&) = delete;
    ~ScreenTimer();

    const QString& name() const { return m_name; }
    int interval() const { return m_interval; }
    bool enabled() const { return m_enabled; }

    // Switching on counts the interval from now; switching off and on again restarts it,
    // so a timer restarted on every keystroke fires once, an interval after the last one.
    void setEnabled(bool on);

    // Called by the driver; runs the handler while the timer is on. The timer keeps
    // running afterwards unless the handler switches it off.
    void fire();
    void setHandler(std::function<void()> handler) { m_handler = std::move(handler); }

    void attach(TimerDriver* driver);  // nullptr detaches
    TimerDriver* driver() const { return m_driver; }

private:
    QString m_name;
    int m_interval;
    bool m_enabled = false;
    std::function<void()> m_handler;
    TimerDriver* m_driver = nullptr;
};

// A clock that moves only when told: advance(ms) fires every attached timer whose
// interval has passed, in the order their deadlines fall.
class ManualClock : public TimerDriver {
public:
    ManualClock() = default;
    ManualClock(const ManualClock&) = delete;
    ManualClock& operator=(const ManualClock&) = delete;
    ~ManualClock() override;

    void attach(ScreenTimer& timer);
    void start(ScreenTimer& timer) override;
    void stop(ScreenTimer& timer) override;
    void release(ScreenTimer& timer) override;

    void advance(int ms);
    qint64 now() const { return m_now; }
    bool running(const ScreenTimer& timer) const;
    void detachAll();

private:
    struct Entry {
        ScreenTimer* timer;
        qint64 deadline;
    };
    std::vector<Entry> m_running;
    std::vector<ScreenTimer*> m_attached;
    qint64 m_now = 0;
};

}  // namespace kvp::screen
