// qz407-cli: the command-line companion of the QZ407 desktop program. No window: a core application
// object only, so it runs without a display. The report command draws its pages with the GUI
// libraries, on the offscreen platform, which needs no display either.
#include "cli_app.h"

#include <QApplication>
#include <QCoreApplication>

int main(int argc, char** argv) {
    QCoreApplication::setApplicationName(QStringLiteral("QZ407"));
    QCoreApplication::setOrganizationName(QStringLiteral("QZ407"));
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    if (commandNeedsDrawing(arguments)) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        QApplication app(argc, argv);
        return runCli(QCoreApplication::arguments());
    }
    QCoreApplication app(argc, argv);
    return runCli(QCoreApplication::arguments());
}
