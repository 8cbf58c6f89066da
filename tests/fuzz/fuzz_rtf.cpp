// The RTF and HTML readers of preparation notes. Three properties:
// - whatever the input, the HTML either reader gives carries exactly the plain text (no
//   markup comes from the note's own text);
// - the input taken as plain text, written as RTF, reads back as that text.

#include "fuzzcheck.h"
#include "htmlreader.h"
#include "rtfreader.h"

#include <QStringList>

#include <optional>

namespace rtf = kvp::ui::rtf;
using namespace kvp;

namespace {

// The text of toHtml's output, or nothing when it holds markup toHtml does not write.
std::optional<QString> htmlText(const QString& html)
{
    static const QString paragraph = QStringLiteral("<p style=\"margin:0; white-space:pre-wrap;\">");
    static const struct {
        const char* token;
        const char* text;
    } tokens[] = {{"</p>", ""},   {"<b>", ""},     {"</b>", ""},    {"<i>", ""},      {"</i>", ""},
                  {"<u>", ""},    {"</u>", ""},    {"<br/>", "\n"}, {"&nbsp;", ""},  {"&lt;", "<"},
                  {"&gt;", ">"},  {"&amp;", "&"},  {"&quot;", "\""}};
    QString out;
    bool first = true;
    for (qsizetype i = 0; i < html.size();) {
        if (html.mid(i, paragraph.size()) == paragraph) {
            if (!first)
                out += QLatin1Char('\n');
            first = false;
            i += paragraph.size();
            continue;
        }
        const QChar c = html.at(i);
        if (c != QLatin1Char('<') && c != QLatin1Char('&') && c != QLatin1Char('>')) {
            out += c;
            ++i;
            continue;
        }
        bool known = false;
        for (const auto& t : tokens) {
            const QString token = QString::fromLatin1(t.token);
            if (html.mid(i, token.size()) == token) {
                out += QString::fromLatin1(t.text);
                i += token.size();
                known = true;
                break;
            }
        }
        if (!known)
            return std::nullopt;
    }
    return out;
}

bool isDropped(QChar c) { return c.unicode() < 0x20 && c != u'\n' && c != u'\t'; }

QString asRtf(const QString& text)
{
    QString out = QStringLiteral("{\\rtf1\\ansi ");
    for (const QChar c : text) {
        if (isDropped(c))
            continue;
        if (c == u'\\' || c == u'{' || c == u'}')
            out += QLatin1Char('\\') + c;
        else if (c == u'\n')
            out += QStringLiteral("\\par ");
        else if (c == u'\t')
            out += QStringLiteral("\\tab ");
        else if (c.unicode() > 127)
            out += QStringLiteral("\\u%1?").arg(static_cast<qint16>(c.unicode()));
        else
            out += c;
    }
    return out + QLatin1Char('}');
}

// What toPlainText gives for a text written by asRtf: trailing blank paragraphs dropped.
QString expectedPlain(const QString& text)
{
    QString kept;
    for (const QChar c : text)
        if (!isDropped(c))
            kept += c;
    QStringList lines = kept.split(QLatin1Char('\n'));
    while (!lines.isEmpty() && lines.last().trimmed().isEmpty())
        lines.removeLast();
    return lines.join(QLatin1Char('\n'));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QString text = fuzz::inputText(data, size);

    const rtf::Document doc = rtf::parse(text);
    const QString plain = rtf::toPlainText(doc);
    const std::optional<QString> fromHtml = htmlText(rtf::toHtml(doc));
    fuzz::check(fromHtml.has_value(), "the HTML holds no markup of the note's own", text, rtf::toHtml(doc));
    fuzz::check(*fromHtml == plain, "the HTML carries the plain text", plain, *fromHtml);

    const rtf::Document page = kvp::ui::html::parse(text);
    const std::optional<QString> fromPage = htmlText(rtf::toHtml(page));
    fuzz::check(fromPage.has_value(), "the HTML of a page holds no markup of its own", text,
                rtf::toHtml(page));
    fuzz::check(*fromPage == rtf::toPlainText(page), "the HTML of a page carries its plain text",
                rtf::toPlainText(page), *fromPage);

    const QString written = asRtf(text);
    const rtf::Document back = rtf::parse(written);
    fuzz::check(back.wellFormed, "written RTF reads as well formed", written);
    fuzz::check(rtf::toPlainText(back) == expectedPlain(text), "a text written as RTF reads back",
                expectedPlain(text), rtf::toPlainText(back));
    return 0;
}
