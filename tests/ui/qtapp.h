#pragma once

// One QApplication for a whole test program, created on first use, offscreen unless the
// environment chose a platform.

#include <QApplication>
#include <QDir>

namespace kvp::test {

inline QApplication& qtApp()
{
    static QApplication* app = [] {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) {
            const QString dir = QDir::temp().filePath(QStringLiteral("kvp-runtime"));
            QDir().mkpath(dir);
            QFile::setPermissions(
                dir, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
            qputenv("XDG_RUNTIME_DIR", dir.toUtf8());
        }
        static int argc = 1;
        static char name[] = "kvp_tests";
        static char* argv[] = {name, nullptr};
        return new QApplication(argc, argv);  // lives as long as the program
    }();
    return *app;
}

}  // namespace kvp::test
