// kvir-console: the desktop console for the notebook of КВИР-series instruments.
//
// The console keeps its settings, protocol, backups and exports in its current directory.
// Started with --user-folder (the applications menu does so) it works in ~/KVIR instead,
// created on first start, so that an operator's files land neither in "/" nor in the root of
// the home folder.

#include "ConsoleApp.h"

#include <QDir>

#include <cstdio>

namespace {

bool EnterUserFolder() {
    const QDir home = QDir::home();
    const QString folder = home.filePath(QStringLiteral("KVIR"));
    return home.mkpath(folder) && QDir::setCurrent(folder);
}

}  // namespace

int main(int argc, char** argv) {
    kvir::ConsoleApplication app(argc, argv);
    // Lets the desktop match the window with its menu entry and icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("example.kvir_lab.kvir_console"));
    if (QCoreApplication::arguments().contains(QStringLiteral("--user-folder")) &&
        !EnterUserFolder()) {
        std::fprintf(stderr, "kvir-console: не удалось создать папку %s, работа в папке %s\n",
                     qPrintable(QDir::home().filePath(QStringLiteral("KVIR"))),
                     qPrintable(QDir::currentPath()));
    }
    return kvir::RunConsole(app);
}
