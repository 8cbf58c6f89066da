#pragma once

// The daily operation log both screens write next to the host's executable:
//   <program folder>/dados/LogKvp510/LogKvp510_<YYYY>/LogKvp510_<DDMM>.txt
// one UTF-8 line per call: "<short date> <long time> - <text>\n".

#include "textformat.h"

#include <QDateTime>
#include <QString>

#include <stdexcept>

namespace kvp {

// The log could not be written. Not caught by the module: a caller that logs inside an
// error handler lets it escape, so a lost log never goes unnoticed.
class LogError : public std::runtime_error {
public:
    LogError(const QString& path, const QString& reason);
    QString path() const { return m_path; }
    QString reason() const { return m_reason; }
    QString message() const { return QString::fromUtf8(what()); }

private:
    QString m_path;
    QString m_reason;
};

// Appends one line with the installed host's clock, program folder and date formats.
void LogKvp510(const QString& text);

// The same with everything given. Creates missing folders, opens the day's file for
// appending (kept open for the next line while it is still there) and writes the line in
// one piece; raises LogError on any failure.
void writeOperationLog(const QString& programFolder, const QDateTime& now, const FormatSettings& fs,
                       const QString& text);

// Where writeOperationLog writes for a given moment.
QString operationLogFolder(const QString& programFolder, const QDate& day);
QString operationLogFile(const QString& programFolder, const QDate& day);

}  // namespace kvp
