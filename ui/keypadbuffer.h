#pragma once

// What the numeric keypad has typed. The comma is the decimal separator (a "." key types
// one too); the keypad does not judge how many decimals a number may have, the screen
// that asked does.

#include <QString>

namespace kvp::ui {

class KeypadBuffer {
public:
    // The initial text is shown and replaced by the first digit or comma typed, the way a
    // selected field behaves; backspace edits it instead. maxLength 0 means no limit.
    explicit KeypadBuffer(const QString& initial = {}, int maxLength = 0, bool allowComma = true);

    void digit(int d);
    void comma();
    void backspace();
    void clear();
    // Digits, ',' and '.'; false for any other character.
    bool type(QChar c);

    QString text() const { return m_text; }
    // The text handed back on confirmation: a dangling comma is dropped ("12," gives "12").
    QString result() const;

private:
    bool full() const { return m_max > 0 && m_text.size() >= m_max; }
    void takeOverInitial();

    QString m_text;
    int m_max;
    bool m_allowComma;
    bool m_fresh;
};

}  // namespace kvp::ui
