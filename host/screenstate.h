#pragma once

// What the operator sees on a screen, as the lines "show" prints (format in SCRIPTS.md):
// the texts, the group buttons, the product slots, the tray entries in position order,
// the arrows, the price line and the locked groups. "expect" reads one value of it.

#include "script.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace kvp::screen {
class Form;
}

namespace kvp::refhost {

struct ShownValue {
    QString field;  // empty for the one value of an entry of one value
    QString value;
    bool quoted = true;  // printed in double quotes (a text), or bare (yes, hidden, 12)
};

// One line of show: "group 4 code "BEBIDAS" caption "Bebidas" enabled yes ...".
struct ShownEntry {
    QString key;          // "lblQuantGrupo", "group 4", "slot 3", "tray 2", a control name
    QStringList controls;  // the controls that name it too (blbMenu04 for group 4)
    QList<ShownValue> values;
    bool listed = true;  // part of the whole screen's show; false for any other control

    bool single() const { return values.size() == 1 && values.first().field.isEmpty(); }
    // Listed and not a hidden text or arrow; any other control when it is visible.
    bool onScreen() const;
    const ShownValue* field(const QString& name) const;
    QString line() const;
};

struct ShownScreen {
    QString form;
    QList<ShownEntry> entries;  // the show lines, then one entry per other control

    // "screen NAME", the listed entries, "end".
    QStringList lines() const;
    // An entry by its key or by the name of a control it shows, without regard to case.
    const ShownEntry* find(const QString& what) const;
};

// The screen as it is now: either combination screen, with its own controls and the
// locked groups of its own module.
ShownScreen showScreen(const screen::Form& form);

// The module-wide state both screens keep between calls ("show module"): whether each
// screen is up, and each unit's variables under their own names ("add." for the add
// screen's).
ShownEntry moduleEntry();

// Empty when the screen reads as the line expects; otherwise what it shows instead.
QString checkExpect(const ShownScreen& screen, const ScriptExpect& expect);

}  // namespace kvp::refhost
