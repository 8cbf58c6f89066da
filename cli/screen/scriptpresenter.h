#pragma once

// A presenter without a display: each modal run shows the form (shown, activated), then
// plays queued steps against the form that is running until it asks to close. Steps
// queued for a form opened from inside a step (a nested modal run) are played by that
// run, in queue order. Timers run on a manual clock that steps advance. The headless host
// and the tests run the screens with it.

#include "form.h"

#include <deque>
#include <functional>

namespace kvp::screen {

class ScriptPresenter : public ModalPresenter {
public:
    using Step = std::function<void(Form& form)>;

    // Queues a step for the modal runs to come.
    ScriptPresenter& then(Step step);
    // Queues a step that moves the clock on.
    ScriptPresenter& wait(int ms);
    ManualClock& clock() { return m_clock; }

    void runModal(Form& form) override;
    void closeRequested(Form& form) override;
    void repaint(Form& form) override;

    int runs() const { return m_runs; }
    int repaints() const { return m_repaints; }
    // A run that used up the script while its form was still open.
    int runsLeftOpen() const { return m_leftOpen; }
    std::size_t stepsLeft() const { return m_steps.size(); }

private:
    std::deque<Step> m_steps;
    ManualClock m_clock;
    int m_runs = 0;
    int m_repaints = 0;
    int m_leftOpen = 0;
};

}  // namespace kvp::screen
