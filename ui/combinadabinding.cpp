#include "combinadabinding.h"

#include "tfrmpromocaocombinada.h"

namespace kvp::ui {

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
    if constexpr (requires(Screen& x, Control& c) { x.BandejaClick(c); }) {
        return [&s, name] { s.BandejaClick(s.component(name)); };
    } else if constexpr (requires(Screen& x, Control& c) { x.BandejaClick(&c); }) {
        return [&s, name] { s.BandejaClick(&s.component(name)); };
    } else {
        Q_UNUSED(s)
        Q_UNUSED(name)
        return {};
    }
}

}  // namespace

std::function<void()> CombinadaBinding::touchHandler(const Control& control)
{
    TfrmPromocaoCombinada& s = m_screen;
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

    using Handler = void (TfrmPromocaoCombinada::*)();
    static const struct {
        const char* control;
        Handler handler;
    } buttons[] = {
        {"bbbAcima", &TfrmPromocaoCombinada::bbbAcimaClick},
        {"bbbAbaixo", &TfrmPromocaoCombinada::bbbAbaixoClick},
        {"bbbProdAcima", &TfrmPromocaoCombinada::bbbProdAcimaClick},
        {"bbbProdAbaixo", &TfrmPromocaoCombinada::bbbProdAbaixoClick},
        {"bbbBandejaUp", &TfrmPromocaoCombinada::bbbBandejaUpClick},
        {"bbbBandejaDown", &TfrmPromocaoCombinada::bbbBandejaDownClick},
        {"bldCancelar", &TfrmPromocaoCombinada::bldCancelarClick},
        {"bldConfirmar", &TfrmPromocaoCombinada::bldConfirmarClick},
        {"bldFoto", &TfrmPromocaoCombinada::bldFotoClick},
        {"blbFiltro", &TfrmPromocaoCombinada::bldFiltroClick},
        {"spbQtde", &TfrmPromocaoCombinada::spbQtdeClick},
    };
    for (const auto& b : buttons) {
        if (named(name, b.control))
            return [&s, h = b.handler] { (s.*h)(); };
    }
    return {};
}

void CombinadaBinding::keyDown(int key)
{
    m_screen.FormKeyDown(key);
}

void CombinadaBinding::keyPress(QChar character)
{
    m_screen.FormKeyPress(character);
}

std::unique_ptr<FormBinding> bindingFor(screen::Form& form)
{
    if (auto* combinada = dynamic_cast<TfrmPromocaoCombinada*>(&form))
        return std::make_unique<CombinadaBinding>(*combinada);
    return std::make_unique<InertBinding>();
}

}  // namespace kvp::ui
