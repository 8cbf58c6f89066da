#pragma once

// A headless screen: its frame, its control records, its timers, one change notification
// and the modal run. Concrete screens add their fields, datasets and handlers; views and
// tests read the records and call the handlers.

#include "control.h"
#include "presenter.h"
#include "screentimer.h"

#include <QList>
#include <QString>

#include <functional>
#include <list>
#include <memory>
#include <vector>

namespace kvp::screen {

struct FormFrame {
    Bounds bounds;  // left and top are ignored when centred
    bool centred = true;
    bool borderless = true;
    Color color = clWhite;
    Color borderColor = clBlack;
    int borderWidth = 0;
};

class Form {
public:
    explicit Form(QString name);
    Form(const Form&) = delete;
    Form& operator=(const Form&) = delete;
    virtual ~Form();

    const QString& name() const { return m_name; }
    FormFrame frame;

    // --- Controls, in drawing order (parents before their children) ---
    Control& addControl(Control control);     // raises std::invalid_argument on a taken name
    void removeControl(const QString& name);  // removes its children too
    Control* findComponent(const QString& name);
    const Control* findComponent(const QString& name) const;
    Control& component(const QString& name);  // raises std::out_of_range when absent
    QList<Control*> controls();
    QList<const Control*> controls() const;
    QList<Control*> children(const QString& parent);

    // Hands every caption to the host's translation and takes back what it returns.
    void translateCaptions();

    // --- Timers ---
    ScreenTimer& addTimer(const QString& name, int intervalMs, std::function<void()> handler);
    QList<ScreenTimer*> timers();

    // --- Change notification ---
    // Every handler runs inside a change scope; when the outermost scope ends, the
    // revision goes up by one and the listener hears of it once. A view redraws then.
    quint64 revision() const { return m_revision; }
    void setChangeListener(std::function<void(quint64)> listener)
    {
        m_listener = std::move(listener);
    }

    // --- Modal run ---
    // Runs the form through the installed presenter; raises std::logic_error when none.
    void ShowModal();
    // Asks the presenter to end the run once the current handler returns.
    void Close();
    bool closeRequested() const { return m_closeRequested; }
    bool showing() const { return m_showing; }
    // Lets the view draw now (the screens' "repaint before going on").
    void Repaint();

    // Called by the presenter.
    void shown();
    void activated();
    // Runs a handler the way an event loop does: a silent abort ends it quietly, any other
    // error is reported to the operator (reportError) and goes no further. Returns true
    // when the handler completed.
    bool deliver(const std::function<void()>& handler);

protected:
    virtual void FormShow() {}
    virtual void FormActivate() {}
    // Shows an error that reached the event loop. The default shows a warning box.
    virtual void reportError(const QString& text);

    class ChangeScope {
    public:
        explicit ChangeScope(Form& form);
        ChangeScope(const ChangeScope&) = delete;
        ChangeScope& operator=(const ChangeScope&) = delete;
        ~ChangeScope();

    private:
        Form& m_form;
    };

private:
    QString m_name;
    std::list<Control> m_controls;
    std::list<ScreenTimer> m_timers;
    quint64 m_revision = 0;
    int m_changeDepth = 0;
    std::function<void(quint64)> m_listener;
    ModalPresenter* m_runningPresenter = nullptr;
    bool m_closeRequested = false;
    bool m_showing = false;
};

}  // namespace kvp::screen
