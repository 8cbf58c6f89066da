#pragma once

// Shops store the preparation notes of a promotion as RTF, as HTML or as plain text.
// These helpers turn whichever arrived into HTML that a read-only QTextEdit shows
// readably.

#include <QString>

class QTextEdit;

namespace kvp::ui {

enum class StoredTextKind { Empty, Rtf, Html, Plain };

StoredTextKind storedTextKind(const QString& stored);

// HTML for QTextEdit::setHtml, with nothing in it that loads a resource or nests: plain
// text is escaped with its line breaks and blanks kept; RTF and HTML go through their
// readers, which keep the text and its bold, italic, underline, lines and list items.
// A text too long for a note is cut, with an ellipsis.
QString storedTextToHtml(const QString& stored);

// Shows the stored text read-only in the view.
void showStoredText(QTextEdit& view, const QString& stored);

}  // namespace kvp::ui
