// The host's script parser. A text either parses or raises ScriptError naming a line of
// it; the same script saved with CRLF line ends behind one more comment line parses the
// same, every line number one further on; steps keep the order of their lines.

#include "fuzzcheck.h"
#include "script.h"

#include <optional>

using namespace kvp;
using namespace kvp::refhost;

namespace {

template <typename T>
bool sameNumber(const std::optional<T>& a, const std::optional<T>& b)
{
    return a.has_value() == b.has_value() && (!a || *a == *b);
}

bool sameRaw(const std::optional<RawObservation>& a, const std::optional<RawObservation>& b)
{
    if (!a || !b)
        return !a && !b;
    return a->text == b->text && a->group == b->group && a->codes == b->codes && a->typed == b->typed &&
           a->controlled == b->controlled;
}

bool sameAnswer(const ScriptAnswer& a, const ScriptAnswer& b, int shift)
{
    return a.kind == b.kind && a.line + shift == b.line && a.yes == b.yes && a.cancel == b.cancel &&
           a.text == b.text && a.codes == b.codes && a.row == b.row && a.picture == b.picture &&
           a.kg == b.kg && sameRaw(a.raw, b.raw);
}

bool samePrice(const ScriptPrice& a, const ScriptPrice& b, int shift)
{
    return a.line + shift == b.line && a.product == b.product && a.flag == b.flag && a.failure == b.failure &&
           a.price == b.price && a.discount == b.discount && a.surcharge == b.surcharge;
}

bool sameExpect(const ScriptExpect& a, const ScriptExpect& b)
{
    return a.entry == b.entry && a.absent == b.absent && a.words == b.words && a.text == b.text;
}

bool sameSteps(const QList<ScriptStep>& a, const QList<ScriptStep>& b, int shift)
{
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        const ScriptStep& x = a.at(i);
        const ScriptStep& y = b.at(i);
        // Only the part a step's kind fills carries a line.
        const int answerShift = x.kind == ScriptStep::Kind::Answer ? shift : 0;
        const int priceShift = x.kind == ScriptStep::Kind::Price ? shift : 0;
        if (x.kind != y.kind || x.line + shift != y.line || x.text != y.text || x.key != y.key ||
            x.ms != y.ms || x.kg != y.kg || x.on != y.on || !sameAnswer(x.answer, y.answer, answerShift) ||
            !sameExpect(x.expect, y.expect) || !samePrice(x.price, y.price, priceShift))
            return false;
    }
    return true;
}

bool sameCall(const ScriptCall& a, const ScriptCall& b, int shift)
{
    if (a.prices.size() != b.prices.size())
        return false;
    for (qsizetype i = 0; i < a.prices.size(); ++i)
        if (!samePrice(a.prices.at(i), b.prices.at(i), shift))
            return false;
    return a.combo == b.combo && a.comboLine + shift == b.comboLine && a.name == b.name &&
           a.priceMode == b.priceMode && sameNumber(a.price, b.price) && a.adjustType == b.adjustType &&
           a.valueOrPerc == b.valueOrPerc && sameNumber(a.adjust, b.adjust) &&
           a.applyAdjust == b.applyAdjust && a.quantity == b.quantity && a.customer == b.customer &&
           a.consumer == b.consumer && a.debit == b.debit && a.sale == b.sale &&
           a.callType == b.callType && a.clock == b.clock && a.scale == b.scale && a.sold == b.sold &&
           a.items == b.items && a.observations == b.observations && a.controlled == b.controlled &&
           a.calls == b.calls;
}

bool sameScript(const Script& a, const Script& b, int shift)
{
    if (a.sales.size() != b.sales.size())
        return false;
    for (qsizetype i = 0; i < a.sales.size(); ++i) {
        const ScriptSale& x = a.sales.at(i);
        const ScriptSale& y = b.sales.at(i);
        if (!sameCall(x.call, y.call, shift) || x.openLine + shift != y.openLine ||
            !sameSteps(x.opening, y.opening, shift) || !sameSteps(x.steps, y.steps, shift))
            return false;
    }
    return true;
}

// Each sale's answers come before its "open", its steps after, sales one after another.
bool linesInOrder(const Script& s, int lines)
{
    int last = 0;
    for (const ScriptSale& sale : s.sales) {
        for (const ScriptStep& step : sale.opening) {
            if (step.line < last || step.line >= sale.openLine)
                return false;
            last = step.line;
        }
        if (sale.openLine <= last || sale.openLine > lines)
            return false;
        last = sale.openLine;
        for (const ScriptStep& step : sale.steps) {
            if (step.line < last || step.line > lines)
                return false;
            last = step.line;
        }
    }
    return true;
}

std::optional<Script> parsed(const QString& text, int& errorLine)
{
    try {
        return Script::parse(text, QStringLiteral("fuzz.kvs"));
    } catch (const ScriptError& e) {
        errorLine = e.line();
        return std::nullopt;
    }
}

void checkScript(const QString& text)
{
    QString moved = text;
    moved.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    moved.prepend(QStringLiteral("# saved elsewhere\r\n"));

    int errorLine = -1, movedErrorLine = -1;
    const std::optional<Script> s = parsed(text, errorLine);
    const std::optional<Script> m = parsed(moved, movedErrorLine);
    const int lines = static_cast<int>(text.count(QLatin1Char('\n'))) + 1;
    if (!s) {
        fuzz::check(!m, "CRLF and a comment change nothing", text, moved);
        fuzz::check(errorLine >= 0 && errorLine <= lines, "an error names a line of the script", text);
        fuzz::check(movedErrorLine == (errorLine == 0 ? 0 : errorLine + 1), "an error names the same line",
                    text, moved);
        return;
    }
    fuzz::check(m.has_value(), "CRLF and a comment change nothing", text, moved);
    fuzz::check(linesInOrder(*s, lines), "steps keep the order of their lines", text);
    fuzz::check(sameScript(*s, *m, 1), "CRLF and a comment change nothing", text, moved);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QString text = fuzz::inputText(data, size);
    checkScript(text);
    // A short input is also tried as the argument of every command that reads one, where
    // whole-script mutations seldom land.
    if (size <= 32 && !text.contains(QLatin1Char('\n'))) {
        static const char* const settings[] = {"price", "quantity", "scale", "adjust D V", "clock",
                                               "customer", "debit", "pricemode"};
        static const char* const steps[] = {"key", "wait", "type", "scale", "answer keypad",
                                            "answer search", "answer question", "answer observation"};
        for (const char* command : settings)
            checkScript(QStringLiteral("combo 9001\n%1 %2\nopen\n").arg(QLatin1String(command), text));
        for (const char* command : steps)
            checkScript(QStringLiteral("combo 9001\nopen\n%1 %2\n").arg(QLatin1String(command), text));
    }
    return 0;
}
