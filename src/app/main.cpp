// The QZ407 desktop companion: command line, splash, main window.
#include "link/hid_meter_transport.h"
#include "link/simulated_meter.h"
#include "platform/clock.h"
#include "platform/install_paths.h"
#include "platform/prompter.h"
#include "platform/settings.h"
#include "platform/version_info.h"
#include "shell/about_box.h"
#include "shell/main_window.h"
#include "test_aids.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <cstdio>
#include <memory>

int main(int argc, char** argv) {
    QApplication::setApplicationName("QZ407");
    QApplication::setOrganizationName("QZ407");
    QApplication::setApplicationVersion(VersionInfo(nullptr).versionText());

    QCommandLineParser parser;
    parser.setApplicationDescription("Desktop companion of the QZ407 CO2, humidity and temperature meter.");
    parser.addHelpOption();
    parser.addVersionOption();
    QCommandLineOption demo("demo", "Run on the built-in simulated meter instead of a meter on USB.");
    parser.addOption(demo);
    parser.addPositionalArgument(
        "files", "Graph (.ghf), text (.txt, .csv) or collection (.407) files to open.", "[FILE...]");
    TestAids::addOptions(parser);
    // --help and --version are answered before the application object exists, so they also work
    // in a terminal without a display; everything else waits for QApplication, which first takes
    // out its own options (-platform, -style, ...).
    for (int i = 1; i < argc; ++i) {
        const QByteArray arg(argv[i]);
        if (arg == "-h" || arg == "--help" || arg == "-?") {
            std::fputs(qPrintable(parser.helpText().replace("<executable_name>", "qz407")), stdout);
            return 0;
        }
        if (arg == "-v" || arg == "--version") {
            // Also says where the files that come with the program were found, so an installed
            // copy can be checked from a terminal.
            QCoreApplication core(argc, argv);
            std::printf("QZ407 %s\n", qPrintable(QApplication::applicationVersion()));
            const QString help = findProgramFile(QStringLiteral("QZ407HELP.htm"));
            const QString shipped = findProgramFile(QStringLiteral("template/graph.ghf"));
            std::printf("help: %s\n", help.isEmpty() ? "(not found)" : qPrintable(help));
            std::printf("template: %s\n", shipped.isEmpty() ? "(not found)" : qPrintable(shipped));
            return 0;
        }
    }

    QApplication app(argc, argv);
    parser.process(app);

    // The splash: the about box without its OK button, painted at once.
    auto splash = std::make_unique<AboutBox>();
    splash->okButton->hide();
    splash->show();
    app.processEvents();

    RealClock clock;
    std::unique_ptr<MeterTransport> transport;
    if (parser.isSet(demo))
        transport = std::make_unique<SimulatedMeter>(clock);
    else
        transport = std::make_unique<HidMeterTransport>();
    Settings settings;
    WidgetPrompter prompter;
    TestAids aids(parser, prompter);

    MainWindow main(*transport, clock, aids, settings);
    prompter.setParent(&main);
    aids.attach(main);
    QObject::connect(&main, &MainWindow::firstShown, [&splash] { splash.reset(); });
    // Where the last run left it; the first time maximised, and without a window manager (a bare X
    // server) filling the screen by hand.
    if (main.restoreStoredGeometry()) {
        main.show();
    } else {
        if (QScreen* screen = QGuiApplication::primaryScreen())
            main.setGeometry(screen->availableGeometry());
        main.showMaximized();
    }
    // The files named on the command line open once the window is up, as File > Open opens them.
    const QStringList files = parser.positionalArguments();
    QTimer::singleShot(0, &main, [&main, &aids, files] {
        if (!files.isEmpty())
            main.openFiles(files);
        aids.commandLineFilesOpened();
    });
    return app.exec();
}
