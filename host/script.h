#pragma once

// The plain-text scripts of the reference host's headless mode (format in SCRIPTS.md):
// which combo to sell and with what call arguments, then what the operator does on the
// screen and what every dialog answers. Parsing checks every line before anything runs.

#include "hostservices.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>
#include <stdexcept>

namespace kvp::refhost {

// A fault in a script, at a line (0 when it concerns the whole script).
class ScriptError : public std::runtime_error {
public:
    ScriptError(int line, const QString& message);
    int line() const { return m_line; }
    QString message() const { return m_message; }

private:
    int m_line;
    QString m_message;
};

// What a dialog of the host answers.
struct ScriptAnswer {
    enum class Kind { Question, Information, Warning, Message, Keypad, Observation, Coupon,
                      Search, Fiscal };
    Kind kind = Kind::Message;
    int line = 0;
    bool yes = true;          // question
    bool cancel = false;      // keypad, observation, coupon, search, fiscal
    QString text;             // expected part of a message; keypad text; coupon code;
                              // typed observation
    QStringList codes;        // observation: CDOCORR of the occurrences chosen
    int row = 0;              // search, fiscal: 1-based
    QString picture;          // a PNG of the dialog over the screen, when asked for

    static QString kindName(Kind kind);
};

struct ScriptStep {
    enum class Kind { Touch, Key, Type, Tick, Wait, Scale, Screenshot, Answer };
    Kind kind = Kind::Touch;
    int line = 0;
    QString text;  // control, key name, typed text, timer, file
    int key = 0;   // Qt::Key of a key step
    int ms = 0;    // wait
    double kg = 0;  // scale
    ScriptAnswer answer;

    bool isAction() const
    {
        return kind == Kind::Touch || kind == Kind::Key || kind == Kind::Type ||
               kind == Kind::Tick || kind == Kind::Wait;
    }
};

// The call's arguments; what the script leaves out comes from the shop's menu.
struct ScriptCall {
    QString combo;
    int comboLine = 0;
    std::optional<QString> name;
    std::optional<QString> priceMode;
    std::optional<double> price;
    std::optional<QString> adjustType;
    std::optional<QString> valueOrPerc;
    std::optional<double> adjust;
    std::optional<bool> applyAdjust;
    double quantity = 1;
    QString customer;
    QString consumer;
    bool debit = false;
    QString sale = QStringLiteral("1");
    QString callType = QStringLiteral("A");
    // "Now" for the run: fixed, so a replay gives the same prices and log days.
    QDateTime clock = QDateTime(QDate(2025, 6, 14), QTime(12, 30));
    double scale = 0;
};

struct Script {
    QString file;
    ScriptCall call;
    int openLine = 0;
    QList<ScriptStep> opening;  // answers given while the screen opens
    QList<ScriptStep> steps;    // everything after "open"

    // Raises ScriptError naming the line of the first fault.
    static Script parse(const QString& text, const QString& file);
    static Script load(const QString& path);
};

// A number typed the way the shop writes it: "0,482" or "0.482".
std::optional<double> parseScriptNumber(const QString& text);

// Key names of "key": Esc, Enter, Return, Tab, F1..F12, Up, Down, Left, Right, a digit
// or a letter. 0 for an unknown name.
int keyFromName(const QString& name);

}  // namespace kvp::refhost
