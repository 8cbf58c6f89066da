#pragma once

// A small reader of RTF, enough to show a shop's preparation notes: paragraphs, line
// breaks, tabs, bold, italic and underline, \'hh escapes in the Windows-1252 code page,
// \u Unicode characters with their fallback skipped, and the usual special characters.
// Font, colour and style tables, pictures, objects, document information and every
// {\* ...} destination are skipped.
//
// The reader never fails: unbalanced braces, unknown control words and a text cut off in
// the middle still give back everything readable, and the document says it was damaged.

#include <QList>
#include <QString>

namespace kvp::ui::rtf {

struct Run {
    QString text;  // '\n' is a line break inside the paragraph, '\t' a tab
    bool bold = false;
    bool italic = false;
    bool underline = false;
};

struct Paragraph {
    QList<Run> runs;
    QString text() const;
};

struct Document {
    QList<Paragraph> paragraphs;
    // False when braces did not balance or the text ended inside a control word.
    bool wellFormed = true;
};

// True for a text that starts (after blanks) with "{\rtf".
bool looksLikeRtf(const QString& text);

Document parse(const QString& rtf);

// Paragraphs joined with '\n'; trailing empty paragraphs dropped.
QString toPlainText(const Document& doc);
// One <p> per paragraph, runs in <b>/<i>/<u>, text escaped, blanks and tabs kept.
QString toHtml(const Document& doc);

inline QString rtfToPlainText(const QString& rtf)
{
    return toPlainText(parse(rtf));
}
inline QString rtfToHtml(const QString& rtf)
{
    return toHtml(parse(rtf));
}

// The character a byte of Windows-1252 stands for (bytes it leaves undefined map to
// U+FFFD).
QChar cp1252(unsigned char byte);

}  // namespace kvp::ui::rtf
