#pragma once

// Shops store the preparation notes of a promotion as RTF, as HTML or as plain text.
// These helpers turn whichever arrived into HTML that a read-only QTextEdit shows
// readably.

#include <QString>

class QTextEdit;

namespace kvp::ui {

enum class StoredTextKind { Empty, Rtf, Html, Plain };

StoredTextKind storedTextKind(const QString& stored);

// HTML for QTextEdit::setHtml. Plain text is escaped with its line breaks and blanks
// kept; RTF goes through the RTF reader; HTML is passed on as it is.
QString storedTextToHtml(const QString& stored);

// Shows the stored text read-only in the view.
void showStoredText(QTextEdit& view, const QString& stored);

}  // namespace kvp::ui
