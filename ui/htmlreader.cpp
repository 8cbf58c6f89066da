#include "htmlreader.h"

#include <QHash>

#include <algorithm>
#include <vector>

namespace kvp::ui::html {

namespace {

using rtf::Document;
using rtf::Paragraph;
using rtf::Run;

// The named entities a note in Portuguese (or pasted from an office program) uses; any
// other name stays as it was written.
const QHash<QString, char16_t>& namedEntities()
{
    static const QHash<QString, char16_t> names = {
        {QStringLiteral("amp"), u'&'},      {QStringLiteral("lt"), u'<'},
        {QStringLiteral("gt"), u'>'},       {QStringLiteral("quot"), u'"'},
        {QStringLiteral("apos"), u'\''},    {QStringLiteral("nbsp"), 0x00A0},
        {QStringLiteral("aacute"), 0x00E1}, {QStringLiteral("Aacute"), 0x00C1},
        {QStringLiteral("agrave"), 0x00E0}, {QStringLiteral("Agrave"), 0x00C0},
        {QStringLiteral("acirc"), 0x00E2},  {QStringLiteral("Acirc"), 0x00C2},
        {QStringLiteral("atilde"), 0x00E3}, {QStringLiteral("Atilde"), 0x00C3},
        {QStringLiteral("eacute"), 0x00E9}, {QStringLiteral("Eacute"), 0x00C9},
        {QStringLiteral("ecirc"), 0x00EA},  {QStringLiteral("Ecirc"), 0x00CA},
        {QStringLiteral("iacute"), 0x00ED}, {QStringLiteral("Iacute"), 0x00CD},
        {QStringLiteral("oacute"), 0x00F3}, {QStringLiteral("Oacute"), 0x00D3},
        {QStringLiteral("ocirc"), 0x00F4},  {QStringLiteral("Ocirc"), 0x00D4},
        {QStringLiteral("otilde"), 0x00F5}, {QStringLiteral("Otilde"), 0x00D5},
        {QStringLiteral("uacute"), 0x00FA}, {QStringLiteral("Uacute"), 0x00DA},
        {QStringLiteral("uuml"), 0x00FC},   {QStringLiteral("Uuml"), 0x00DC},
        {QStringLiteral("ccedil"), 0x00E7}, {QStringLiteral("Ccedil"), 0x00C7},
        {QStringLiteral("ntilde"), 0x00F1}, {QStringLiteral("Ntilde"), 0x00D1},
        {QStringLiteral("ordm"), 0x00BA},   {QStringLiteral("ordf"), 0x00AA},
        {QStringLiteral("deg"), 0x00B0},    {QStringLiteral("frac12"), 0x00BD},
        {QStringLiteral("times"), 0x00D7},  {QStringLiteral("middot"), 0x00B7},
        {QStringLiteral("laquo"), 0x00AB},  {QStringLiteral("raquo"), 0x00BB},
        {QStringLiteral("copy"), 0x00A9},   {QStringLiteral("reg"), 0x00AE},
        {QStringLiteral("euro"), 0x20AC},   {QStringLiteral("bull"), 0x2022},
        {QStringLiteral("hellip"), 0x2026}, {QStringLiteral("ndash"), 0x2013},
        {QStringLiteral("mdash"), 0x2014},  {QStringLiteral("lsquo"), 0x2018},
        {QStringLiteral("rsquo"), 0x2019},  {QStringLiteral("ldquo"), 0x201C},
        {QStringLiteral("rdquo"), 0x201D},
    };
    return names;
}

enum class Tag {
    Other,  // unknown or without meaning here (span without style, img, a, font, ...)
    Bold,
    Italic,
    Underline,
    Heading,  // a block shown bold
    Block,    // a block: starts and ends a line
    Pre,      // a block whose blanks and line ends are kept
    Break,
    List,      // ul
    Numbered,  // ol
    Item,
    Row,
    Cell,
    Span,     // may carry bold, italic or underline in its style
    RawText,  // content never shown: script, style, title, ...
};

Tag tagOf(const QString& name)
{
    static const QHash<QString, Tag> tags = [] {
        QHash<QString, Tag> t;
        for (const char* n : {"b", "strong"})
            t.insert(QLatin1String(n), Tag::Bold);
        for (const char* n : {"i", "em", "cite", "var", "dfn"})
            t.insert(QLatin1String(n), Tag::Italic);
        for (const char* n : {"u", "ins"})
            t.insert(QLatin1String(n), Tag::Underline);
        for (const char* n : {"h1", "h2", "h3", "h4", "h5", "h6"})
            t.insert(QLatin1String(n), Tag::Heading);
        for (const char* n :
             {"p",       "div",      "blockquote", "section", "article", "header", "footer",
              "address", "center",   "table",      "tbody",   "thead",   "tfoot",  "caption",
              "form",    "fieldset", "dl",         "dt",      "dd",      "figure", "main",
              "nav",     "aside",    "hr",         "body",    "html"})
            t.insert(QLatin1String(n), Tag::Block);
        for (const char* n : {"pre", "listing", "xmp"})
            t.insert(QLatin1String(n), Tag::Pre);
        t.insert(QStringLiteral("br"), Tag::Break);
        for (const char* n : {"ul", "menu", "dir"})
            t.insert(QLatin1String(n), Tag::List);
        t.insert(QStringLiteral("ol"), Tag::Numbered);
        t.insert(QStringLiteral("li"), Tag::Item);
        t.insert(QStringLiteral("tr"), Tag::Row);
        for (const char* n : {"td", "th"})
            t.insert(QLatin1String(n), Tag::Cell);
        for (const char* n : {"span", "font"})
            t.insert(QLatin1String(n), Tag::Span);
        for (const char* n : {"script", "style", "title", "template", "object", "iframe", "svg",
                              "math", "noembed", "noframes"})
            t.insert(QLatin1String(n), Tag::RawText);
        return t;
    }();
    return tags.value(name, Tag::Other);
}

// What a span's style turns on.
enum SpanStyle : quint8 { kSpanBold = 1, kSpanItalic = 2, kSpanUnderline = 4 };

// Deeper lists are not indented further: a line keeps room for its text.
constexpr int kMaxIndentLevels = 6;

class Reader {
public:
    explicit Reader(const QString& text)
        : m_s(text), m_lastTagEnd(text.lastIndexOf(QLatin1Char('>')))
    {
        m_doc.paragraphs.append(Paragraph{});
    }

    Document run()
    {
        const qsizetype n = m_s.size();
        while (m_i < n) {
            const QChar c = m_s.at(m_i);
            if (c == u'<' && markup())
                continue;
            if (c == u'&') {
                entity();
                continue;
            }
            ++m_i;
            text(c);
        }
        return std::move(m_doc);
    }

private:
    // Reads the markup at '<'; false when it is a plain '<' of the text.
    bool markup()
    {
        const qsizetype n = m_s.size();
        const QChar next = m_i + 1 < n ? m_s.at(m_i + 1) : QChar();
        if (m_s.mid(m_i, 4) == QLatin1String("<!--")) {
            const qsizetype end = m_s.indexOf(QLatin1String("-->"), m_i + 4);
            m_i = end < 0 ? n : end + 3;
            return true;
        }
        const bool closing = next == u'/';
        const QChar first = closing ? (m_i + 2 < n ? m_s.at(m_i + 2) : QChar()) : next;
        const bool declaration = !closing && (next == u'!' || next == u'?');
        if (!declaration && !isAsciiLetter(first))
            return false;  // "a < b", "<3": text
        // A tag ends at its first '>': past the last one no tag can end, so the rest is
        // text (and no '<' makes the reader look to the end again).
        if (m_i >= m_lastTagEnd)
            return false;
        const qsizetype end = m_s.indexOf(QLatin1Char('>'), m_i);
        const qsizetype nameAt = m_i + (closing ? 2 : 1);
        const QString body = m_s.mid(nameAt, end - nameAt);
        m_i = end + 1;
        if (declaration)
            return true;  // <!DOCTYPE ...>, <?xml ...?>, <![CDATA[ ... ]]>
        qsizetype k = 0;
        while (k < body.size() && k < 16 && (isAsciiLetter(body.at(k)) || body.at(k).isDigit()))
            ++k;
        const QString name = body.left(k).toLower();
        if (closing)
            closeTag(tagOf(name));
        else
            openTag(tagOf(name), name, body.mid(k));
        return true;
    }

    void openTag(Tag tag, const QString& name, const QString& attributes)
    {
        switch (tag) {
            case Tag::Bold:
                ++m_bold;
                return;
            case Tag::Italic:
                ++m_italic;
                return;
            case Tag::Underline:
                ++m_underline;
                return;
            case Tag::Heading:
                blockBreak();
                ++m_bold;
                return;
            case Tag::Block:
                blockBreak();
                return;
            case Tag::Pre:
                blockBreak();
                ++m_pre;
                return;
            case Tag::Break:
                lineBreak();
                return;
            case Tag::List:
            case Tag::Numbered:
                blockBreak();
                m_lists.push_back(tag == Tag::Numbered ? 1 : 0);
                return;
            case Tag::Item:
                listItem();
                return;
            case Tag::Row:
                blockBreak();
                return;
            case Tag::Cell:
                if (hasText())
                    put(QChar(u'\t'));
                m_pendingSpace = false;
                return;
            case Tag::Span: {
                const quint8 style = spanStyle(attributes);
                m_spans.push_back(style);
                applySpan(style, +1);
                return;
            }
            case Tag::RawText:
                if (!attributes.trimmed().endsWith(QLatin1Char('/')))
                    skipTo(name);
                return;
            case Tag::Other:
                return;
        }
    }

    void closeTag(Tag tag)
    {
        switch (tag) {
            case Tag::Bold:
                m_bold = std::max(0, m_bold - 1);
                return;
            case Tag::Italic:
                m_italic = std::max(0, m_italic - 1);
                return;
            case Tag::Underline:
                m_underline = std::max(0, m_underline - 1);
                return;
            case Tag::Heading:
                m_bold = std::max(0, m_bold - 1);
                blockBreak();
                return;
            case Tag::Pre:
                m_pre = std::max(0, m_pre - 1);
                blockBreak();
                return;
            case Tag::List:
            case Tag::Numbered:
                if (!m_lists.empty())
                    m_lists.pop_back();
                blockBreak();
                return;
            case Tag::Block:
            case Tag::Item:
            case Tag::Row:
                blockBreak();
                return;
            case Tag::Span:
                if (!m_spans.empty()) {
                    applySpan(m_spans.back(), -1);
                    m_spans.pop_back();
                }
                return;
            case Tag::Break:  // "</br>" is read as a break by browsers too
                lineBreak();
                return;
            case Tag::Cell:
            case Tag::RawText:
            case Tag::Other:
                return;
        }
    }

    void listItem()
    {
        blockBreak();
        const int level = static_cast<int>(std::min<size_t>(m_lists.size(), kMaxIndentLevels));
        QString marker(std::max(0, level - 1) * 4, QLatin1Char(' '));
        if (!m_lists.empty() && m_lists.back() > 0)
            marker += QString::number(m_lists.back()++) + QLatin1Char('.');
        else
            marker += QChar(0x2022);
        marker += QLatin1Char(' ');
        for (const QChar c : std::as_const(marker))
            put(c);
        m_pendingSpace = false;
    }

    // The style attribute's bold, italic and underline; the rest of the style is ignored.
    static quint8 spanStyle(const QString& attributes)
    {
        const qsizetype at = attributes.indexOf(QLatin1String("style"), 0, Qt::CaseInsensitive);
        if (at < 0)
            return 0;
        const QString style = attributes.mid(at).toLower().remove(QLatin1Char(' '));
        quint8 out = 0;
        for (const char* bold : {"font-weight:bold", "font-weight:bolder", "font-weight:6",
                                 "font-weight:7", "font-weight:8", "font-weight:9"})
            if (style.contains(QLatin1String(bold)))
                out |= kSpanBold;
        if (style.contains(QLatin1String("font-style:italic")) ||
            style.contains(QLatin1String("font-style:oblique")))
            out |= kSpanItalic;
        if (style.contains(QLatin1String("underline")))
            out |= kSpanUnderline;
        return out;
    }

    void applySpan(quint8 style, int delta)
    {
        if (style & kSpanBold)
            m_bold = std::max(0, m_bold + delta);
        if (style & kSpanItalic)
            m_italic = std::max(0, m_italic + delta);
        if (style & kSpanUnderline)
            m_underline = std::max(0, m_underline + delta);
    }

    // Past the end tag of an element whose content is never shown; its text is dropped
    // to the end when that tag is missing, as a browser does.
    void skipTo(const QString& name)
    {
        const qsizetype end = m_s.indexOf(QStringLiteral("</") + name, m_i, Qt::CaseInsensitive);
        if (end < 0) {
            m_i = m_s.size();
            return;
        }
        const qsizetype close = m_s.indexOf(QLatin1Char('>'), end);
        m_i = close < 0 ? m_s.size() : close + 1;
    }

    void entity()
    {
        const qsizetype n = m_s.size();
        qsizetype j = m_i + 1;
        if (j < n && m_s.at(j) == u'#') {
            ++j;
            const bool hex = j < n && (m_s.at(j) == u'x' || m_s.at(j) == u'X');
            if (hex)
                ++j;
            const qsizetype digitsAt = j;
            char32_t code = 0;
            while (j < n && j - digitsAt < 8 && hexValue(m_s.at(j), hex ? 16 : 10) >= 0) {
                code = code * (hex ? 16 : 10) +
                       static_cast<char32_t>(hexValue(m_s.at(j), hex ? 16 : 10));
                ++j;
            }
            if (j > digitsAt) {
                if (j < n && m_s.at(j) == u';')
                    ++j;
                m_i = j;
                character(code);
                return;
            }
        } else {
            while (j < n && j - m_i <= 10 && (isAsciiLetter(m_s.at(j)) || m_s.at(j).isDigit()))
                ++j;
            if (j < n && m_s.at(j) == u';') {
                const auto it = namedEntities().constFind(m_s.mid(m_i + 1, j - m_i - 1));
                if (it != namedEntities().cend()) {
                    m_i = j + 1;
                    text(QChar(*it));
                    return;
                }
            }
        }
        ++m_i;
        text(QChar(u'&'));
    }

    // A character given by its number: what cannot be shown is shown as U+FFFD.
    void character(char32_t code)
    {
        if (code == 0 || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
            text(QChar(QChar::ReplacementCharacter));
            return;
        }
        if (code == u'\t' || code == u'\n' || code == u' ') {
            text(QChar(static_cast<char16_t>(code)));
            return;
        }
        if (code < 0x20)
            return;
        const char32_t units[] = {code};
        for (const QChar c : QString::fromUcs4(units, 1))
            text(c);
    }

    void text(QChar c)
    {
        const bool blank = c == u' ' || c == u'\t' || c == u'\n' || c == u'\r' || c == u'\f';
        if (m_pre > 0) {
            if (c == u'\n')
                lineBreak();
            else if (c == u' ' || c == u'\t')
                put(c);
            else if (c.unicode() >= 0x20)
                put(c);
            return;
        }
        if (blank) {
            // The blank keeps the format it was written in: "Lanche <b>duplo</b>".
            if (!m_pendingSpace)
                m_spaceFormat = format();
            m_pendingSpace = true;
            return;
        }
        if (c.unicode() < 0x20)
            return;  // stray control characters
        if (m_pendingSpace && hasText()) {
            const QChar last = lastChar();
            if (last != u' ' && last != u'\n' && last != u'\t')
                put(QChar(u' '), m_spaceFormat);
        }
        m_pendingSpace = false;
        put(c);
    }

    // A run without text: the format text takes now.
    Run format() const { return Run{QString(), m_bold > 0, m_italic > 0, m_underline > 0}; }

    void put(QChar c) { put(c, format()); }

    void put(QChar c, const Run& f)
    {
        Paragraph& p = m_doc.paragraphs.last();
        if (p.runs.isEmpty() || p.runs.last().bold != f.bold || p.runs.last().italic != f.italic ||
            p.runs.last().underline != f.underline)
            p.runs.append(f);
        p.runs.last().text.append(c);
    }

    void lineBreak()
    {
        put(QChar(u'\n'));
        m_pendingSpace = false;
    }

    // A new line unless the current one is still empty: empty blocks take no room.
    void blockBreak()
    {
        m_pendingSpace = false;
        if (hasText())
            m_doc.paragraphs.append(Paragraph{});
    }

    bool hasText() const { return !m_doc.paragraphs.last().runs.isEmpty(); }
    QChar lastChar() const { return m_doc.paragraphs.last().runs.last().text.back(); }

    static bool isAsciiLetter(QChar c)
    {
        return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
    }

    static int hexValue(QChar c, int base)
    {
        if (c >= u'0' && c <= u'9')
            return c.unicode() - u'0';
        if (base == 16 && c >= u'a' && c <= u'f')
            return c.unicode() - u'a' + 10;
        if (base == 16 && c >= u'A' && c <= u'F')
            return c.unicode() - u'A' + 10;
        return -1;
    }

    const QString& m_s;
    const qsizetype m_lastTagEnd;
    qsizetype m_i = 0;
    Document m_doc;
    // Open formatting as counts, not a stack of elements: unclosed tags cost nothing.
    int m_bold = 0;
    int m_italic = 0;
    int m_underline = 0;
    int m_pre = 0;
    std::vector<int> m_lists;     // per open list: the next number, 0 for bullets
    std::vector<quint8> m_spans;  // per open span: what its style turned on
    bool m_pendingSpace = false;
    Run m_spaceFormat;
};

}  // namespace

rtf::Document parse(const QString& html)
{
    return Reader(html).run();
}

}  // namespace kvp::ui::html
