#pragma once

// The on-screen numeric keypad: a display, keys 0-9, comma, backspace, "Limpar",
// "Cancelar" and "OK", big enough for a finger. The physical keyboard works too
// (digits, ',' or '.', Backspace, Delete, Enter, Esc).

#include "keypadbuffer.h"

#include <QHash>
#include <QWidget>

class QLabel;

namespace kvp::ui {

class BlendedButton;

class NumericKeypad : public QWidget {
    Q_OBJECT
public:
    explicit NumericKeypad(QWidget* parent = nullptr);

    // masked shows one dot per digit (a PIN); allowComma false hides the comma key.
    void start(const QString& initial, int maxLength = 0, bool allowComma = true,
               bool masked = false);

    QString text() const { return m_buffer.text(); }
    QString result() const { return m_buffer.result(); }
    QString displayText() const;

    // The key with this caption: "0".."9", ",", "←", "Limpar", "Cancelar", "OK".
    BlendedButton* key(const QString& caption) const { return m_keys.value(caption); }

    // Handles a key of the physical keyboard; false when the key means nothing here.
    bool handleKey(int key, const QString& text);

    static QString backspaceCaption() { return QStringLiteral("\u2190"); }

Q_SIGNALS:
    void confirmed();
    void cancelled();
    void textChanged(const QString& text);

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    BlendedButton* makeKey(const QString& caption, const QColor& color);
    void refresh();

    KeypadBuffer m_buffer;
    bool m_masked = false;
    QLabel* m_display = nullptr;
    QHash<QString, BlendedButton*> m_keys;
};

}  // namespace kvp::ui
