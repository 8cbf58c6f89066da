#pragma once

// Which handler of the combined-promotion selection screen each touch and key runs. The
// wiring only: what a handler does is the screen's business.

#include "formview.h"

namespace kvp::combinada {
class TfrmPromocaoCombinada;
}
namespace kvp::add {
class TfrmPromoCombAdd;
}

namespace kvp::ui {

class CombinadaBinding : public FormBinding {
public:
    explicit CombinadaBinding(combinada::TfrmPromocaoCombinada& screen) : m_screen(screen) {}

    std::function<void()> touchHandler(const screen::Control& control) override;
    void keyDown(int key) override;
    void keyPress(QChar character) override;

private:
    combinada::TfrmPromocaoCombinada& m_screen;
};

// The same wiring for the add-to-combination screen: its fifteen slots, cancel and
// confirm; it has no search, photo or multiplier buttons and takes no typed digits.
class PromoCombAddBinding : public FormBinding {
public:
    explicit PromoCombAddBinding(add::TfrmPromoCombAdd& screen) : m_screen(screen) {}

    std::function<void()> touchHandler(const screen::Control& control) override;
    void keyDown(int key) override;
    void keyPress(QChar character) override;

private:
    add::TfrmPromoCombAdd& m_screen;
};

// The binding of the screen a form is: its own when the view knows it, otherwise an
// inert one that shows the screen and runs nothing.
std::unique_ptr<FormBinding> bindingFor(screen::Form& form);

}  // namespace kvp::ui
