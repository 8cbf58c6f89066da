#include "rtfreader.h"

#include <QHash>
#include <QSet>

#include <algorithm>

namespace kvp::ui::rtf {

namespace {

// Destinations whose content is never text to show.
const QSet<QString>& skippedDestinations()
{
    static const QSet<QString> names = {
        QStringLiteral("fonttbl"),
        QStringLiteral("colortbl"),
        QStringLiteral("stylesheet"),
        QStringLiteral("info"),
        QStringLiteral("pict"),
        QStringLiteral("object"),
        QStringLiteral("objdata"),
        QStringLiteral("header"),
        QStringLiteral("headerl"),
        QStringLiteral("headerr"),
        QStringLiteral("headerf"),
        QStringLiteral("footer"),
        QStringLiteral("footerl"),
        QStringLiteral("footerr"),
        QStringLiteral("footerf"),
        QStringLiteral("footnote"),
        QStringLiteral("fldinst"),
        QStringLiteral("listtable"),
        QStringLiteral("listoverridetable"),
        QStringLiteral("rsidtbl"),
        QStringLiteral("generator"),
        QStringLiteral("xmlnstbl"),
        QStringLiteral("themedata"),
        QStringLiteral("colorschememapping"),
        QStringLiteral("latentstyles"),
        QStringLiteral("datastore"),
        QStringLiteral("revtbl"),
        QStringLiteral("filetbl"),
        QStringLiteral("pgdsctbl"),
        QStringLiteral("nonshppict"),
        QStringLiteral("template"),
        QStringLiteral("userprops"),
        QStringLiteral("docvar"),
        QStringLiteral("bkmkstart"),
        QStringLiteral("bkmkend"),
        QStringLiteral("annotation"),
        QStringLiteral("atnid"),
        QStringLiteral("atnauthor"),
        QStringLiteral("xe"),
        QStringLiteral("tc"),
        QStringLiteral("private"),
        QStringLiteral("mmathPr"),
    };
    return names;
}

// Control words that stand for one character.
const QHash<QString, char16_t>& symbolWords()
{
    static const QHash<QString, char16_t> words = {
        {QStringLiteral("line"), u'\n'},       {QStringLiteral("tab"), u'\t'},
        {QStringLiteral("cell"), u'\t'},       {QStringLiteral("emdash"), 0x2014},
        {QStringLiteral("endash"), 0x2013},    {QStringLiteral("bullet"), 0x2022},
        {QStringLiteral("lquote"), 0x2018},    {QStringLiteral("rquote"), 0x2019},
        {QStringLiteral("ldblquote"), 0x201C}, {QStringLiteral("rdblquote"), 0x201D},
        {QStringLiteral("emspace"), u' '},     {QStringLiteral("enspace"), u' '},
        {QStringLiteral("qmspace"), u' '},
    };
    return words;
}

// Windows-1252 bytes 0x80 to 0x9F; the rest of the upper half is Latin-1.
constexpr char16_t kHighTable[32] = {
    0x20AC, 0xFFFD, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0xFFFD, 0x017D, 0xFFFD, 0xFFFD, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0xFFFD, 0x017E, 0x0178,
};

struct GroupState {
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool skip = false;    // inside a destination that is not shown
    int unicodeSkip = 1;  // \ucN: fallback characters after each \u
};

class Reader {
public:
    explicit Reader(const QString& text) : m_s(text) { m_doc.paragraphs.append(Paragraph{}); }

    Document run()
    {
        const qsizetype n = m_s.size();
        while (m_i < n) {
            const QChar c = m_s.at(m_i);
            if (c == u'{') {
                m_stack.append(m_state);
                m_pendingSkip = 0;
                ++m_i;
            } else if (c == u'}') {
                if (m_stack.isEmpty()) {
                    m_doc.wellFormed = false;  // a closing brace too many: ignore it
                } else {
                    m_state = m_stack.takeLast();
                }
                m_pendingSkip = 0;
                ++m_i;
            } else if (c == u'\\') {
                readControl();
            } else if (c == u'\r' || c == u'\n') {
                ++m_i;  // line ends in the source carry no meaning
            } else {
                ++m_i;
                literal(c);
            }
        }
        if (!m_stack.isEmpty())
            m_doc.wellFormed = false;  // the text ended inside a group
        return std::move(m_doc);
    }

private:
    void readControl()
    {
        const qsizetype n = m_s.size();
        if (m_i + 1 >= n) {
            m_doc.wellFormed = false;
            m_i = n;
            return;
        }
        const QChar d = m_s.at(m_i + 1);
        if (isAsciiLetter(d)) {
            qsizetype j = m_i + 1;
            while (j < n && isAsciiLetter(m_s.at(j)) && j - m_i <= 32)
                ++j;
            const QString word = m_s.mid(m_i + 1, j - m_i - 1);
            bool hasParam = false;
            bool negative = false;
            qint64 param = 0;
            if (j < n && m_s.at(j) == u'-' && j + 1 < n && m_s.at(j + 1).isDigit()) {
                negative = true;
                ++j;
            }
            int digits = 0;
            while (j < n && m_s.at(j) >= u'0' && m_s.at(j) <= u'9') {
                if (digits < 10)
                    param = param * 10 + (m_s.at(j).unicode() - u'0');
                ++digits;
                ++j;
            }
            hasParam = digits > 0;
            if (negative)
                param = -param;
            if (j < n && m_s.at(j) == u' ')
                ++j;  // the delimiting blank belongs to the control word
            m_i = j;
            controlWord(word, hasParam,
                        static_cast<int>(std::clamp<qint64>(param, -2147483647, 2147483647)));
            return;
        }
        m_i += 2;
        switch (d.unicode()) {
            case u'\'': {
                int byte = 0;
                int got = 0;
                while (got < 2 && m_i < n) {
                    const int h = hexValue(m_s.at(m_i));
                    if (h < 0)
                        break;
                    byte = byte * 16 + h;
                    ++got;
                    ++m_i;
                }
                if (got < 2) {
                    m_doc.wellFormed = false;
                    return;
                }
                character(cp1252(static_cast<unsigned char>(byte)));
                return;
            }
            case u'\\':
            case u'{':
            case u'}':
                character(d);
                return;
            case u'~':
                character(QChar(0x00A0));
                return;
            case u'_':
                character(QChar(0x2011));
                return;
            case u'-':
                character(QChar());  // optional hyphen: shown as nothing, counts as a character
                return;
            case u'*':
                m_state.skip = true;  // an ignorable destination
                return;
            case u'\r':
            case u'\n':
                if (!consumeFallback())
                    paragraphBreak();
                return;
            case u'\t':
                character(QChar(u'\t'));
                return;
            default:
                consumeFallback();  // other control symbols (\| \: ...) show nothing
                return;
        }
    }

    void controlWord(const QString& w, bool hasParam, int param)
    {
        if (w == QLatin1String("bin")) {
            // Binary data follows; skip its bytes whatever the state.
            m_i = std::min<qsizetype>(m_s.size(), m_i + std::max(0, param));
            return;
        }
        if (skippedDestinations().contains(w)) {
            m_state.skip = true;
            return;
        }
        if (m_state.skip)
            return;
        if (w == QLatin1String("u")) {
            if (consumeFallback())
                return;
            const int code = param < 0 ? param + 65536 : param;
            if ((code & 0xFFFF) >= 0x20)
                emitChar(QChar(static_cast<char16_t>(code & 0xFFFF)));
            m_pendingSkip = m_state.unicodeSkip;
            return;
        }
        if (consumeFallback())
            return;
        if (const auto symbol = symbolWords().constFind(w); symbol != symbolWords().cend()) {
            emitChar(QChar(*symbol));
            return;
        }
        const bool on = !hasParam || param != 0;
        if (w == QLatin1String("par") || w == QLatin1String("sect") || w == QLatin1String("page") ||
            w == QLatin1String("row"))
            paragraphBreak();
        else if (w == QLatin1String("b"))
            m_state.bold = on;
        else if (w == QLatin1String("i"))
            m_state.italic = on;
        else if (w == QLatin1String("ul"))
            m_state.underline = on;
        else if (w == QLatin1String("ulnone"))
            m_state.underline = false;
        else if (w == QLatin1String("plain"))
            m_state.bold = m_state.italic = m_state.underline = false;
        else if (w == QLatin1String("uc"))
            m_state.unicodeSkip = std::max(0, param);
        // Every other control word (fonts, sizes, colours, layout) changes nothing we show.
    }

    // A character of the text: skipped when it is a \u fallback, else shown.
    void character(QChar c)
    {
        if (consumeFallback() || m_state.skip)
            return;
        if (!c.isNull())
            emitChar(c);
    }

    void literal(QChar c)
    {
        if (c == u'\t') {
            character(c);
            return;
        }
        if (c.unicode() < 0x20)
            return;  // stray control characters
        character(c);
    }

    bool consumeFallback()
    {
        if (m_pendingSkip <= 0)
            return false;
        --m_pendingSkip;
        return true;
    }

    void emitChar(QChar c)
    {
        if (m_state.skip)
            return;
        Paragraph& p = m_doc.paragraphs.last();
        if (p.runs.isEmpty() || p.runs.last().bold != m_state.bold ||
            p.runs.last().italic != m_state.italic || p.runs.last().underline != m_state.underline)
            p.runs.append(Run{QString(), m_state.bold, m_state.italic, m_state.underline});
        p.runs.last().text.append(c);
    }

    void paragraphBreak()
    {
        if (!m_state.skip)
            m_doc.paragraphs.append(Paragraph{});
    }

    static bool isAsciiLetter(QChar c)
    {
        return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
    }

    static int hexValue(QChar c)
    {
        if (c >= u'0' && c <= u'9')
            return c.unicode() - u'0';
        if (c >= u'a' && c <= u'f')
            return c.unicode() - u'a' + 10;
        if (c >= u'A' && c <= u'F')
            return c.unicode() - u'A' + 10;
        return -1;
    }

    const QString& m_s;
    qsizetype m_i = 0;
    Document m_doc;
    GroupState m_state;
    QList<GroupState> m_stack;  // a list, not recursion: deep nesting cannot overflow
    int m_pendingSkip = 0;
};

QList<Paragraph> trimmed(const QList<Paragraph>& paragraphs)
{
    QList<Paragraph> out = paragraphs;
    while (!out.isEmpty() && out.last().text().trimmed().isEmpty())
        out.removeLast();
    return out;
}

}  // namespace

QString Paragraph::text() const
{
    QString s;
    for (const Run& r : runs)
        s += r.text;
    return s;
}

QChar cp1252(unsigned char byte)
{
    if (byte >= 0x80 && byte <= 0x9F)
        return QChar(kHighTable[byte - 0x80]);
    return QChar(static_cast<char16_t>(byte));
}

bool looksLikeRtf(const QString& text)
{
    qsizetype i = 0;
    while (i < text.size() && text.at(i).isSpace())
        ++i;
    return text.mid(i, 5) == QLatin1String("{\\rtf");
}

Document parse(const QString& rtf)
{
    return Reader(rtf).run();
}

QString toPlainText(const Document& doc)
{
    QStringList lines;
    for (const Paragraph& p : trimmed(doc.paragraphs))
        lines << p.text();
    return lines.join(QLatin1Char('\n'));
}

QString toHtml(const Document& doc)
{
    QString html;
    for (const Paragraph& p : trimmed(doc.paragraphs)) {
        html += QStringLiteral("<p style=\"margin:0; white-space:pre-wrap;\">");
        if (p.runs.isEmpty())
            html += QStringLiteral("&nbsp;");
        for (const Run& r : p.runs) {
            QString t = r.text.toHtmlEscaped();
            t.replace(QLatin1Char('\n'), QStringLiteral("<br/>"));
            if (r.underline)
                t = QStringLiteral("<u>") + t + QStringLiteral("</u>");
            if (r.italic)
                t = QStringLiteral("<i>") + t + QStringLiteral("</i>");
            if (r.bold)
                t = QStringLiteral("<b>") + t + QStringLiteral("</b>");
            html += t;
        }
        html += QStringLiteral("</p>");
    }
    return html;
}

}  // namespace kvp::ui::rtf
