#include "script.h"

#include "itemrecord.h"

#include <QFile>
#include <QKeySequence>

#include <cmath>

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

// The sections of "answer observation raw", each after its word:
// text "T" group G codes C... typed "T" controlled FLAG PRODUCT CODE...
RawObservation parseRawObservation(const QStringList& w, int line)
{
    static const QStringList sections = {QStringLiteral("text"), QStringLiteral("group"),
                                         QStringLiteral("codes"), QStringLiteral("typed"),
                                         QStringLiteral("controlled")};
    RawObservation r;
    QString section;
    QStringList values;
    auto close = [&] {
        if (section.isEmpty())
            return;
        const bool single = section == QLatin1String("text") ||
                            section == QLatin1String("group") || section == QLatin1String("typed");
        if (single && values.size() != 1)
            throw ScriptError(line, QStringLiteral("raw observation: %1 takes one value").arg(section));
        if (section == QLatin1String("text"))
            r.text = values.first();
        else if (section == QLatin1String("group"))
            r.group = values.first();
        else if (section == QLatin1String("typed"))
            r.typed = values.first();
        else if (section == QLatin1String("codes"))
            r.codes = values;
        else {
            if (values.isEmpty() || values.size() % 3 != 0)
                throw ScriptError(line, QStringLiteral("raw observation: controlled takes rows of "
                                                       "three values: FLAG PRODUCT CODE"));
            for (qsizetype i = 0; i < values.size(); i += 3)
                r.controlled.append(values.mid(i, 3));
        }
        values.clear();
    };
    for (const QString& word : w) {
        if (sections.contains(word.toLower())) {
            close();
            section = word.toLower();
        } else if (section.isEmpty()) {
            throw ScriptError(line, QStringLiteral("raw observation: '%1' comes before any of "
                                                   "text, group, codes, typed, controlled")
                                        .arg(word));
        } else {
            values.append(word);
        }
    }
    close();
    return r;
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
    } else if (kind == QLatin1String("observation") && !rest.isEmpty() &&
               rest.first().toLower() == QLatin1String("raw")) {
        a.kind = AKind::Observation;
        a.raw = parseRawObservation(rest.mid(1), line);
        if (!a.picture.isEmpty())
            throw ScriptError(line, QStringLiteral("a raw observation answer opens no dialog to picture"));
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
    } else if (kind == QLatin1String("scale")) {
        a.kind = AKind::Scale;
        if (rest.size() != 1)
            throw ScriptError(line, QStringLiteral("usage: answer scale KG"));
        a.kg = number(rest.first(), line, "scale");
    } else if (kind == QLatin1String("access")) {
        a.kind = AKind::Access;
        if (rest.size() != 1)
            throw ScriptError(line, QStringLiteral("usage: answer access yes|no"));
        a.yes = yesNo(rest.first(), line);
    } else {
        throw ScriptError(line, QStringLiteral("no dialog kind '%1' (question, warning, "
                                               "information, message, keypad, observation, "
                                               "coupon, search, fiscal, scale, access)")
                                    .arg(w.at(1)));
    }
    return a;
}

// "FIELD=VALUE" words into a row of the fields; a first word without "=" gives the
// value of firstField when there is one.
Row parseRow(const FieldDefs& fields, const QStringList& values, int line,
             const QString& firstField = QString())
{
    Row row(fields.size());
    for (qsizetype i = 0; i < values.size(); ++i) {
        const QString& word = values.at(i);
        const qsizetype eq = word.indexOf(QLatin1Char('='));
        QString name;
        QString value;
        if (eq < 0 && i == 0 && !firstField.isEmpty()) {
            name = firstField;
            value = word;
        } else if (eq <= 0) {
            throw ScriptError(line, QStringLiteral("'%1' is not FIELD=VALUE").arg(word));
        } else {
            name = word.left(eq).toUpper();
            value = word.mid(eq + 1);
        }
        qsizetype at = -1;
        for (qsizetype f = 0; f < fields.size(); ++f) {
            if (fields.at(f).name == name)
                at = f;
        }
        if (at < 0) {
            QStringList names;
            for (const FieldDef& f : fields)
                names << f.name;
            throw ScriptError(line, QStringLiteral("no field %1 (fields: %2)")
                                        .arg(name, names.join(QStringLiteral(", "))));
        }
        const FieldDef& f = fields.at(at);
        QVariant v = value;
        if (f.type == FieldType::Float) {
            v = number(value, line, qPrintable(f.name));
        } else if (f.type == FieldType::Integer) {
            bool ok = false;
            v = value.toInt(&ok);
            if (!ok)
                throw ScriptError(line, QStringLiteral("%1: '%2' is no whole number").arg(f.name, value));
        } else if (f.type == FieldType::DateTime) {
            const QDateTime t = QDateTime::fromString(value, Qt::ISODate);
            if (!t.isValid())
                throw ScriptError(line, QStringLiteral("%1: '%2' is no ISO date").arg(f.name, value));
            v = t;
        }
        try {
            row[at] = coerceToField(f, v);
        } catch (const DataSetError& e) {
            throw ScriptError(line, e.message());
        }
    }
    return row;
}

// The lines that belong to the set-up of a call.
bool startsSetUp(const QString& cmd, const QStringList& w)
{
    static const QStringList setUp = {
        QStringLiteral("combo"),    QStringLiteral("name"),    QStringLiteral("pricemode"),
        QStringLiteral("quantity"), QStringLiteral("adjust"),  QStringLiteral("customer"),
        QStringLiteral("debit"),    QStringLiteral("sale"),    QStringLiteral("calltype"),
        QStringLiteral("clock"),    QStringLiteral("sold"),    QStringLiteral("handed"),
        QStringLiteral("station")};
    return setUp.contains(cmd) || (cmd == QLatin1String("price") && w.size() == 2);
}

// price PRODUCT [flag F] AMOUNT [DISCOUNT [SURCHARGE]] [client AMOUNT]
// price PRODUCT [flag F] fail CODE
ScriptPrice parsePrice(const QStringList& w, int line)
{
    static const char* usage = "price PRODUCT [flag F] AMOUNT [DISCOUNT [SURCHARGE]] [client AMOUNT], "
                               "or price PRODUCT [flag F] fail CODE";
    ScriptPrice p;
    p.line = line;
    p.product = w.at(1);
    QStringList rest = w.mid(2);
    if (rest.size() >= 2 && rest.first().toLower() == QLatin1String("flag")) {
        p.flag = rest.at(1).toUpper();
        rest = rest.mid(2);
    }
    if (rest.isEmpty())
        throw ScriptError(line, QStringLiteral("usage: %1").arg(QLatin1String(usage)));
    if (rest.first().toLower() == QLatin1String("fail")) {
        if (rest.size() != 2)
            throw ScriptError(line, QStringLiteral("usage: %1").arg(QLatin1String(usage)));
        p.failure = rest.at(1);
        return p;
    }
    if (rest.size() >= 2 && rest.at(rest.size() - 2).toLower() == QLatin1String("client")) {
        p.clientPrice = number(rest.last(), line, "client");
        if (*p.clientPrice < 0)
            throw ScriptError(line, QStringLiteral("a client price is never below 0"));
        rest = rest.mid(0, rest.size() - 2);
    }
    if (rest.isEmpty() || rest.size() > 3)
        throw ScriptError(line, QStringLiteral("usage: %1").arg(QLatin1String(usage)));
    p.price = number(rest.at(0), line, "price");
    if (rest.size() > 1)
        p.discount = number(rest.at(1), line, "discount");
    if (rest.size() > 2)
        p.surcharge = number(rest.at(2), line, "surcharge");
    if (p.price < 0 || p.discount < 0 || p.surcharge < 0)
        throw ScriptError(line, QStringLiteral("a price, discount or surcharge is never below 0"));
    return p;
}

void appendRow(DataPacket& packet, const FieldDefs& fields, const QStringList& values, int line,
               const QString& firstField = QString())
{
    if (packet.fields.isEmpty())
        packet.fields = fields;
    packet.rows.append(parseRow(fields, values, line, firstField));
}

// One setting of the call; false when cmd is none.
bool parseSetting(ScriptCall& c, const QString& cmd, const QStringList& w, int line)
{
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
    } else if (cmd == QLatin1String("sold")) {
        if (w.size() < 2)
            throw ScriptError(line, QStringLiteral("usage: sold PRODUCT [FIELD=VALUE...]"));
        appendRow(c.sold, records::itemProd(), w.mid(1), line, QStringLiteral("CDPRODUTO"));
    } else if (cmd == QLatin1String("station")) {
        if (w.size() < 2)
            throw ScriptError(line, QStringLiteral("usage: station [FILE] [FIELD=VALUE...]"));
        c.station = true;
        c.stationLine = line;
        for (qsizetype i = 1; i < w.size(); ++i) {
            const QString& word = w.at(i);
            const qsizetype eq = word.indexOf(QLatin1Char('='));
            if (eq < 0 && i == 1) {
                c.stationFile = word;
            } else if (eq <= 0) {
                throw ScriptError(line, QStringLiteral("'%1' is not FIELD=VALUE").arg(word));
            } else {
                c.stationFields.append({word.left(eq).toUpper(), word.mid(eq + 1)});
            }
        }
    } else if (cmd == QLatin1String("handed")) {
        if (w.size() < 3)
            throw ScriptError(line, QStringLiteral("usage: handed item|obs|ctobs FIELD=VALUE..."));
        const QString what = w.at(1).toLower();
        if (what == QLatin1String("item"))
            appendRow(c.items, records::itemProd(), w.mid(2), line, QStringLiteral("CDPRODUTO"));
        else if (what == QLatin1String("obs"))
            appendRow(c.observations, records::obsItens(), w.mid(2), line);
        else if (what == QLatin1String("ctobs"))
            appendRow(c.controlled, records::prodCtObs(), w.mid(2), line);
        else
            throw ScriptError(line, QStringLiteral("handed takes item, obs or ctobs, not '%1'").arg(w.at(1)));
    } else {
        return false;
    }
    return true;
}

// "group 4", "slot 3", "tray 2" or one control name, from the front of words; what
// follows is left in rest.
QString parseEntry(const QStringList& w, int line, QStringList& rest)
{
    if (w.isEmpty())
        throw ScriptError(line, QStringLiteral("name what to look at: a control, or group N, slot N, "
                                               "tray N, item N"));
    const QString first = w.first().toLower();
    if (first == QLatin1String("group") || first == QLatin1String("slot") ||
        first == QLatin1String("tray") || first == QLatin1String("item")) {
        bool ok = false;
        const int n = w.value(1).toInt(&ok);
        if (!ok || n < 1)
            throw ScriptError(line, QStringLiteral("%1 takes a number from 1").arg(first));
        rest = w.mid(2);
        return first + QLatin1Char(' ') + QString::number(n);
    }
    rest = w.mid(1);
    return w.first();
}

// raw is the line as written, for the messages of "expect".
ScriptStep parseStep(const QStringList& w, int line, const QString& raw)
{
    ScriptStep step;
    step.line = line;
    step.raw = raw;
    const QString cmd = w.first().toLower();
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
            throw ScriptError(line, QStringLiteral("'%1' is no number of milliseconds").arg(w.at(1)));
    } else if (cmd == QLatin1String("screenshot")) {
        expectCount(w, 1, 1, line, "screenshot FILE.png");
        step.kind = Kind::Screenshot;
        step.text = w.at(1);
    } else if (cmd == QLatin1String("reactivate")) {
        expectCount(w, 0, 0, line, "reactivate");
        step.kind = Kind::Reactivate;
    } else if (cmd == QLatin1String("show")) {
        step.kind = Kind::Show;
        if (w.size() > 1) {
            QStringList rest;
            step.text = parseEntry(w.mid(1), line, rest);
            if (!rest.isEmpty())
                throw ScriptError(line, QStringLiteral("usage: show [CONTROL | group N | slot N | tray N]"));
        }
    } else if (cmd == QLatin1String("expect")) {
        step.kind = Kind::Expect;
        QStringList after = w.mid(1);
        ScriptExpect& e = step.expect;
        e.text = raw.mid(w.first().size()).trimmed();
        if (!after.isEmpty() && after.first().toLower() == QLatin1String("no")) {
            e.absent = true;
            after = after.mid(1);
        }
        e.entry = parseEntry(after, line, e.words);
        if (e.absent ? !e.words.isEmpty() : (e.words.isEmpty() || e.words.size() > 2))
            throw ScriptError(line, QStringLiteral("usage: expect ENTRY VALUE, expect ENTRY FIELD "
                                                   "[VALUE], or expect no ENTRY"));
    } else if (cmd == QLatin1String("open")) {
        throw ScriptError(line, QStringLiteral("the screen is open already; a second call "
                                               "starts with 'combo CODE'"));
    } else {
        throw ScriptError(line, QStringLiteral("unknown command '%1' (touch, key, type, tick, "
                                               "wait, scale, screenshot, show, expect, "
                                               "reactivate, price, calls, answer)")
                                    .arg(w.first()));
    }
    return step;
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
        case Kind::Scale:
            return QStringLiteral("scale");
        case Kind::Access:
            return QStringLiteral("access");
    }
    return {};
}

std::optional<double> parseScriptNumber(const QString& text)
{
    QString t = text.trimmed();
    t.replace(QLatin1Char(','), QLatin1Char('.'));
    bool ok = false;
    const double v = t.toDouble(&ok);
    // toDouble also reads "nan" and "inf"; no weight, price or quantity is either.
    if (!ok || !std::isfinite(v))
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
    s.sales.append(ScriptSale{});
    bool opened = false;
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (int i = 0; i < lines.size(); ++i) {
        const int line = i + 1;
        const QString raw = lines.at(i).trimmed();
        if (raw.isEmpty() || raw.startsWith(QLatin1Char('#')))
            continue;
        const QStringList w = words(raw, line);
        const QString cmd = w.first().toLower();

        // After a screen has opened, the set-up of another call starts with its combo.
        if (opened && startsSetUp(cmd, w)) {
            if (cmd != QLatin1String("combo"))
                throw ScriptError(line, QStringLiteral("'%1' sets up a call: start the next call "
                                                       "with 'combo CODE' (the screen opened "
                                                       "at line %2)")
                                            .arg(w.first())
                                            .arg(s.sales.last().openLine));
            s.sales.append(ScriptSale{});
            opened = false;
        }
        ScriptSale& sale = s.sales.last();
        ScriptCall& c = sale.call;
        if (!opened)
            sale.setUpLines << raw;
        auto step = [&](Kind kind) {
            ScriptStep st;
            st.kind = kind;
            st.line = line;
            st.raw = raw;
            return st;
        };

        if (cmd == QLatin1String("answer")) {
            ScriptStep st = step(Kind::Answer);
            st.answer = parseAnswer(w, line);
            (opened ? sale.steps : sale.opening).append(st);
            continue;
        }
        if (cmd == QLatin1String("scale")) {
            expectCount(w, 1, 1, line, "scale KG");
            const double kg = number(w.at(1), line, "scale");
            if (!opened) {
                c.scale = kg;
                continue;
            }
            ScriptStep st = step(Kind::Scale);
            st.kg = kg;
            sale.steps.append(st);
            continue;
        }
        if (cmd == QLatin1String("calls")) {
            expectCount(w, 1, 1, line, "calls on|off");
            const QString v = w.at(1).toLower();
            if (v != QLatin1String("on") && v != QLatin1String("off"))
                throw ScriptError(line, QStringLiteral("usage: calls on|off"));
            if (!opened) {
                c.calls = v == QLatin1String("on");
                continue;
            }
            ScriptStep st = step(Kind::Calls);
            st.on = v == QLatin1String("on");
            sale.steps.append(st);
            continue;
        }
        if (cmd == QLatin1String("price") && w.size() > 2) {
            const ScriptPrice p = parsePrice(w, line);
            if (!opened) {
                c.prices.append(p);
                continue;
            }
            ScriptStep st = step(Kind::Price);
            st.price = p;
            sale.steps.append(st);
            continue;
        }

        if (!opened) {
            if (parseSetting(c, cmd, w, line))
                continue;
            if (cmd == QLatin1String("open")) {
                expectCount(w, 0, 0, line, "open");
                if (c.combo.isEmpty())
                    throw ScriptError(line, QStringLiteral("open: no combo named before it"));
                opened = true;
                sale.openLine = line;
                continue;
            }
            // The module-wide state may be looked at before the call is made.
            const bool no = cmd == QLatin1String("expect") && w.value(1).toLower() == QLatin1String("no");
            if ((cmd == QLatin1String("show") || cmd == QLatin1String("expect")) &&
                w.value(no ? 2 : 1).toLower() == QLatin1String("module")) {
                sale.before.append(parseStep(w, line, raw));
                continue;
            }
            if (cmd == QLatin1String("show") || cmd == QLatin1String("expect") ||
                cmd == QLatin1String("reactivate"))
                throw ScriptError(line, QStringLiteral("'%1' needs the screen: it comes after open")
                                            .arg(w.first()));
            throw ScriptError(line, QStringLiteral("'%1' cannot come before open (settings: "
                                                   "combo, name, pricemode, price, quantity, "
                                                   "adjust, customer, debit, sale, calltype, "
                                                   "clock, scale, sold, handed, station, calls, "
                                                   "answer, show module, expect module)")
                                        .arg(w.first()));
        }

        sale.steps.append(parseStep(w, line, raw));
    }
    if (!opened) {
        if (s.sales.size() == 1)
            throw ScriptError(0, QStringLiteral("the script never opens the screen (no 'open' line)"));
        throw ScriptError(s.sales.last().call.comboLine,
                          QStringLiteral("this call is never made (no 'open' line after it)"));
    }
    return s;
}

}  // namespace kvp::refhost
