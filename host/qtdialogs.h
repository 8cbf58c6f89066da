#pragma once

// The Qt dialogs behind the reference host's services, and the driver that opens them.
// Each dialog can be built, driven and read without exec(), which is how the tests use
// them; QtDialogDriver runs them modally for a person.

#include "dialogdriver.h"
#include "touchdialog.h"

#include <QPointer>

#include <optional>

class QLabel;
class QLineEdit;

namespace kvp::ui {
class NumericKeypad;
}

namespace kvp::refhost {

// Message box of the three kinds: "Sim"/"Não" for a question, "OK" otherwise.
// The result is 1 for "Sim" or "OK", 0 for "Não" (and Esc).
class MessageDialog : public kvp::ui::TouchDialog {
    Q_OBJECT
public:
    explicit MessageDialog(const MessageRequest& request, QWidget* parent = nullptr);
    static QString titleFor(MessageKind kind);
    QString text() const;

private:
    QLabel* m_text = nullptr;
};

class KeypadDialog : public kvp::ui::TouchDialog {
    Q_OBJECT
public:
    explicit KeypadDialog(const KeypadRequest& request, QWidget* parent = nullptr);
    ui::NumericKeypad* keypad() const { return m_keypad; }
    // The typed text once confirmed; nullopt otherwise.
    std::optional<QString> typed() const;

private:
    ui::NumericKeypad* m_keypad = nullptr;
};

class CouponDialog : public kvp::ui::TouchDialog {
    Q_OBJECT
public:
    explicit CouponDialog(const CouponRequest& request, QWidget* parent = nullptr);
    QLineEdit* codeEdit() const { return m_code; }
    std::optional<QString> code() const;

private:
    QLineEdit* m_code = nullptr;
};

// The fiscal reports as a column of touch buttons; "Fechar" leaves without a choice.
class FiscalMenuDialog : public kvp::ui::TouchDialog {
    Q_OBJECT
public:
    explicit FiscalMenuDialog(const FiscalMenuRequest& request, QWidget* parent = nullptr);
    std::optional<int> chosen() const { return m_chosen; }
    ui::BlendedButton* entryButton(int index) const { return m_entries.value(index); }

private:
    QList<ui::BlendedButton*> m_entries;
    std::optional<int> m_chosen;
};

class QtDialogDriver : public DialogDriver {
public:
    // Dialogs open centred over parent (the sale's window) when one is given.
    explicit QtDialogDriver(QWidget* parent = nullptr) : m_parent(parent) {}
    void setParent(QWidget* parent) { m_parent = parent; }

    bool message(const MessageRequest& request) override;
    std::optional<QString> keypad(const KeypadRequest& request) override;
    ObservationChoice observation(const ObservationRequest& request) override;
    std::optional<QString> coupon(const CouponRequest& request) override;
    std::optional<int> search(const SearchRequest& request) override;
    std::optional<int> fiscalMenu(const FiscalMenuRequest& request) override;

private:
    QPointer<QWidget> m_parent;
};

}  // namespace kvp::refhost
