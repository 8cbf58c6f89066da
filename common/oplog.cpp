#include "oplog.h"

#include "hostservices.h"

#include <QByteArray>
#include <QDir>
#include <QFile>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <system_error>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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

// The day's file stays open between lines: opening it walks its whole path every time, and
// one touch writes three lines. A file taken away meanwhile (its folder cleared, the file
// deleted) is opened, and its folders made, again for the next line.
struct OpenLog {
    std::mutex mutex;
    QByteArray path;
    int fd = -1;

    ~OpenLog() { close(); }
    void close()
    {
        if (fd >= 0)
            ::close(fd);
        fd = -1;
    }
    // Keeps the open file when it is still the one at path.
    void use(const QByteArray& wanted)
    {
        struct stat st;
        if (fd >= 0 && (wanted != path || ::fstat(fd, &st) != 0 || st.st_nlink == 0))
            close();
        path = wanted;
    }
    void open()
    {
        do {
            fd = ::open(path.constData(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666);
        } while (fd < 0 && errno == EINTR);
    }
};

OpenLog g_open;

// One touch writes three lines at the same moment to the same file: the file's name and
// a line's date and time are built again only when they change.
struct LineStart {
    QDate day;  // invalid until the first line
    QTime time;
    QString programFolder;
    QString path;
    QString dateFormat;
    QString timeFormat;
    QString text;  // "date time - "

    void follow(const QString& folder, const QDateTime& now, const FormatSettings& fs)
    {
        const bool newDay = now.date() != day;
        if (newDay || folder != programFolder) {
            path = operationLogFile(folder, now.date());
            programFolder = folder;
        }
        if (newDay || now.time() != time || fs.shortDateFormat != dateFormat ||
            fs.longTimeFormat != timeFormat) {
            text = formatDate(now, fs) + QLatin1Char(' ') + formatTime(now, fs) +
                   QStringLiteral(" - ");
            time = now.time();
            dateFormat = fs.shortDateFormat;
            timeFormat = fs.longTimeFormat;
        }
        day = now.date();
    }
};

LineStart g_start;

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
    // One append-mode write: two hosts sharing the day's file interleave whole lines.
    const std::lock_guard<std::mutex> lock(g_open.mutex);
    g_start.follow(programFolder, now, fs);
    const QString path = g_start.path;
    const QByteArray line = (g_start.text + text + QLatin1Char('\n')).toUtf8();
    g_open.use(QFile::encodeName(path));
    if (g_open.fd < 0) {
        // The folders are made only when the file cannot be opened, not on every line.
        g_open.open();
        if (g_open.fd < 0 && (errno == ENOENT || errno == ENOTDIR)) {
            createFolders(operationLogFolder(programFolder, day));
            g_open.open();
        }
        if (g_open.fd < 0) {
            throw LogError(path, QString::fromLocal8Bit(std::strerror(errno)));
        }
    }
    ssize_t written;
    do {
        written = ::write(g_open.fd, line.constData(), static_cast<size_t>(line.size()));
    } while (written < 0 && errno == EINTR);
    if (written != line.size()) {
        const int writeErrno = errno;
        g_open.close();  // the next line opens the file afresh
        throw LogError(path, written < 0 ? QString::fromLocal8Bit(std::strerror(writeErrno))
                                         : QStringLiteral("the line was written only in part"));
    }
}

void LogKvp510(const QString& text)
{
    const HostServices& services = host();
    writeOperationLog(services.programFolder(), stepNow(), services.formatSettings(), text);
}

}  // namespace kvp
