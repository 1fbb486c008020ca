// Drives the program on the simulated meter and saves a picture of the whole screen at each step:
//   xvfb-run -s "-screen 0 1600x1000x24" qz407-screenshots <folder>
// Run it with LANG / LC_ALL and QT_SCALE_FACTOR set to see other locales and scales. Modal dialogs
// are photographed and closed by a timer, so the run needs no one at the keyboard.
#include "chart/chart_widget.h"
#include "files/file_commands.h"
#include "files/open_save_choice_dialog.h"
#include "graph/graph_window.h"
#include "link/simulated_meter.h"
#include "logger/data_set_pane.h"
#include "logger/table_window.h"
#include "platform/clock.h"
#include "platform/prompter.h"
#include "platform/settings.h"
#include "shell/about_box.h"
#include "shell/main_window.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <cstdio>
#include <deque>
#include <functional>
#include <qcustomplot.h>

namespace {

QString g_folder;
int g_count = 0;

void settle(int ms = 250) {
    QTest::qWait(ms);
}

void shoot(const QString& name) {
    settle();
    const QString file =
        QDir(g_folder).filePath(QStringLiteral("%1-%2.png").arg(++g_count, 2, 10, QChar('0')).arg(name));
    QGuiApplication::primaryScreen()->grabWindow(0).save(file);
    std::printf("%s\n", qPrintable(file));
}

// Photographs the next modal window as soon as it shows, then closes it (or runs `answer` on it).
void shootModal(const QString& name, std::function<void(QWidget*)> answer = {}) {
    auto* timer = new QTimer;
    timer->setInterval(100);
    QObject::connect(timer, &QTimer::timeout, [timer, name, answer] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal)
            return;
        timer->stop();
        timer->deleteLater();
        shoot(name);
        if (answer)
            answer(modal);
        else if (auto* d = qobject_cast<QDialog*>(modal))
            d->reject();
        else
            modal->close();
    });
    timer->start();
}

// Real dialogs, each photographed and closed; files come from a queue.
class ShotPrompter : public WidgetPrompter {
  public:
    std::deque<QString> files;
    QString nextName = QStringLiteral("message");
    void message(const QString& text) override {
        std::printf("message: %s\n", qPrintable(text));
        shootModal(nextName);
        WidgetPrompter::message(text);
    }
    Answer question(const QString& text, Buttons buttons) override {
        std::printf("question: %s\n", qPrintable(text));
        shootModal(nextName);
        WidgetPrompter::question(text, buttons);
        return No;
    }
    bool openFile(FileRequest& r) override { return next(r); }
    bool saveFile(FileRequest& r) override { return next(r); }
    bool chooseColor(QColor& c) override {
        shootModal(QStringLiteral("colour-dialog"));
        return WidgetPrompter::chooseColor(c);
    }
    bool chooseFont(QFont& f) override {
        shootModal(QStringLiteral("font-dialog"));
        return WidgetPrompter::chooseFont(f);
    }
    int runDialog(QDialog& dialog) override {
        if (auto* choice = qobject_cast<OpenSaveChoiceDialog*>(&dialog))
            shootModal(nextName, [choice](QWidget*) { choice->singleFileButton->click(); });
        else
            shootModal(nextName);
        return dialog.exec();
    }

  private:
    bool next(FileRequest& r) {
        if (files.empty())
            return false;
        r.fileName = files.front();
        files.pop_front();
        return true;
    }
};

QMdiSubWindow* subOf(QWidget* w) {
    return qobject_cast<QMdiSubWindow*>(w->parentWidget());
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName("QZ407");
    g_folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("shots");
    QDir().mkpath(g_folder);
    QTemporaryDir temp;

    {
        AboutBox splash;
        splash.okButton->hide();
        splash.show();
        shoot("splash");
    }

    ManualClock clock(QDateTime::currentDateTime());
    SimulatedMeter meter(clock);
    meter.unplug();
    Settings settings(temp.filePath("qz407.ini"));
    ShotPrompter prompter;
    MainWindow main(meter, clock, prompter, settings);
    prompter.setParent(&main);
    main.documentsOverride = temp.filePath("Documents");
    if (QScreen* screen = QGuiApplication::primaryScreen())
        main.setGeometry(screen->availableGeometry());
    main.showMaximized();
    settle(800);
    const auto tick = [&](int n) {
        for (int i = 0; i < n; ++i) {
            clock.advance(500);
            main.poll().onPollTimer();
        }
    };
    main.poll().pollTimer.stop();
    tick(4);
    shoot("main-no-connection");
    std::printf("main window %dx%d\n", main.width(), main.height());

    meter.plugIn();
    tick(2);
    shoot("main-connected");

    // The File and View menus with their keys.
    for (int m : {0, 3}) {
        QMenu* menu = main.menuBar()->actions().value(m) ? main.menuBar()->actions()[m]->menu() : nullptr;
        if (!menu)
            continue;
        menu->popup(main.menuBar()->mapToGlobal(
            main.menuBar()->actionGeometry(main.menuBar()->actions()[m]).bottomLeft()));
        shoot(m == 0 ? "file-menu" : "view-menu");
        menu->close();
    }

    prompter.nextName = "about";
    main.onAboutClicked();

    prompter.nextName = "download-message";
    main.onLoadDataClicked();
    shoot("data-logger");
    GraphWindow* logger = main.dataLoggerWindow();
    if (logger) {
        logger->onShowMaxMinClicked();
        shoot("max-min-table");
        logger->onShowMaxMinClicked();
        // Zoom into the middle of the ppm axis with the mouse.
        QCustomPlot* plot = logger->chart->customPlot();
        const QRect r = logger->chart->plottingRect();
        const QPoint from(r.left() + r.width() / 3, r.top() + 20);
        const QPoint to(r.left() + r.width() / 2, r.top() + r.height() / 4);
        QTest::mousePress(plot, Qt::LeftButton, {}, from);
        QTest::mouseMove(plot, (from + to) / 2);
        QTest::mouseMove(plot, to);
        QTest::mouseRelease(plot, Qt::LeftButton, {}, to);
        QTest::mouseMove(plot, QPoint(r.center().x(), r.bottom() - 20));
        shoot("zoomed");
        logger->onUndoZoomClicked();

        prompter.nextName = "y-axis-dialog";
        logger->onYAxisClicked();
        prompter.nextName = "customize-dialog";
        logger->onGraphOptionClicked();
        logger->onFontClicked();
        logger->onMarkColorClicked();
    }

    // A text file of the first set, opened into a table window.
    const QString text = temp.filePath("set1.txt");
    {
        QFile f(text);
        f.open(QIODevice::WriteOnly);
        const QLocale l;
        QDateTime t = clock.nowDateTime();
        for (int i = 0; i < 300; ++i, t = t.addSecs(60))
            f.write(
                QStringLiteral("%1\t%2\t%3\t%4\t%5\t\n")
                    .arg(l.toString(t.date(), QLocale::ShortFormat),
                         l.toString(t.time(), QLocale::LongFormat).remove(QRegularExpression(" ?[A-Z]{3,}$")),
                         l.toString(600 + i), l.toString(45.5 + i % 10, 'f', 1),
                         l.toString(21.3 + i % 5, 'f', 1))
                    .toUtf8());
    }
    prompter.files = {text};
    prompter.nextName = "open-dialog";
    main.fileCommands().runOpenCommand();
    shoot("table-window");
    QMdiSubWindow* tableSub = main.mdiArea()->subWindowList().last();
    tableSub->showMaximized();
    shoot("table-maximized");
    tableSub->showNormal();
    main.mdiArea()->setActiveSubWindow(tableSub);
    main.onOutputToGraphClicked();
    shoot("table-to-graph");

    main.onTileClicked();
    shoot("tile");
    std::printf("main window after tile %dx%d\n", main.width(), main.height());
    main.onCascadeClicked();
    shoot("cascade");
    std::printf("main window after cascade %dx%d\n", main.width(), main.height());

    main.onSetupClicked();
    shoot("setup");
    if (main.setupDialog())
        main.setupDialog()->close();

    if (GraphWindow* rt = main.recorder().window()) {
        main.mdiArea()->setActiveSubWindow(subOf(rt));
        prompter.nextName = "real-time-setup";
        main.recorder().onRunClicked();
        // A short recording into a fresh real-time graph beside the panel, with its MAX/MIN table.
        subOf(rt)->close();
        settle();
        main.realTimeGraphAction->trigger();
        settle();
        rt = main.recorder().window();
        for (int i = 0; i < 40; ++i)
            main.recorder().appendRealTimeSample(900 + 10 * i, 45.0f + i % 7, 22.0f + 0.1f * i, 0,
                                                 clock.now() + i * 2.0 / 86400);
        rt->onShowMaxMinClicked();
        subOf(rt)->setGeometry(subOf(main.panel())->width(), 0, 820, main.mdiArea()->height());
        subOf(rt)->raise();
        subOf(main.panel())->raise();
        shoot("real-time-graph-with-table");
    }
    prompter.nextName = "printer-setup";
    main.onPrinterSetupClicked();
    prompter.nextName = "help";
    main.helpFileOverride = QStringLiteral(QZ407_HELP_SOURCE);
    main.openExternally = [](const QUrl&) { return false; };
    main.onContentsClicked();
    shoot("help");
    std::fflush(stdout);
    return 0;
}
