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

bool sameAnswer(const ScriptAnswer& a, const ScriptAnswer& b, int shift)
{
    return a.kind == b.kind && a.line + shift == b.line && a.yes == b.yes && a.cancel == b.cancel &&
           a.text == b.text && a.codes == b.codes && a.row == b.row && a.picture == b.picture;
}

bool sameSteps(const QList<ScriptStep>& a, const QList<ScriptStep>& b, int shift)
{
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        const ScriptStep& x = a.at(i);
        const ScriptStep& y = b.at(i);
        if (x.kind != y.kind || x.line + shift != y.line || x.text != y.text || x.key != y.key ||
            x.ms != y.ms || x.kg != y.kg || !sameAnswer(x.answer, y.answer, x.kind == ScriptStep::Kind::Answer ? shift : 0))
            return false;
    }
    return true;
}

bool sameCall(const ScriptCall& a, const ScriptCall& b, int shift)
{
    return a.combo == b.combo && a.comboLine + shift == b.comboLine && a.name == b.name &&
           a.priceMode == b.priceMode && sameNumber(a.price, b.price) && a.adjustType == b.adjustType &&
           a.valueOrPerc == b.valueOrPerc && sameNumber(a.adjust, b.adjust) &&
           a.applyAdjust == b.applyAdjust && a.quantity == b.quantity && a.customer == b.customer &&
           a.consumer == b.consumer && a.debit == b.debit && a.sale == b.sale &&
           a.callType == b.callType && a.clock == b.clock && a.scale == b.scale;
}

bool linesInOrder(const Script& s, int lines)
{
    int last = 0;
    for (const ScriptStep& step : s.opening) {
        if (step.line <= last || step.line >= s.openLine)
            return false;
        last = step.line;
    }
    last = s.openLine;
    for (const ScriptStep& step : s.steps) {
        if (step.line <= last || step.line > lines)
            return false;
        last = step.line;
    }
    return s.openLine >= 1 && s.openLine <= lines;
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
    fuzz::check(sameCall(s->call, m->call, 1) && s->openLine + 1 == m->openLine &&
                    sameSteps(s->opening, m->opening, 1) && sameSteps(s->steps, m->steps, 1),
                "CRLF and a comment change nothing", text, moved);
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
