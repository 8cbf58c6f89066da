#include "richtext.h"

#include "htmlreader.h"
#include "rtfreader.h"

#include <QTextDocument>
#include <QTextEdit>

namespace kvp::ui {

namespace {

// A note is a few lines; a longer text is cut where it passes this many characters (a
// line counting as one), so that what the view lays out stays small whatever was stored.
constexpr qsizetype kMaxShownCharacters = 5000;

const QChar kCut(0x2026);

rtf::Document clipped(rtf::Document doc)
{
    qsizetype left = kMaxShownCharacters;
    for (qsizetype p = 0; p < doc.paragraphs.size(); ++p) {
        QList<rtf::Run>& runs = doc.paragraphs[p].runs;
        for (qsizetype r = 0; r < runs.size(); ++r) {
            if (runs[r].text.size() <= left) {
                left -= runs[r].text.size();
                continue;
            }
            runs[r].text.truncate(left);
            runs[r].text.append(kCut);
            runs.resize(r + 1);
            doc.paragraphs.resize(p + 1);
            return doc;
        }
        if (--left < 0 && p + 1 < doc.paragraphs.size()) {
            doc.paragraphs.resize(p + 1);
            doc.paragraphs[p].runs.append(rtf::Run{QString(kCut)});
            return doc;
        }
    }
    return doc;
}

}  // namespace

StoredTextKind storedTextKind(const QString& stored)
{
    if (stored.trimmed().isEmpty())
        return StoredTextKind::Empty;
    if (rtf::looksLikeRtf(stored))
        return StoredTextKind::Rtf;
    if (Qt::mightBeRichText(stored))
        return StoredTextKind::Html;
    return StoredTextKind::Plain;
}

QString storedTextToHtml(const QString& stored)
{
    switch (storedTextKind(stored)) {
        case StoredTextKind::Empty:
            return {};
        case StoredTextKind::Rtf:
            return rtf::toHtml(clipped(rtf::parse(stored)));
        case StoredTextKind::Html:
            return rtf::toHtml(clipped(html::parse(stored)));
        case StoredTextKind::Plain:
            break;
    }
    QString text =
        stored.size() > kMaxShownCharacters ? stored.left(kMaxShownCharacters) + kCut : stored;
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    text = text.toHtmlEscaped();
    text.replace(QLatin1Char('\n'), QStringLiteral("<br/>"));
    return QStringLiteral("<p style=\"margin:0; white-space:pre-wrap;\">") + text +
           QStringLiteral("</p>");
}

void showStoredText(QTextEdit& view, const QString& stored)
{
    view.setReadOnly(true);
    view.setHtml(storedTextToHtml(stored));
}

}  // namespace kvp::ui
