#include "richtext.h"

#include "rtfreader.h"

#include <QTextDocument>
#include <QTextEdit>

namespace kvp::ui {

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
            return rtf::rtfToHtml(stored);
        case StoredTextKind::Html:
            return stored;
        case StoredTextKind::Plain:
            break;
    }
    QString text = stored;
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
