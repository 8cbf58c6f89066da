#include "oplog.h"

#include "hostservices.h"
#include "scriptedhost.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QThread>
#include <QTemporaryDir>


using namespace kvp;

namespace {

QString s(const char* utf8)
{
    return QString::fromUtf8(utf8);
}

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

class OperationLog : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_dir.isValid()); }
    QString base() const { return m_dir.path(); }
    QString under(const char* relative) const { return QDir(base()).filePath(s(relative)); }

    QTemporaryDir m_dir;
    const FormatSettings m_fs = FormatSettings::brazil();
};

}  // namespace

TEST_F(OperationLog, YearFolderAndDayFileFollowTheDate)
{
    writeOperationLog(base(), QDateTime(QDate(2025, 12, 31), QTime(23, 59, 59)), m_fs,
                      s("fim do ano"));
    writeOperationLog(base(), QDateTime(QDate(2026, 1, 1), QTime(0, 0, 0)), m_fs,
                      s("PROMOÇÃO: 5120 - COMBO FAMÍLIA"));
    writeOperationLog(base(), QDateTime(QDate(2026, 12, 7), QTime(9, 5, 30)), m_fs, s("dia 7"));

    EXPECT_EQ(readAll(under("dados/LogKvp510/LogKvp510_2025/LogKvp510_3112.txt")),
              QByteArray("31/12/2025 23:59:59 - fim do ano\n"));
    // Midnight keeps its time: every line starts the same way.
    EXPECT_EQ(readAll(under("dados/LogKvp510/LogKvp510_2026/LogKvp510_0101.txt")),
              s("01/01/2026 00:00:00 - PROMOÇÃO: 5120 - COMBO FAMÍLIA\n").toUtf8());
    EXPECT_EQ(readAll(under("dados/LogKvp510/LogKvp510_2026/LogKvp510_0712.txt")),
              QByteArray("07/12/2026 09:05:30 - dia 7\n"));
    EXPECT_EQ(QDir(under("dados/LogKvp510")).entryList(QDir::Dirs | QDir::NoDotAndDotDot),
              QStringList({s("LogKvp510_2025"), s("LogKvp510_2026")}));
}

TEST_F(OperationLog, AppendsWholeLinesWithTheSettingsTimestamp)
{
    const QDateTime sunday(QDate(2026, 12, 6), QTime(9, 5, 30));
    writeOperationLog(base() + QLatin1Char('/'), sunday, m_fs, s("FILIAL: 0001"));
    writeOperationLog(base(), sunday.addSecs(1), m_fs, QString());
    // Other settings at the same moment write that moment their way.
    writeOperationLog(base(), sunday.addSecs(2), m_fs, s("antes"));
    FormatSettings iso;
    iso.shortDateFormat = QStringLiteral("yyyy-MM-dd");
    writeOperationLog(base(), sunday.addSecs(2), iso, QString(64, QLatin1Char('-')));

    EXPECT_EQ(readAll(under("dados/LogKvp510/LogKvp510_2026/LogKvp510_0612.txt")),
              QByteArray("06/12/2026 09:05:30 - FILIAL: 0001\n"
                         "06/12/2026 09:05:31 - \n"
                         "06/12/2026 09:05:32 - antes\n"
                         "2026-12-06 09:05:32 - ") +
                  QByteArray(64, '-') + QByteArray("\n"));

    // Log folders cleared away while the till runs are made again for the next line.
    ASSERT_TRUE(QDir(under("dados/LogKvp510")).removeRecursively());
    writeOperationLog(base(), sunday.addSecs(3), m_fs, s("depois da limpeza"));
    EXPECT_EQ(readAll(under("dados/LogKvp510/LogKvp510_2026/LogKvp510_0612.txt")),
              QByteArray("06/12/2026 09:05:33 - depois da limpeza\n"));
}

TEST_F(OperationLog, ADayFileTakenAwayOrReplacedGetsTheNextLine)
{
    const QDateTime day(QDate(2026, 12, 6), QTime(9, 5, 30));
    const QString file = under("dados/LogKvp510/LogKvp510_2026/LogKvp510_0612.txt");
    writeOperationLog(base(), day, m_fs, s("primeira"));

    // Deleted on its own, its folder left in place.
    ASSERT_TRUE(QFile::remove(file));
    writeOperationLog(base(), day.addSecs(1), m_fs, s("segunda"));
    EXPECT_EQ(readAll(file), QByteArray("06/12/2026 09:05:31 - segunda\n"));

    // Deleted and made again by another till sharing the folder.
    ASSERT_TRUE(QFile::remove(file));
    {
        QFile other(file);
        ASSERT_TRUE(other.open(QIODevice::WriteOnly));
        other.write("06/12/2026 09:05:32 - outra caixa\n");
    }
    writeOperationLog(base(), day.addSecs(3), m_fs, s("terceira"));
    EXPECT_EQ(readAll(file), QByteArray("06/12/2026 09:05:32 - outra caixa\n"
                                        "06/12/2026 09:05:33 - terceira\n"));

    // Another program folder in between, then back to this one.
    QTemporaryDir elsewhere;
    writeOperationLog(elsewhere.path(), day, m_fs, s("noutro lugar"));
    writeOperationLog(base(), day.addSecs(4), m_fs, s("quarta"));
    EXPECT_TRUE(readAll(file).endsWith("terceira\n06/12/2026 09:05:34 - quarta\n"));
}

TEST_F(OperationLog, LogKvp510UsesTheInstalledHost)
{
    test::ScriptedHost scripted;
    scripted.setProgramFolder(base());
    scripted.setNow(QDateTime(QDate(2026, 12, 6), QTime(9, 5, 30)));
    installHost(&scripted);
    LogKvp510(s("QUANTIDADE DE PRODUTOS ADICIONADOS: 3"));
    installHost(nullptr);
    EXPECT_EQ(readAll(under("dados/LogKvp510/LogKvp510_2026/LogKvp510_0612.txt")),
              QByteArray("06/12/2026 09:05:30 - QUANTIDADE DE PRODUTOS ADICIONADOS: 3\n"));
    EXPECT_THROW(LogKvp510(s("sem host")), HostError);
}

TEST_F(OperationLog, FailuresRaiseLogErrorAndKeepWhatWasWritten)
{
    const QDateTime day(QDate(2026, 12, 6), QTime(9, 5, 30));
    const QString logs = under("dados/LogKvp510");
    ASSERT_TRUE(QDir().mkpath(logs));

    // A file where the year folder belongs: the folder cannot be created.
    {
        QFile blocker(QDir(logs).filePath(s("LogKvp510_2026")));
        ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
        blocker.write("not a folder");
    }
    try {
        writeOperationLog(base(), day, m_fs, s("perdida"));
        ADD_FAILURE() << "no LogError";
    } catch (const LogError& e) {
        EXPECT_TRUE(e.path().endsWith(s("LogKvp510_2026"))) << e.what();
        EXPECT_FALSE(e.reason().isEmpty());
        EXPECT_TRUE(e.message().contains(e.path()));
    }
    EXPECT_EQ(readAll(QDir(logs).filePath(s("LogKvp510_2026"))), QByteArray("not a folder"));

    // A folder where the day's file belongs: the file cannot be opened.
    writeOperationLog(base(), day.addYears(-1), m_fs, s("guardada"));
    const QString yearBefore = QDir(logs).filePath(s("LogKvp510_2025"));
    ASSERT_TRUE(QDir(yearBefore).mkdir(s("LogKvp510_0712.txt")));
    EXPECT_THROW(
        writeOperationLog(base(), QDateTime(QDate(2025, 12, 7), QTime(8, 0)), m_fs, s("perdida")),
        LogError);
    EXPECT_EQ(readAll(QDir(yearBefore).filePath(s("LogKvp510_0612.txt"))),
              QByteArray("06/12/2025 09:05:30 - guardada\n"));

    // No program folder would put the log wherever the working folder happens to be.
    EXPECT_THROW(writeOperationLog(QString(), day, m_fs, s("x")), LogError);
    EXPECT_THROW(writeOperationLog(base(), QDateTime(), m_fs, s("x")), LogError);
}

TEST_F(OperationLog, AnUnwritableLogFolderRaisesLogErrorWhoeverRuns)
{
    // A file standing where the log's own folder must be stops root as well as anyone:
    // permission bits would not.
    ASSERT_TRUE(QDir().mkpath(under("dados")));
    {
        QFile blocker(under("dados/LogKvp510"));
        ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    }
    const QDateTime day(QDate(2026, 12, 6), QTime(9, 5, 30));
    try {
        writeOperationLog(base(), day, m_fs, s("x"));
        ADD_FAILURE() << "no LogError";
    } catch (const LogError& e) {
        EXPECT_TRUE(e.path().contains(s("dados/LogKvp510"))) << e.what();
    }
    EXPECT_TRUE(QFileInfo(under("dados/LogKvp510")).isFile());
}

TEST_F(OperationLog, AStepsLinesShareOneReadingOfTheClockAndTheNextStepReadsAgain)
{
    test::ScriptedHost scripted;
    scripted.setProgramFolder(base());
    installHost(&scripted);
    const QDateTime nine(QDate(2026, 12, 6), QTime(9, 0, 0));
    scripted.setNow(nine);
    EXPECT_EQ(stepNow(), nine);  // outside a step: the host, every time
    {
        const StepClock step;
        LogKvp510(s("primeira"));
        scripted.setNow(nine.addSecs(1));
        LogKvp510(s("mesmo passo"));
        {
            const StepClock nested;  // a handler run from inside another keeps its moment
            EXPECT_EQ(stepNow(), nine);
        }
        // A step that waited (a message on the screen) reads the clock again.
        QThread::msleep(40);
        LogKvp510(s("depois de esperar"));
    }
    scripted.setNow(nine.addSecs(5));
    {
        const StepClock next;
        LogKvp510(s("outro passo"));
    }
    installHost(nullptr);
    EXPECT_EQ(readAll(under("dados/LogKvp510/LogKvp510_2026/LogKvp510_0612.txt")),
              QByteArray("06/12/2026 09:00:00 - primeira\n"
                         "06/12/2026 09:00:00 - mesmo passo\n"
                         "06/12/2026 09:00:01 - depois de esperar\n"
                         "06/12/2026 09:00:05 - outro passo\n"));
}
