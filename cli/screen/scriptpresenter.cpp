#include "scriptpresenter.h"

namespace kvp::screen {

ScriptPresenter& ScriptPresenter::then(Step step)
{
    m_steps.push_back(std::move(step));
    return *this;
}

ScriptPresenter& ScriptPresenter::wait(int ms)
{
    return then([this, ms](Form&) { m_clock.advance(ms); });
}

void ScriptPresenter::runModal(Form& form)
{
    ++m_runs;
    for (ScreenTimer* t : form.timers()) {
        m_clock.attach(*t);
    }
    form.shown();
    if (!form.closeRequested()) {
        form.activated();
    }
    while (!form.closeRequested() && !m_steps.empty()) {
        Step step = std::move(m_steps.front());
        m_steps.pop_front();
        step(form);
    }
    if (!form.closeRequested()) {
        ++m_leftOpen;
    }
    for (ScreenTimer* t : form.timers()) {
        t->attach(nullptr);
    }
}

void ScriptPresenter::closeRequested(Form&) {}

void ScriptPresenter::repaint(Form&)
{
    ++m_repaints;
}

}  // namespace kvp::screen
