#pragma once

// The plain-text scripts of the reference host's headless mode (format in SCRIPTS.md):
// which combo to sell and with what call arguments, then what the operator does on the
// screen and what every dialog answers. Parsing checks every line before anything runs.

#include "dataset.h"
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

// An observation answer given as the raw values the host hands back, not as a choice
// among the occurrences offered.
struct RawObservation {
    QString text;      // what the dialog returns ("erro": cancelled)
    QString group;     // slot 0: CDGRPOCOR
    QStringList codes;  // slot 2: the chosen CDOCORR
    QString typed;     // slot 3
    // slot 4: IDCONTROLAOBS, CDPRODUTO, CDOCORR of each controlled row
    QList<QStringList> controlled;
};

// What a dialog of the host answers; the scale and the access check answer from the
// same queue.
struct ScriptAnswer {
    enum class Kind { Question, Information, Warning, Message, Keypad, Observation, Coupon,
                      Search, Fiscal, Scale, Access };
    Kind kind = Kind::Message;
    int line = 0;
    bool yes = true;          // question
    bool cancel = false;      // keypad, observation, coupon, search, fiscal
    QString text;             // expected part of a message; keypad text; coupon code;
                              // typed observation
    QStringList codes;        // observation: CDOCORR of the occurrences chosen
    int row = 0;              // search, fiscal: 1-based
    QString picture;          // a PNG of the dialog over the screen, when asked for
    double kg = 0;            // scale
    std::optional<RawObservation> raw;  // observation given as raw values

    static QString kindName(Kind kind);
};

// What the host's price function answers for a product, in place of its price table.
struct ScriptPrice {
    int line = 0;
    QString product;  // "*": every product without an answer of its own
    std::optional<QString> flag;  // the price flag it answers for; every flag when unset
    QString failure;  // the failure code; a price when empty
    double price = 0;
    double discount = 0;
    double surcharge = 0;
    std::optional<double> clientPrice;  // VRPRECOCLIE; price less discount plus surcharge when unset
};

// "expect": one value that show prints must read as written.
struct ScriptExpect {
    QString entry;        // "lblQuantGrupo", "group 4", "slot 3", "tray 2", a control name
    bool absent = false;  // "expect no ENTRY": the entry is not on the screen
    // What follows the entry: the value of an entry of one value; or a field and its
    // value, or a flag field alone ("locked" reads as "locked yes").
    QStringList words;
    QString text;         // the line as written after "expect", for messages
};

struct ScriptStep {
    enum class Kind { Touch, Key, Type, Tick, Wait, Scale, Screenshot, Answer, Show, Expect,
                      Calls, Reactivate, Price };
    Kind kind = Kind::Touch;
    int line = 0;
    QString text;  // control, key name, typed text, timer, file, entry shown
    int key = 0;   // Qt::Key of a key step
    int ms = 0;    // wait
    double kg = 0;  // scale
    bool on = false;  // calls on|off
    ScriptAnswer answer;
    ScriptExpect expect;
    ScriptPrice price;
    QString raw;  // the line as written, for a recording of the run

    bool isAction() const
    {
        return kind == Kind::Touch || kind == Kind::Key || kind == Kind::Type ||
               kind == Kind::Tick || kind == Kind::Wait || kind == Kind::Reactivate;
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
    // The host's datasets as handed in: items already on the sale, and the result
    // datasets, which need not come empty.
    DataPacket sold;
    DataPacket items;
    DataPacket observations;
    DataPacket controlled;
    QList<ScriptPrice> prices;  // price function answers from this call on
    std::optional<bool> calls;  // "calls on|off" before open
    // "station": this call's own parameter file (a path as written; the run folder's when
    // empty) with fields changed; the run folder's file is put back after the call.
    bool station = false;
    int stationLine = 0;
    QString stationFile;
    QList<std::pair<QString, QString>> stationFields;
};

// One call of CriaPromocaoInteligente: how it is made, then what the operator does.
struct ScriptSale {
    ScriptCall call;
    int openLine = 0;
    QList<ScriptStep> opening;  // answers given while the screen opens
    QList<ScriptStep> before;   // "show module" and "expect module" before the call is made
    QStringList setUpLines;     // every line up to "open", as written
    QList<ScriptStep> steps;    // everything after its "open"
};

struct Script {
    QString file;
    // In order; a script that opens the screen again makes a second call in the same
    // process.
    QList<ScriptSale> sales;

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
