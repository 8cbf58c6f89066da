#pragma once

// How a screen is run modally. The view implements it with a dialog; tests and the
// headless host implement it with a script (ScriptPresenter).

namespace kvp::screen {

class Form;

class ModalPresenter {
public:
    virtual ~ModalPresenter() = default;

    // Shows the form and returns once it has closed. Meanwhile it calls form.shown() once
    // the form is on screen and form.activated() whenever it becomes the active window,
    // hands touches and keys to the form's handlers through form.deliver(), drives the
    // form's timers (form.timers()), and ends the run as soon as form.closeRequested()
    // holds after a handler has returned.
    virtual void runModal(Form& form) = 0;

    // A handler asked the form to close; the run ends when that handler returns.
    virtual void closeRequested(Form& form) = 0;

    // A handler lets the view draw the current state, and queued input run, before it
    // goes on. Touches that arrive here reach handlers that guard against re-entry.
    virtual void repaint(Form& form) = 0;
};

// The presenter that runs the module's screens. The view (or a test) installs it; nullptr
// removes it.
void installPresenter(ModalPresenter* presenter);
ModalPresenter* installedPresenter();

}  // namespace kvp::screen
