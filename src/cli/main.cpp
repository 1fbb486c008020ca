// qz407-cli: the command-line companion of the QZ407 desktop program. No window: a core application
// object only, so it runs without a display.
#include "cli_app.h"

#include <QCoreApplication>

int main(int argc, char** argv) {
    QCoreApplication::setApplicationName(QStringLiteral("QZ407"));
    QCoreApplication::setOrganizationName(QStringLiteral("QZ407"));
    QCoreApplication app(argc, argv);
    return runCli(QCoreApplication::arguments());
}
