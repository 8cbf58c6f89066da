#include "combinadabinding.h"

#include "tfrmpromocaocombinada.h"
#include "tfrmpromocombadd.h"

#include <type_traits>

namespace kvp::ui {

using add::TfrmPromoCombAdd;
using combinada::TfrmPromocaoCombinada;
using screen::Control;

namespace {

bool named(const QString& name, const char* what)
{
    return name.compare(QLatin1String(what), Qt::CaseInsensitive) == 0;
}

// "blbMenu01".."blbMenu10", "imgProd01".."imgProd12": prefix and two digits.
bool slotOf(const QString& name, const char* prefix)
{
    const QLatin1String p(prefix);
    return name.size() == p.size() + 2 && name.startsWith(p, Qt::CaseInsensitive) &&
           name.at(p.size()).isDigit() && name.at(p.size() + 1).isDigit();
}

// The tray's removal handler joins the screen together with product choice; a tray entry
// takes touches as soon as the screen has it.
template <typename Screen>
std::function<void()> trayRemoval(Screen& s, const QString& name)
{
    if constexpr (requires(Screen & x, Control & c) { x.BandejaClick(c); }) {
        return [&s, name] { s.BandejaClick(s.component(name)); };
    } else if constexpr (requires(Screen & x, Control & c) { x.BandejaClick(&c); }) {
        return [&s, name] { s.BandejaClick(&s.component(name)); };
    } else {
        Q_UNUSED(s)
        Q_UNUSED(name)
        return {};
    }
}

// What a touch on the control runs on either screen; the buttons only the selection
// screen has are bound only there.
template <typename Screen>
std::function<void()> handlerFor(Screen& s, const Control& control)
{
    const QString name = control.name;

    if (slotOf(name, "blbMenu")) {
        // A group button latches down when touched, releasing the others, as grouped
        // touch buttons do; then the group is selected.
        return [&s, name] {
            Control& b = s.component(name);
            s.SetDown(b);
            s.blbMenu01Click(b);
        };
    }
    if (slotOf(name, "imgProd") || named(name, "imgSemImagem"))
        return [&s, name] { s.bpbProd01Click(&s.component(name)); };
    if (control.kind == screen::ControlKind::Picture &&
        control.parent.compare(s.scbBandeja.name, Qt::CaseInsensitive) == 0)
        return trayRemoval(s, name);

    using Handler = void (Screen::*)();
    struct Button {
        const char* control;
        Handler handler;
    };
    static const Button buttons[] = {
        {"bbbAcima", &Screen::bbbAcimaClick},
        {"bbbAbaixo", &Screen::bbbAbaixoClick},
        {"bbbProdAcima", &Screen::bbbProdAcimaClick},
        {"bbbProdAbaixo", &Screen::bbbProdAbaixoClick},
        {"bbbBandejaUp", &Screen::bbbBandejaUpClick},
        {"bbbBandejaDown", &Screen::bbbBandejaDownClick},
        {"bldCancelar", &Screen::bldCancelarClick},
        {"bldConfirmar", &Screen::bldConfirmarClick},
    };
    for (const auto& b : buttons) {
        if (named(name, b.control))
            return [&s, h = b.handler] { (s.*h)(); };
    }
    if constexpr (std::is_same_v<Screen, TfrmPromocaoCombinada>) {
        static const Button onlyHere[] = {
            {"bldFoto", &Screen::bldFotoClick},
            {"blbFiltro", &Screen::bldFiltroClick},
            {"spbQtde", &Screen::spbQtdeClick},
        };
        for (const auto& b : onlyHere) {
            if (named(name, b.control))
                return [&s, h = b.handler] { (s.*h)(); };
        }
    }
    return {};
}

}  // namespace

std::function<void()> CombinadaBinding::touchHandler(const Control& control)
{
    return handlerFor(m_screen, control);
}

void CombinadaBinding::keyDown(int key)
{
    m_screen.FormKeyDown(key);
}

void CombinadaBinding::keyPress(QChar character)
{
    m_screen.FormKeyPress(character);
}

std::function<void()> PromoCombAddBinding::touchHandler(const Control& control)
{
    return handlerFor(m_screen, control);
}

void PromoCombAddBinding::keyDown(int key)
{
    m_screen.FormKeyDown(key);
}

void PromoCombAddBinding::keyPress(QChar /*character*/)
{
    // Typed digits do nothing on this screen.
}

std::unique_ptr<FormBinding> bindingFor(screen::Form& form)
{
    if (auto* combinada = dynamic_cast<TfrmPromocaoCombinada*>(&form))
        return std::make_unique<CombinadaBinding>(*combinada);
    if (auto* adicao = dynamic_cast<TfrmPromoCombAdd*>(&form))
        return std::make_unique<PromoCombAddBinding>(*adicao);
    return std::make_unique<InertBinding>();
}

}  // namespace kvp::ui
