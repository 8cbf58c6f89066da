#include "checkrun.h"

#include "receipt.h"
#include "recorder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

namespace kvp::refhost {

QString firstDifference(const QString& expected, const QString& printed)
{
    const QStringList a = expected.split(QLatin1Char('\n'));
    const QStringList b = printed.split(QLatin1Char('\n'));
    for (qsizetype i = 0; i < std::max(a.size(), b.size()); ++i) {
        if (i < a.size() && i < b.size() && a.at(i) == b.at(i))
            continue;
        auto side = [&](const QStringList& l) {
            return i < l.size() ? quoted(l.at(i)) : QStringLiteral("nothing");
        };
        return QStringLiteral("line %1: expected %2, printed %3").arg(i + 1).arg(side(a), side(b));
    }
    return {};
}

int runCheck(const CheckRunOptions& options, QTextStream& out, QString& error)
{
    const QDir dir(options.folder);
    if (!dir.exists()) {
        error = QStringLiteral("--check: no folder %1").arg(options.folder);
        return 2;
    }
    const QStringList scripts =
        dir.entryList({QStringLiteral("*.kvs")}, QDir::Files | QDir::Readable, QDir::Name);
    if (scripts.isEmpty()) {
        error = QStringLiteral("--check: %1 holds no script (*.kvs)").arg(options.folder);
        return 2;
    }
    int passed = 0;
    for (const QString& name : scripts) {
        QStringList args{QStringLiteral("--run-dir"), options.runFolder.root,
                         QStringLiteral("--script"), dir.absoluteFilePath(name)};
        if (!options.connectionString.isEmpty())
            args << QStringLiteral("--connection") << options.connectionString;
        QProcess replay;
        replay.setWorkingDirectory(dir.absolutePath());
        replay.start(options.program, args);
        replay.waitForFinished(-1);
        const QString printed = QString::fromUtf8(replay.readAllStandardOutput());
        const QStringList said = QString::fromUtf8(replay.readAllStandardError())
                                     .split(QLatin1Char('\n'), Qt::SkipEmptyParts);

        QString verdict;
        if (replay.exitStatus() != QProcess::NormalExit || replay.exitCode() != 0) {
            verdict = QStringLiteral("failed (exit status %1): %2")
                          .arg(replay.exitCode())
                          .arg(said.isEmpty() ? replay.errorString() : said.last());
        } else {
            QFile expected(expectedPathFor(dir.absoluteFilePath(name)));
            if (expected.open(QIODevice::ReadOnly)) {
                const QString diff =
                    firstDifference(QString::fromUtf8(expected.readAll()), printed);
                if (!diff.isEmpty())
                    verdict = QStringLiteral("differs from %1 at %2")
                                  .arg(QFileInfo(expected).fileName(), diff);
            }
        }
        if (verdict.isEmpty()) {
            ++passed;
            verdict = QStringLiteral("passed");
        }
        out << name << ": " << verdict << '\n';
        out.flush();
    }
    out << QStringLiteral("%1 of %2 script(s) passed\n").arg(passed).arg(scripts.size());
    return passed == scripts.size() ? 0 : 1;
}

}  // namespace kvp::refhost
