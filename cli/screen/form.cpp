#include "form.h"

#include "hostservices.h"
#include "names.h"

#include <QHash>

#include <stdexcept>

namespace kvp::screen {

namespace {
ModalPresenter* g_presenter = nullptr;
}

void installPresenter(ModalPresenter* presenter)
{
    g_presenter = presenter;
}

ModalPresenter* installedPresenter()
{
    return g_presenter;
}

Form::Form(QString name) : m_name(std::move(name)) {}

Form::~Form() = default;

Control& Form::addControl(Control control)
{
    if (control.name.isEmpty() || findComponent(control.name)) {
        throw std::invalid_argument("control name empty or already taken: " +
                                    control.name.toStdString());
    }
    return m_controls.emplace_back(std::move(control));
}

void Form::removeControl(const QString& name)
{
    for (Control* child : children(name)) {
        removeControl(child->name);
    }
    m_controls.remove_if([&](const Control& c) { return c.name == name; });
}

Control* Form::findComponent(const QString& name)
{
    for (Control& c : m_controls) {
        if (sameName(c.name, name)) {
            return &c;
        }
    }
    return nullptr;
}

const Control* Form::findComponent(const QString& name) const
{
    return const_cast<Form*>(this)->findComponent(name);
}

Control& Form::component(const QString& name)
{
    if (Control* c = findComponent(name)) {
        return *c;
    }
    throw std::out_of_range("no control named " + name.toStdString() + " on " +
                            m_name.toStdString());
}

QList<Control*> Form::controls()
{
    QList<Control*> out;
    for (Control& c : m_controls) {
        out.append(&c);
    }
    return out;
}

QList<const Control*> Form::controls() const
{
    QList<const Control*> out;
    for (const Control& c : m_controls) {
        out.append(&c);
    }
    return out;
}

QList<Control*> Form::children(const QString& parent)
{
    QList<Control*> out;
    for (Control& c : m_controls) {
        if (!c.parent.isEmpty() && sameName(c.parent, parent)) {
            out.append(&c);
        }
    }
    return out;
}

void Form::translateCaptions()
{
    QHash<QString, QString> captions;
    for (const Control& c : m_controls) {
        if (!c.caption.isEmpty()) {
            captions.insert(c.name, c.caption);
        }
    }
    kvp::host().Trad(captions);
    for (auto it = captions.cbegin(); it != captions.cend(); ++it) {
        if (Control* c = findComponent(it.key())) {
            c->caption = it.value();
        }
    }
}

ScreenTimer& Form::addTimer(const QString& name, int intervalMs, std::function<void()> handler)
{
    ScreenTimer& timer = m_timers.emplace_back(name, intervalMs);
    // A tick arrives from the event loop like a touch does.
    timer.setHandler([this, h = std::move(handler)] { deliver(h); });
    return timer;
}

QList<ScreenTimer*> Form::timers()
{
    QList<ScreenTimer*> out;
    for (ScreenTimer& t : m_timers) {
        out.append(&t);
    }
    return out;
}

void Form::ShowModal()
{
    ModalPresenter* presenter = installedPresenter();
    if (!presenter) {
        throw std::logic_error("no screen presenter is installed to show " + m_name.toStdString());
    }
    struct RunGuard {
        Form& form;
        ~RunGuard()
        {
            form.m_showing = false;
            form.m_runningPresenter = nullptr;
            for (ScreenTimer& t : form.m_timers) {
                t.attach(nullptr);
            }
        }
    };
    m_closeRequested = false;
    m_showing = true;
    m_runningPresenter = presenter;
    const RunGuard guard{*this};
    presenter->runModal(*this);
}

void Form::Close()
{
    m_closeRequested = true;
    if (m_runningPresenter) {
        m_runningPresenter->closeRequested(*this);
    }
}

void Form::Repaint()
{
    ++m_revision;
    if (m_listener) {
        m_listener(m_revision);
    }
    if (m_runningPresenter) {
        m_runningPresenter->repaint(*this);
    }
}

void Form::shown()
{
    const ChangeScope changes(*this);
    FormShow();
}

void Form::activated()
{
    const ChangeScope changes(*this);
    FormActivate();
}

bool Form::deliver(const std::function<void()>& handler)
{
    try {
        const StepClock step;
        const ChangeScope changes(*this);
        handler();
        return true;
    } catch (const SilentAbort&) {
    } catch (const HostError& e) {
        reportError(e.message());
    } catch (const std::exception& e) {
        reportError(QString::fromUtf8(e.what()));
    }
    return false;
}

void Form::reportError(const QString& text)
{
    if (!kvp::hasHost()) {
        return;
    }
    try {
        kvp::host().Mensagem(text, QString(), QStringLiteral("N"), QStringLiteral("N"),
                             static_cast<int>(MessageKind::Warning), QString(), QString(), 0,
                             nullptr);
    } catch (...) {
        // Nothing is left to tell the operator with; the event loop must go on.
    }
}

Form::ChangeScope::ChangeScope(Form& form) : m_form(form)
{
    ++m_form.m_changeDepth;
}

Form::ChangeScope::~ChangeScope()
{
    if (--m_form.m_changeDepth > 0) {
        return;
    }
    ++m_form.m_revision;
    if (m_form.m_listener) {
        try {
            m_form.m_listener(m_form.m_revision);
        } catch (...) {
            // A view that fails to redraw must not turn a handled touch into an error.
        }
    }
}

}  // namespace kvp::screen
