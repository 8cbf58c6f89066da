#include "script.h"

#include <QFile>
#include <QKeySequence>

namespace kvp::refhost {

namespace {

using Kind = ScriptStep::Kind;
using AKind = ScriptAnswer::Kind;

// Splits a line into words; "double quoted" words may hold blanks ("" inside is a quote).
QStringList words(const QString& line, int number)
{
    QStringList out;
    QString word;
    bool inWord = false;
    bool quoted = false;
    for (qsizetype i = 0; i < line.size(); ++i) {
        const QChar c = line.at(i);
        if (quoted) {
            if (c == QLatin1Char('"')) {
                if (i + 1 < line.size() && line.at(i + 1) == QLatin1Char('"')) {
                    word += c;
                    ++i;
                } else {
                    quoted = false;
                }
            } else {
                word += c;
            }
            continue;
        }
        if (c == QLatin1Char('"')) {
            quoted = true;
            inWord = true;
        } else if (c.isSpace()) {
            if (inWord)
                out.append(word);
            word.clear();
            inWord = false;
        } else {
            word += c;
            inWord = true;
        }
    }
    if (quoted)
        throw ScriptError(number, QStringLiteral("a quoted text is not closed"));
    if (inWord)
        out.append(word);
    return out;
}

bool yesNo(const QString& word, int line)
{
    const QString w = word.toLower();
    if (w == QLatin1String("yes") || w == QLatin1String("sim") || w == QLatin1String("s"))
        return true;
    if (w == QLatin1String("no") || w == QLatin1String("nao") || w == QLatin1String("não") ||
        w == QLatin1String("n"))
        return false;
    throw ScriptError(line, QStringLiteral("'%1' is neither yes nor no").arg(word));
}

double number(const QString& word, int line, const char* what)
{
    const std::optional<double> v = parseScriptNumber(word);
    if (!v)
        throw ScriptError(line, QStringLiteral("%1: '%2' is not a number")
                                    .arg(QLatin1String(what), word));
    return *v;
}

void expectCount(const QStringList& w, int least, int most, int line, const char* usage)
{
    const int n = static_cast<int>(w.size()) - 1;
    if (n < least || n > most)
        throw ScriptError(line, QStringLiteral("usage: %1").arg(QLatin1String(usage)));
}

ScriptAnswer parseAnswer(QStringList w, int line)
{
    ScriptAnswer a;
    a.line = line;
    // A trailing "> FILE.png" pictures the dialog over the screen.
    const qsizetype arrow = w.indexOf(QStringLiteral(">"));
    if (arrow >= 0) {
        if (arrow != w.size() - 2)
            throw ScriptError(line, QStringLiteral("'>' must be followed by one file name, last"));
        a.picture = w.last();
        w = w.mid(0, arrow);
    }
    if (w.size() < 2)
        throw ScriptError(line, QStringLiteral("usage: answer KIND [VALUE...] [> FILE.png]"));
    const QString kind = w.at(1).toLower();
    const QStringList rest = w.mid(2);
    const bool cancel = rest.size() == 1 && rest.first().toLower() == QLatin1String("cancel");
    if (kind == QLatin1String("question")) {
        a.kind = AKind::Question;
        if (rest.isEmpty())
            throw ScriptError(line, QStringLiteral("usage: answer question yes|no [TEXT]"));
        a.yes = yesNo(rest.first(), line);
        a.text = rest.mid(1).join(QLatin1Char(' '));
    } else if (kind == QLatin1String("warning") || kind == QLatin1String("information") ||
               kind == QLatin1String("message")) {
        a.kind = kind == QLatin1String("warning")       ? AKind::Warning
                 : kind == QLatin1String("information") ? AKind::Information
                                                         : AKind::Message;
        a.text = rest.join(QLatin1Char(' '));
    } else if (kind == QLatin1String("keypad")) {
        a.kind = AKind::Keypad;
        if (rest.size() != 1)
            throw ScriptError(line, QStringLiteral("usage: answer keypad VALUE|cancel"));
        a.cancel = cancel;
        a.text = cancel ? QString() : rest.first();
    } else if (kind == QLatin1String("observation")) {
        a.kind = AKind::Observation;
        a.cancel = cancel;
        if (!cancel) {
            const qsizetype bar = rest.indexOf(QStringLiteral("|"));
            a.codes = bar < 0 ? rest : rest.mid(0, bar);
            if (bar >= 0)
                a.text = rest.mid(bar + 1).join(QLatin1Char(' '));
        }
    } else if (kind == QLatin1String("coupon")) {
        a.kind = AKind::Coupon;
        if (rest.size() > 1)
            throw ScriptError(line, QStringLiteral("usage: answer coupon [CODE|cancel]"));
        a.cancel = cancel;
        a.text = cancel || rest.isEmpty() ? QString() : rest.first();
    } else if (kind == QLatin1String("search") || kind == QLatin1String("fiscal")) {
        a.kind = kind == QLatin1String("search") ? AKind::Search : AKind::Fiscal;
        if (rest.size() != 1)
            throw ScriptError(line, QStringLiteral("usage: answer %1 ROW|cancel").arg(kind));
        a.cancel = cancel || rest.first().toLower() == QLatin1String("close");
        if (!a.cancel) {
            bool ok = false;
            a.row = rest.first().toInt(&ok);
            if (!ok || a.row < 1)
                throw ScriptError(line, QStringLiteral("'%1' is no row number (1 is the first)")
                                            .arg(rest.first()));
        }
    } else {
        throw ScriptError(line, QStringLiteral("no dialog kind '%1' (question, warning, "
                                               "information, message, keypad, observation, "
                                               "coupon, search, fiscal)")
                                    .arg(w.at(1)));
    }
    return a;
}

}  // namespace

ScriptError::ScriptError(int line, const QString& message)
    : std::runtime_error(message.toStdString()), m_line(line), m_message(message)
{
}

QString ScriptAnswer::kindName(Kind kind)
{
    switch (kind) {
        case Kind::Question:
            return QStringLiteral("question");
        case Kind::Information:
            return QStringLiteral("information");
        case Kind::Warning:
            return QStringLiteral("warning");
        case Kind::Message:
            return QStringLiteral("message");
        case Kind::Keypad:
            return QStringLiteral("keypad");
        case Kind::Observation:
            return QStringLiteral("observation");
        case Kind::Coupon:
            return QStringLiteral("coupon");
        case Kind::Search:
            return QStringLiteral("search");
        case Kind::Fiscal:
            return QStringLiteral("fiscal");
    }
    return {};
}

std::optional<double> parseScriptNumber(const QString& text)
{
    QString t = text.trimmed();
    t.replace(QLatin1Char(','), QLatin1Char('.'));
    bool ok = false;
    const double v = t.toDouble(&ok);
    if (!ok)
        return std::nullopt;
    return v;
}

int keyFromName(const QString& name)
{
    const QString n = name.toLower();
    if (n == QLatin1String("esc") || n == QLatin1String("escape"))
        return Qt::Key_Escape;
    if (n == QLatin1String("enter"))
        return Qt::Key_Enter;
    if (n == QLatin1String("return"))
        return Qt::Key_Return;
    if (name.size() == 1 && name.at(0).isDigit())
        return Qt::Key_0 + name.at(0).digitValue();
    const QKeySequence seq = QKeySequence::fromString(name, QKeySequence::PortableText);
    if (seq.count() != 1)
        return 0;
    const QKeyCombination combo = seq[0];
    // Qt reads an unknown word as some key; only a name that reads back the same counts.
    if (combo.keyboardModifiers() != Qt::NoModifier || combo.key() == Qt::Key_unknown ||
        seq.toString(QKeySequence::PortableText).compare(name, Qt::CaseInsensitive) != 0)
        return 0;
    return combo.key();
}

Script Script::load(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        throw ScriptError(0, QStringLiteral("cannot read the script: %1").arg(f.errorString()));
    return parse(QString::fromUtf8(f.readAll()), path);
}

Script Script::parse(const QString& text, const QString& file)
{
    Script s;
    s.file = file;
    bool opened = false;
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (int i = 0; i < lines.size(); ++i) {
        const int line = i + 1;
        const QString raw = lines.at(i).trimmed();
        if (raw.isEmpty() || raw.startsWith(QLatin1Char('#')))
            continue;
        const QStringList w = words(raw, line);
        const QString cmd = w.first().toLower();
        ScriptCall& c = s.call;

        if (cmd == QLatin1String("answer")) {
            ScriptStep step;
            step.kind = Kind::Answer;
            step.line = line;
            step.answer = parseAnswer(w, line);
            (opened ? s.steps : s.opening).append(step);
            continue;
        }
        if (cmd == QLatin1String("scale")) {
            expectCount(w, 1, 1, line, "scale KG");
            const double kg = number(w.at(1), line, "scale");
            if (!opened) {
                c.scale = kg;
                continue;
            }
            ScriptStep step;
            step.kind = Kind::Scale;
            step.line = line;
            step.kg = kg;
            s.steps.append(step);
            continue;
        }

        if (!opened) {
            if (cmd == QLatin1String("combo")) {
                expectCount(w, 1, 1, line, "combo CODE");
                c.combo = w.at(1);
                c.comboLine = line;
            } else if (cmd == QLatin1String("name")) {
                expectCount(w, 1, 1, line, "name \"NAME\"");
                c.name = w.at(1);
            } else if (cmd == QLatin1String("pricemode")) {
                expectCount(w, 1, 1, line, "pricemode 1|2");
                c.priceMode = w.at(1);
            } else if (cmd == QLatin1String("price")) {
                expectCount(w, 1, 1, line, "price AMOUNT");
                c.price = number(w.at(1), line, "price");
            } else if (cmd == QLatin1String("quantity")) {
                expectCount(w, 1, 1, line, "quantity N");
                c.quantity = number(w.at(1), line, "quantity");
                if (c.quantity <= 0)
                    throw ScriptError(line, QStringLiteral("quantity must be above 0"));
            } else if (cmd == QLatin1String("adjust")) {
                if (w.size() == 2 && w.at(1).toLower() == QLatin1String("none")) {
                    c.applyAdjust = false;
                    c.adjustType = QString();
                    c.adjust = 0.0;
                } else {
                    expectCount(w, 3, 3, line, "adjust D|A V|P AMOUNT, or adjust none");
                    c.adjustType = w.at(1).toUpper();
                    c.valueOrPerc = w.at(2).toUpper();
                    c.adjust = number(w.at(3), line, "adjust");
                    c.applyAdjust = true;
                }
            } else if (cmd == QLatin1String("customer")) {
                expectCount(w, 1, 2, line, "customer CLIENT [CONSUMER]");
                c.customer = w.at(1);
                c.consumer = w.value(2);
            } else if (cmd == QLatin1String("debit")) {
                expectCount(w, 1, 1, line, "debit yes|no");
                c.debit = yesNo(w.at(1), line);
            } else if (cmd == QLatin1String("sale")) {
                expectCount(w, 1, 1, line, "sale NUMBER");
                c.sale = w.at(1);
            } else if (cmd == QLatin1String("calltype")) {
                expectCount(w, 1, 1, line, "calltype CODE");
                c.callType = w.at(1);
            } else if (cmd == QLatin1String("clock")) {
                expectCount(w, 2, 2, line, "clock YYYY-MM-DD HH:MM[:SS]");
                const QString when = w.at(1) + QLatin1Char(' ') + w.at(2);
                QDateTime t = QDateTime::fromString(when, QStringLiteral("yyyy-MM-dd HH:mm:ss"));
                if (!t.isValid())
                    t = QDateTime::fromString(when, QStringLiteral("yyyy-MM-dd HH:mm"));
                if (!t.isValid())
                    throw ScriptError(line, QStringLiteral("'%1' is no date and time").arg(when));
                c.clock = t;
            } else if (cmd == QLatin1String("open")) {
                expectCount(w, 0, 0, line, "open");
                if (c.combo.isEmpty())
                    throw ScriptError(line, QStringLiteral("open: no combo named before it"));
                opened = true;
                s.openLine = line;
            } else {
                throw ScriptError(line, QStringLiteral("'%1' cannot come before open (settings: "
                                                       "combo, name, pricemode, price, quantity, "
                                                       "adjust, customer, debit, sale, calltype, "
                                                       "clock, scale, answer)")
                                            .arg(w.first()));
            }
            continue;
        }

        ScriptStep step;
        step.line = line;
        if (cmd == QLatin1String("touch")) {
            expectCount(w, 1, 1, line, "touch CONTROL");
            step.kind = Kind::Touch;
            step.text = w.at(1);
        } else if (cmd == QLatin1String("key")) {
            expectCount(w, 1, 1, line, "key NAME");
            step.kind = Kind::Key;
            step.text = w.at(1);
            step.key = keyFromName(w.at(1));
            if (step.key == 0)
                throw ScriptError(line, QStringLiteral("no key named '%1'").arg(w.at(1)));
        } else if (cmd == QLatin1String("type")) {
            expectCount(w, 1, 1, line, "type TEXT");
            step.kind = Kind::Type;
            step.text = w.at(1);
        } else if (cmd == QLatin1String("tick")) {
            expectCount(w, 1, 1, line, "tick TIMER");
            step.kind = Kind::Tick;
            step.text = w.at(1);
        } else if (cmd == QLatin1String("wait")) {
            expectCount(w, 1, 1, line, "wait MILLISECONDS");
            bool ok = false;
            step.kind = Kind::Wait;
            step.ms = w.at(1).toInt(&ok);
            if (!ok || step.ms < 0)
                throw ScriptError(line, QStringLiteral("'%1' is no number of milliseconds")
                                            .arg(w.at(1)));
        } else if (cmd == QLatin1String("screenshot")) {
            expectCount(w, 1, 1, line, "screenshot FILE.png");
            step.kind = Kind::Screenshot;
            step.text = w.at(1);
        } else if (cmd == QLatin1String("open")) {
            throw ScriptError(line, QStringLiteral("the screen is open already (line %1)")
                                        .arg(s.openLine));
        } else {
            throw ScriptError(line, QStringLiteral("unknown command '%1' (touch, key, type, "
                                                   "tick, wait, scale, screenshot, answer)")
                                        .arg(w.first()));
        }
        s.steps.append(step);
    }
    if (!opened)
        throw ScriptError(0, QStringLiteral("the script never opens the screen (no 'open' line)"));
    return s;
}

}  // namespace kvp::refhost
