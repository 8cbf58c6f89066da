#include "oplog.h"

#include "hostservices.h"

#include <QByteArray>
#include <QDir>
#include <QFile>

#include <filesystem>
#include <system_error>

namespace kvp {

namespace {

QString twoDigits(int n)
{
    return QString::number(n).rightJustified(2, QLatin1Char('0'));
}

void createFolders(const QString& folder)
{
    std::error_code ec;
    std::filesystem::create_directories(
        std::filesystem::path(QFile::encodeName(folder).toStdString()), ec);
    if (ec) {
        throw LogError(folder, QString::fromLocal8Bit(ec.message()));
    }
}

}  // namespace

LogError::LogError(const QString& path, const QString& reason)
    : std::runtime_error(
          QStringLiteral("Cannot write the operation log %1: %2").arg(path, reason).toStdString()),
      m_path(path),
      m_reason(reason)
{
}

QString operationLogFolder(const QString& programFolder, const QDate& day)
{
    return QDir(programFolder)
        .filePath(QStringLiteral("dados/LogKvp510/LogKvp510_") +
                  QString::number(day.year()).rightJustified(4, QLatin1Char('0')));
}

QString operationLogFile(const QString& programFolder, const QDate& day)
{
    return QDir(operationLogFolder(programFolder, day))
        .filePath(QStringLiteral("LogKvp510_") + twoDigits(day.day()) + twoDigits(day.month()) +
                  QStringLiteral(".txt"));
}

void writeOperationLog(const QString& programFolder, const QDateTime& now, const FormatSettings& fs,
                       const QString& text)
{
    // An empty folder would silently put the log under whatever the working folder is.
    if (programFolder.isEmpty()) {
        throw LogError(QStringLiteral("dados/LogKvp510"),
                       QStringLiteral("the host gave no program folder"));
    }
    if (!now.isValid()) {
        throw LogError(programFolder, QStringLiteral("the host's clock gave no valid date"));
    }
    const QDate day = now.date();
    createFolders(operationLogFolder(programFolder, day));

    const QString path = operationLogFile(programFolder, day);
    const QByteArray line = (formatDate(now, fs) + QLatin1Char(' ') + formatTime(now, fs) +
                             QStringLiteral(" - ") + text + QLatin1Char('\n'))
                                .toUtf8();
    // Unbuffered append: the line reaches the file in one write, so two hosts sharing the
    // day's file interleave whole lines.
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered)) {
        throw LogError(path, file.errorString());
    }
    if (file.write(line) != line.size()) {
        const QString reason = file.errorString();
        file.close();
        throw LogError(path, reason);
    }
    file.close();
    if (file.error() != QFileDevice::NoError) {
        throw LogError(path, file.errorString());
    }
}

void LogKvp510(const QString& text)
{
    const HostServices& services = host();
    writeOperationLog(services.programFolder(), services.now(), services.formatSettings(), text);
}

}  // namespace kvp
