#pragma once

// Turns a sale into the script that replays it (format in SCRIPTS.md): the call's
// set-up, every touch, key and dialog answer in order, then, when the screen closes, an
// expect block of what the operator last saw and of what the module handed back.

#include "dataset.h"
#include "screenstate.h"

#include <QString>
#include <QStringList>

namespace kvp::refhost {

// What a call handed back, as entries "expect" reads after the screen has closed:
// "result", "items", "observations", "controlled" and "item N" with every field.
ShownScreen handedBack(DataSet& items, DataSet& observations, DataSet& controlled, bool result);
// Whether an expect line is about what was handed back rather than about a screen.
bool aboutHandedBack(const QString& entry);

// FILE.expected beside FILE.kvs (beside FILE when it has another ending).
QString expectedPathFor(const QString& scriptPath);

class ScriptRecorder {
public:
    void line(const QString& text) { m_lines << text; }
    qsizetype size() const { return m_lines.size(); }
    // Before the line at `at`, which closed the screen: the header, the tray and the
    // price line.
    void lastSeen(const ShownScreen& screen, qsizetype at);
    // After it: the result, the item lines with their code, quantity and prices, and the
    // number of observations.
    void handed(const ShownScreen& handed);
    // Writes the script; false with the reason when it cannot be written.
    bool save(const QString& path, QString& error) const;

    // A value as a script word: bare when it holds no blank or quote, else quoted.
    static QString word(const QString& value);
    // Writes text to a file as a whole, or nothing; false with the reason.
    static bool write(const QString& path, const QString& text, QString& error);

private:
    // Appends "expect ENTRY [FIELD] VALUE" to lines.
    static void expect(QStringList& lines, const ShownEntry& e, const QString& field);

    QStringList m_lines;
};

}  // namespace kvp::refhost
