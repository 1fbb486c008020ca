#include "main_window.h"

#include "about_box.h"
#include "chart/chart_widget.h"
#include "files/collection_file.h"
#include "files/output_to_graph.h"
#include "live/panel_window.h"
#include "logger/data_set_pane.h"
#include "logger/download_progress.h"
#include "logger/memory_download.h"
#include "logger/table_window.h"
#include "platform/clock.h"
#include "platform/data_folder.h"
#include "platform/install_paths.h"
#include "platform/prompter.h"
#include "platform/settings.h"
#include "print/printing.h"
#include "report/graph_report.h"
#include "shell/activity_panel.h"
#include "shell/help_window.h"
#include "shell/mdi_arrange.h"
#include "shell/recent_files.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QDialogButtonBox>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QMimeData>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QStyle>
#include <QToolBar>
#include <QUrl>
#include <QWheelEvent>
#include <qcustomplot.h>

#include <algorithm>
#include <exception>
#include <limits>
#include <new>

MainWindow::MainWindow(MeterTransport& transport, Clock& clock, Prompter& prompter, Settings& settings,
                       QWidget* parent)
    : QMainWindow(parent), m_clock(clock), m_prompter(prompter), m_settings(settings),
      m_link(transport, clock), m_poll(m_link, clock, m_reading),
      m_printer(std::make_unique<QPrinter>(QPrinter::HighResolution)) {
    setObjectName("MainWindow");
    setWindowTitle("QZ407");

    m_mdi = new QMdiArea(this);
    m_mdi->setFrameShape(QFrame::NoFrame); // no border, no scroll bars around the children
    m_mdi->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_mdi->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // Without scroll bars the area would ask for room for its largest child; it never makes the
    // main window grow: children are arranged inside it instead.
    m_mdi->setMinimumSize(200, 150);
    setCentralWidget(m_mdi);
    openExternally = [](const QUrl& url) { return QDesktopServices::openUrl(url); };
    connect(m_mdi, &QMdiArea::subWindowActivated, this, &MainWindow::onSubWindowActivated);

    buildMenus();
    buildToolBar();

    for (int i = 0; i < 2; ++i) {
        m_status[i] = new QLabel(this);
        m_status[i]->setMinimumWidth(i == 0 ? 150 : 50);
        statusBar()->addWidget(m_status[i], i);
    }
    m_activity = new ActivityPanel(m_clock, this);
    statusBar()->addPermanentWidget(m_activity);
    setAcceptDrops(true);

    // Stored settings, each on its own, defaults for what is missing.
    m_realTime.RealTimeRate = m_settings.realTimeRate();
    m_graphShared.annoColor = m_settings.annoColor();
    m_graphShared.limits = readLimitValues(m_settings);
    m_graphShared.realTimeUnsaved = &m_realTime.Unsaved;
    m_graphShared.showUnits = m_settings.showUnits();
    showUnitsAction->setChecked(m_graphShared.showUnits);
    connect(showUnitsAction, &QAction::toggled, this, [this](bool on) {
        m_graphShared.showUnits = on;
        m_settings.setShowUnits(on);
        for (QMdiSubWindow* sub : m_mdi->subWindowList())
            if (auto* graph = qobject_cast<GraphWindow*>(sub->widget()))
                graph->applyUnits();
    });
    m_graphShared.startFolder = [this](const QString& kind) { return startFolder(kind); };
    m_graphShared.fileChosen = [this](const QString& kind, const QString& fileName) {
        m_settings.setLastFolder(kind, QFileInfo(fileName).absolutePath());
    };
    m_graphShared.fileWritten = [this](const QString& fileName) {
        m_activity->showMessage(QStringLiteral("Saved ") + QFileInfo(fileName).fileName());
    };
    m_glyphs.load(devicePixelRatioF());

    connect(&m_poll, &PollCycle::connectionMade, this, &MainWindow::connectionActions);
    connect(&m_poll, &PollCycle::connectionLost, this, &MainWindow::lossActions);

    m_recorder = new RealTimeRecorder(
        m_realTime, m_reading, m_prompter, m_clock, m_link, [this] { return m_poll.Connected; },
        m_graphShared,
        [this] {
            GraphWindow* graph = createGraphWindow(GraphWindow::kRealTimeCaption);
            auto* sub = qobject_cast<QMdiSubWindow*>(graph->parentWidget());
            const int left = m_panel ? m_panel->parentWidget()->width() : 0;
            // 800 wide, or as wide as its tool bar in one row when that is wider and fits.
            mdi::place(*m_mdi, sub, QPoint(left, 0),
                       storedChildSize(QStringLiteral("realtime"),
                                       QSize(std::max(800, sub->sizeHint().width()),
                                             std::max(300, height() - 59 - statusBar()->height() - 40))));
            sub->show();
            realTimeGraphAction->setChecked(true);
            connect(graph, &GraphWindow::closedWindow, this,
                    [this] { realTimeGraphAction->setChecked(false); });
            return graph;
        },
        this);
    connect(&m_poll, &PollCycle::secondCounted, m_recorder, &RealTimeRecorder::onSecondCounted);
    connect(&m_poll, &PollCycle::liveReadingValid, m_recorder, &RealTimeRecorder::onLiveReadingValid);
    connect(&m_poll, &PollCycle::connectionMade, m_recorder, &RealTimeRecorder::onConnectionMade);
    connect(&m_poll, &PollCycle::connectionLost, m_recorder, &RealTimeRecorder::onConnectionLost);
    connect(m_recorder, &RealTimeRecorder::buttonsChanged, this, [this](bool run, bool stop) {
        runButton->setEnabled(run);
        runAction->setEnabled(run);
        stopButton->setEnabled(stop);
        stopAction->setEnabled(stop);
    });
    connect(runAction, &QAction::triggered, m_recorder, &RealTimeRecorder::onRunClicked);
    connect(stopAction, &QAction::triggered, m_recorder, &RealTimeRecorder::onStopClicked);
    connect(realTimeGraphAction, &QAction::triggered, this, [this] {
        // The click toggled the tick; the window is there afterwards, so the tick is too.
        m_recorder->showRealTimeGraph();
        realTimeGraphAction->setChecked(m_recorder->window() != nullptr);
    });

    FileCommands::Windows windows;
    windows.createGraphWindow = [this](const QString& caption) {
        GraphWindow* graph = createGraphWindow(caption);
        placeGraphWindow(graph);
        graph->parentWidget()->show();
        return graph;
    };
    windows.addTableWindow = [this](TableWindow* table) {
        QMdiSubWindow* sub = m_mdi->addSubWindow(table);
        sub->setAttribute(Qt::WA_DeleteOnClose);
        sub->show();
        // Room for every column, and two thirds of the area's height.
        const QSize frame = sub->size() - table->size();
        mdi::place(*m_mdi, sub, sub->pos(),
                   storedChildSize(QStringLiteral("table"), QSize(table->preferredWidth() + frame.width(),
                                                                  m_mdi->viewport()->height() * 2 / 3)),
                   mdi::Fit::MoveThenShrink);
    };
    windows.dialogParent = this;
    windows.fileOpened = [this](const QString& fileName) { m_recent->add(fileName); };
    windows.fileWritten = [this](const QString& fileName) {
        m_activity->showMessage(QStringLiteral("Saved ") + QFileInfo(fileName).fileName());
    };
    windows.startFolder = [this](const QString& kind) { return startFolder(kind); };
    windows.fileChosen = [this](const QString& kind, const QString& fileName) {
        m_settings.setLastFolder(kind, QFileInfo(fileName).absolutePath());
    };
    windows.dataLoggerWindow = [this] { return dataLoggerForDownload(); };
    windows.graphSaved = [this](GraphWindow& graph) {
        if (&graph == m_recorder->window())
            m_recorder->recordingSaved();
    };
    m_files =
        std::make_unique<FileCommands>(m_prompter, m_clock, dataFolderPath, m_store, m_graphShared, windows);
    connect(m_recorder, &RealTimeRecorder::saveGraphRequested, this,
            [this](GraphWindow* graph) { m_files->saveGraph(*graph); });
    connect(saveAction, &QAction::triggered, this, [this] {
        if (!refusedWhileDownloading())
            m_files->runSaveCommand(m_mdi->activeSubWindow());
    });
    connect(openAction, &QAction::triggered, this, [this] {
        if (!refusedWhileDownloading())
            m_files->runOpenCommand();
    });
    connect(outputToGraphButton, &QToolButton::clicked, this, &MainWindow::onOutputToGraphClicked);

    m_recent = new RecentFiles(
        m_settings, m_prompter, *recentFilesMenu,
        [this](const QString& fileName) {
            if (!refusedWhileDownloading())
                m_files->openNamedFile(fileName);
        },
        this);
    addShortcuts();
    // After the recorder's own handlers, so a sample just taken is counted.
    connect(&m_poll, &PollCycle::secondCounted, this, &MainWindow::updateActivity);
    connect(&m_poll, &PollCycle::liveReadingValid, this, &MainWindow::updateActivity);
    connect(m_recorder, &RealTimeRecorder::buttonsChanged, this, &MainWindow::updateActivity);
}

MainWindow::~MainWindow() {
    // Children are destroyed after this object's own part: no signal may reach it from them.
    disconnect(m_mdi, nullptr, this, nullptr);
    m_poll.pollTimer.stop();
    m_poll.flashTimer.stop();
}

void MainWindow::buildMenus() {
    auto* file = menuBar()->addMenu("&File");
    openAction = file->addAction("&Open");
    recentFilesMenu = file->addMenu("Recent &Files");
    recentFilesMenu->setObjectName("recentFilesMenu");
    saveAction = file->addAction("&Save");
    saveAsAction = file->addAction("Save &As...");
    closeAction = file->addAction("&Close");
    file->addSeparator();
    printAction = file->addAction("&Print");
    printerSetupAction = file->addAction("&Printer Setup");
    file->addSeparator();
    exitAction = file->addAction("E&xit");

    auto* rt = menuBar()->addMenu("Real Time");
    runAction = rt->addAction("Run");
    stopAction = rt->addAction("Stop");
    runAction->setEnabled(false);
    stopAction->setEnabled(false);

    dataLoggerMenu = menuBar()->addMenu("&Data Logger");
    dataLoggerMenu->setObjectName("dataLoggerMenu");
    loadDataAction = dataLoggerMenu->addAction("&Load ");
    setupAction = dataLoggerMenu->addAction("&Setup");

    auto* view = menuBar()->addMenu("&View");
    controlPanelAction = view->addAction("&Control Panel");
    controlPanelAction->setCheckable(true);
    controlPanelAction->setChecked(true);
    realTimeGraphAction = view->addAction("Real Time &Graph");
    realTimeGraphAction->setCheckable(true);
    realTimeGraphAction->setChecked(true);
    showUnitsAction = view->addAction("Show &Units");
    showUnitsAction->setObjectName("showUnitsAction");
    showUnitsAction->setCheckable(true);
    // Zooming the active chart from the keyboard, as the wheel and Undo Zoom do.
    view->addSeparator();
    zoomInAction = view->addAction("Zoom &In");
    zoomOutAction = view->addAction("Zoom &Out");
    wholeViewAction = view->addAction("&Whole View");
    undoZoomAction = view->addAction("Undo &Zoom");

    m_windowMenu = menuBar()->addMenu("&Window");
    tileAction = m_windowMenu->addAction("&Tile");
    cascadeAction = m_windowMenu->addAction("&Cascade");
    connect(m_windowMenu, &QMenu::aboutToShow, this, [this] {
        // Keep Tile and Cascade, then list the open child windows.
        const auto actions = m_windowMenu->actions();
        for (int i = 2; i < actions.size(); ++i)
            m_windowMenu->removeAction(actions[i]), actions[i]->deleteLater();
        const auto subs = m_mdi->subWindowList();
        if (!subs.isEmpty())
            m_windowMenu->addSeparator();
        int n = 1;
        for (QMdiSubWindow* sub : subs) {
            QString title = sub->windowTitle();
            // A table and the graph made from it share their caption: the graph says what it is.
            const bool shared = std::count_if(subs.begin(), subs.end(), [&](QMdiSubWindow* other) {
                                    return other->windowTitle() == title;
                                }) > 1;
            if (shared && qobject_cast<GraphWindow*>(sub->widget()))
                title += QStringLiteral(" (graph)");
            QAction* a = m_windowMenu->addAction(QStringLiteral("&%1 %2").arg(n++).arg(title));
            a->setCheckable(true);
            a->setChecked(sub == m_mdi->activeSubWindow());
            connect(a, &QAction::triggered, sub, [this, sub] { m_mdi->setActiveSubWindow(sub); });
        }
    });

    auto* help = menuBar()->addMenu("&Help");
    contentsAction = help->addAction("&Contents");
    help->addSeparator();
    aboutAction = help->addAction("&About");

    connect(setupAction, &QAction::triggered, this, &MainWindow::onSetupClicked);
    connect(loadDataAction, &QAction::triggered, this, &MainWindow::onLoadDataClicked);
    connect(printAction, &QAction::triggered, this, &MainWindow::onPrintClicked);
    connect(printerSetupAction, &QAction::triggered, this, &MainWindow::onPrinterSetupClicked);
    connect(exitAction, &QAction::triggered, this, &MainWindow::onExitClicked);
    connect(controlPanelAction, &QAction::triggered, this, &MainWindow::onControlPanelClicked);
    connect(tileAction, &QAction::triggered, this, &MainWindow::onTileClicked);
    connect(cascadeAction, &QAction::triggered, this, &MainWindow::onCascadeClicked);
    connect(contentsAction, &QAction::triggered, this, &MainWindow::onContentsClicked);
    connect(aboutAction, &QAction::triggered, this, &MainWindow::onAboutClicked);
    connect(saveAsAction, &QAction::triggered, this, [this] {
        if (refusedWhileDownloading())
            return;
        // A graph (the DataLogger one too) under a new name; a table exports its rows.
        if (GraphWindow* graph = activeGraphWindow())
            m_files->saveGraph(*graph);
        else
            m_files->runSaveCommand(m_mdi->currentSubWindow());
    });
    connect(closeAction, &QAction::triggered, this, [this] {
        if (QMdiSubWindow* sub = m_mdi->currentSubWindow())
            sub->close();
    });
    connect(zoomInAction, &QAction::triggered, this, [this] { zoomActiveChart(1); });
    connect(zoomOutAction, &QAction::triggered, this, [this] { zoomActiveChart(-1); });
    for (QAction* a : {wholeViewAction, undoZoomAction}) {
        connect(a, &QAction::triggered, this, [this] {
            // Undo Zoom goes back to the whole view at once.
            if (GraphWindow* graph = activeGraphWindow(); graph && graph->chart->isZoomed())
                graph->onUndoZoomClicked();
        });
    }
}

namespace {
// The desktop's keys for a standard command; where its key scheme has none (some have no Save As
// or Quit), the usual ones.
QList<QKeySequence> standardKeys(QKeySequence::StandardKey key, const QKeySequence& usual) {
    QList<QKeySequence> keys = QKeySequence::keyBindings(key);
    if (keys.isEmpty())
        keys << usual;
    return keys;
}
} // namespace

void MainWindow::addShortcuts() {
    // The desktop's standard keys where there is one; each shows beside its menu item.
    openAction->setShortcuts(standardKeys(QKeySequence::Open, QKeySequence(Qt::CTRL | Qt::Key_O)));
    saveAction->setShortcuts(standardKeys(QKeySequence::Save, QKeySequence(Qt::CTRL | Qt::Key_S)));
    saveAsAction->setShortcuts(
        standardKeys(QKeySequence::SaveAs, QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S)));
    // A child window's frame already closes it with the desktop's Close keys while it has the
    // focus; the menu item shows them and answers them only when no child has the focus.
    closeAction->setShortcuts(standardKeys(QKeySequence::Close, QKeySequence(Qt::CTRL | Qt::Key_W)));
    closeAction->setShortcutContext(Qt::WidgetShortcut);
    addAction(closeAction);
    printAction->setShortcuts(standardKeys(QKeySequence::Print, QKeySequence(Qt::CTRL | Qt::Key_P)));
    exitAction->setShortcuts(standardKeys(QKeySequence::Quit, QKeySequence(Qt::CTRL | Qt::Key_Q)));
    contentsAction->setShortcuts(standardKeys(QKeySequence::HelpContents, QKeySequence(Qt::Key_F1)));
    undoZoomAction->setShortcuts(standardKeys(QKeySequence::Undo, QKeySequence(Qt::CTRL | Qt::Key_Z)));
    // The plain keys first (shown in the menu), then the desktop's zoom keys.
    zoomInAction->setShortcuts(QList<QKeySequence>{Qt::Key_Plus} +
                               QKeySequence::keyBindings(QKeySequence::ZoomIn));
    zoomOutAction->setShortcuts(QList<QKeySequence>{Qt::Key_Minus} +
                                QKeySequence::keyBindings(QKeySequence::ZoomOut));
    wholeViewAction->setShortcut(Qt::Key_0);
}

GraphWindow* MainWindow::activeGraphWindow() const {
    QMdiSubWindow* sub = m_mdi->currentSubWindow();
    return sub ? qobject_cast<GraphWindow*>(sub->widget()) : nullptr;
}

void MainWindow::zoomActiveChart(int steps) {
    GraphWindow* graph = activeGraphWindow();
    if (!graph)
        return;
    auto* plot = graph->chart->findChild<QCustomPlot*>();
    if (!plot || !plot->axisRect())
        return;
    // A wheel turn in the middle of the top chart: the chart zooms and tells its window as usual.
    const QPointF middle = plot->axisRect()->rect().center();
    QWheelEvent wheel(middle, plot->mapToGlobal(middle), QPoint(), QPoint(0, 120 * steps), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(plot, &wheel);
}

bool MainWindow::openFiles(const QStringList& fileNames) {
    if (refusedWhileDownloading())
        return false;
    bool all = true;
    for (const QString& fileName : fileNames)
        all = m_files->openNamedFile(fileName) && all;
    return all;
}

void MainWindow::dragEnterEvent(QDragEnterEvent* e) {
    const QList<QUrl> urls = e->mimeData()->urls();
    if (std::any_of(urls.begin(), urls.end(), [](const QUrl& url) { return url.isLocalFile(); }))
        e->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent* e) {
    QStringList files;
    for (const QUrl& url : e->mimeData()->urls()) {
        if (url.isLocalFile())
            files << url.toLocalFile();
    }
    if (files.isEmpty())
        return;
    e->acceptProposedAction();
    // Opened once the drop is over, so the dragging program is not held by our dialogs.
    QMetaObject::invokeMethod(
        this, [this, files] { openFiles(files); }, Qt::QueuedConnection);
}

void MainWindow::updateActivity() {
    if (m_realTime.Running) {
        if (m_recordingStartTick < 0)
            m_recordingStartTick = m_clock.tickCount();
        m_activity->showRecording(m_realTime.SampleCount, m_clock.tickCount() - m_recordingStartTick,
                                  m_recorder->journalProblem());
        return;
    }
    if (m_recordingStartTick >= 0) {
        m_recordingStartTick = -1;
        m_activity->showIdle();
    }
}

bool MainWindow::restoreStoredGeometry() {
    const QByteArray geometry = m_settings.mainWindowGeometry();
    return !geometry.isEmpty() && restoreGeometry(geometry);
}

QSize MainWindow::storedChildSize(const QString& kind, QSize fallback) const {
    const QSize stored = m_settings.childWindowSize(kind);
    return stored.isValid() ? stored : fallback;
}

void MainWindow::storeChildSizes() {
    for (QMdiSubWindow* sub : m_mdi->subWindowList()) {
        if (sub->isMinimized() || sub->isMaximized())
            continue;
        QString kind;
        if (qobject_cast<TableWindow*>(sub->widget()))
            kind = QStringLiteral("table");
        else if (auto* graph = qobject_cast<GraphWindow*>(sub->widget())) {
            if (graph->windowTitle() == GraphWindow::kRealTimeCaption)
                kind = QStringLiteral("realtime");
            else if (graph->windowTitle() == GraphWindow::kDataLoggerCaption)
                kind = QStringLiteral("datalogger");
            else
                kind = QStringLiteral("graph");
        }
        if (!kind.isEmpty())
            m_settings.setChildWindowSize(kind, sub->size());
    }
}

QString MainWindow::startFolder(const QString& kind) const {
    // A folder moved or deleted since falls back to the data folder.
    const QString folder = m_settings.lastFolder(kind);
    return !folder.isEmpty() && QDir(folder).exists() ? folder : QString();
}

QToolButton* MainWindow::toolButton(const QString& name, const QString& hint, QAction* same,
                                    const QIcon& icon) {
    auto* b = new QToolButton(this);
    b->setObjectName(name);
    b->setToolTip(hint);
    b->setIcon(icon);
    b->setIconSize(QSize(32, 32));
    b->setAutoRaise(true);
    b->setFixedSize(50, 50);
    if (same)
        connect(b, &QToolButton::clicked, same, &QAction::trigger);
    return b;
}

void MainWindow::buildToolBar() {
    auto* bar = addToolBar("Tools");
    bar->setObjectName("ToolBar");
    bar->setMovable(false);
    bar->setFixedHeight(59);
    QStyle* s = style();
    openButton =
        toolButton("openButton", "Open File", openAction, s->standardIcon(QStyle::SP_DialogOpenButton));
    saveButton =
        toolButton("saveButton", "Save to file", saveAction, s->standardIcon(QStyle::SP_DialogSaveButton));
    printButton =
        toolButton("printButton", "Print", printAction, s->standardIcon(QStyle::SP_FileDialogDetailedView));
    dataLoggerButton =
        toolButton("dataLoggerButton", "Data Logger", loadDataAction, s->standardIcon(QStyle::SP_ArrowDown));
    outputToGraphButton = toolButton("outputToGraphButton", "Output Tabular to graph", nullptr,
                                     s->standardIcon(QStyle::SP_FileDialogContentsView));
    runButton = toolButton("runButton", "Start Graphing Real Time Data", runAction,
                           s->standardIcon(QStyle::SP_MediaPlay));
    stopButton = toolButton("stopButton", "Stop Graphing Real Time Data", stopAction,
                            s->standardIcon(QStyle::SP_MediaStop));
    outputToGraphButton->setEnabled(false);
    runButton->setEnabled(false);
    stopButton->setEnabled(false);
    for (QToolButton* b :
         {openButton, saveButton, printButton, dataLoggerButton, outputToGraphButton, runButton, stopButton})
        bar->addWidget(b);
}

QString MainWindow::statusText(int panel) const {
    return m_status[panel]->text();
}

QMdiSubWindow* MainWindow::addChild(QWidget* w, QPoint pos) {
    QMdiSubWindow* sub = m_mdi->addSubWindow(w);
    sub->setAttribute(Qt::WA_DeleteOnClose);
    sub->move(pos);
    sub->show();
    return sub;
}

void MainWindow::showEvent(QShowEvent* e) {
    QMainWindow::showEvent(e);
    if (!m_shown) {
        m_shown = true;
        onFirstShow();
    }
}

void MainWindow::onFirstShow() {
    dataFolderPath = settleDataFolder(documentsOverride.isNull() ? documentsFolder() : documentsOverride);
    m_graphShared.dataFolder = dataFolderPath;
    m_realTime.ExtendStep = 10.0 / 86400.0;
    m_recorder->setJournalPath(RecordingJournal::pathIn(dataFolderPath));
    m_recorder->createRealTimeGraph();
    onControlPanelClicked();
    if (GraphWindow* rt = m_recorder->window()) {
        // Beside the panel, as tall as the client area allows.
        if (auto* sub = qobject_cast<QMdiSubWindow*>(rt->parentWidget()))
            mdi::place(*m_mdi, sub, QPoint(m_panel->parentWidget()->width(), 0),
                       storedChildSize(QStringLiteral("realtime"),
                                       QSize(std::max(800, sub->sizeHint().width()), sub->height())));
    }
    m_status[0]->clear();
    m_status[1]->setText("Off Connection");
    m_poll.pollTimer.start();
    emit firstShown();
    if (GraphWindow* rt = m_recorder->window())
        rt->setFocus();
    // Once the window is up: a recording a crash left unsaved is offered back.
    QMetaObject::invokeMethod(m_recorder, &RealTimeRecorder::offerRecovery, Qt::QueuedConnection);
}

void MainWindow::onControlPanelClicked() {
    if (m_panel) {
        if (auto* sub = qobject_cast<QMdiSubWindow*>(m_panel->parentWidget()))
            sub->showNormal();
        controlPanelAction->setChecked(true);
        return;
    }
    m_panel = new PanelWindow(m_reading, m_glyphs, m_link, m_clock);
    // The whole meter stays in view: on a low screen (or a large text scale) it is drawn smaller.
    m_panel->setPanelScale(std::min(1.0, double(m_mdi->viewport()->height()) / PanelWindow::kHeight));
    QMdiSubWindow* sub = addChild(m_panel, QPoint(0, 0));
    // No title bar: the panel is moved by dragging its picture; only the meter's outline shows.
    sub->setWindowFlags(Qt::SubWindow | Qt::FramelessWindowHint);
    sub->setFixedSize(m_panel->size());
    sub->setMask(m_panel->mask());
    sub->show();
    m_poll.setPanel(m_panel);
    controlPanelAction->setChecked(true);
    if (m_poll.Connected)
        m_panel->noConnectionLabel->hide();
    connect(m_panel, &PanelWindow::closed, this, [this] {
        m_poll.setPanel(nullptr);
        controlPanelAction->setChecked(false);
    });
}

void MainWindow::onSubWindowActivated(QMdiSubWindow* w) {
    if (!w)
        return;
    if (qobject_cast<PanelWindow*>(w->widget()))
        outputToGraphButton->setEnabled(false);
    else if (qobject_cast<TableWindow*>(w->widget()))
        outputToGraphButton->setEnabled(true);
    else if (auto* graph = qobject_cast<GraphWindow*>(w->widget()))
        graph->onActivated();
}

void MainWindow::placeGraphWindow(GraphWindow* graph) {
    auto* sub = qobject_cast<QMdiSubWindow*>(graph->parentWidget());
    const QSize area = m_mdi->viewport()->size();
    mdi::place(
        *m_mdi, sub, QPoint(0, 0),
        storedChildSize(QStringLiteral("graph"), QSize(area.width(), std::max(300, area.height() - 40))));
}

GraphWindow* MainWindow::createGraphWindow(const QString& caption) {
    auto* graph = new GraphWindow(m_prompter, m_graphShared);
    graph->setWindowTitle(caption);
    QMdiSubWindow* sub = m_mdi->addSubWindow(graph);
    sub->setAttribute(Qt::WA_DeleteOnClose);
    connect(graph, &GraphWindow::activated, this, [this] { outputToGraphButton->setEnabled(false); });
    connect(graph, &GraphWindow::saveRequested, this, [this](GraphWindow* w) { m_files->runSaveCommand(w); });
    connect(graph, &GraphWindow::saveGraphRequested, this,
            [this](GraphWindow* w) { m_files->saveGraph(*w); });
    connect(graph, &GraphWindow::exportReportRequested, this, [this](GraphWindow* w) {
        QString written;
        if (report::exportGraphReport(*w, &written))
            m_activity->showMessage(QStringLiteral("Exported ") + QFileInfo(written).fileName());
    });
    connect(graph, &GraphWindow::closedWindow, this, [guard = QPointer<QMdiSubWindow>(sub)](GraphWindow*) {
        // The sub-window goes with the graph it holds.
        if (guard)
            guard->deleteLater();
    });
    return graph;
}

GraphWindow* MainWindow::dataLoggerForDownload() {
    if (m_dataLogger) {
        if (auto* sub = qobject_cast<QMdiSubWindow*>(m_dataLogger->parentWidget()))
            sub->showNormal();
        return m_dataLogger;
    }
    m_dataLogger = createGraphWindow(GraphWindow::kDataLoggerCaption);
    auto* sub = qobject_cast<QMdiSubWindow*>(m_dataLogger->parentWidget());
    const QSize area = m_mdi->size();
    sub->setGeometry(
        QRect(QPoint(0, 0), storedChildSize(QStringLiteral("datalogger"),
                                            QSize(area.width(), std::max(200, area.height() - 60)))));
    prepareDataLoggerWindow(*m_dataLogger, m_store, m_clock.now());
    sub->show();
    return m_dataLogger;
}

void MainWindow::setDownloadRunning(bool running) {
    m_downloadGuard = running;
    m_graphShared.downloadRunning = running;
}

bool MainWindow::refusedWhileDownloading() {
    if (!m_downloadGuard)
        return false;
    m_prompter.message(GraphWindow::kDownloadRunning);
    return true;
}

void MainWindow::onLoadDataClicked() {
    const LoadDataVerdict verdict = checkLoadData(m_downloadGuard, m_poll.Connected, m_reading.recording);
    if (verdict.action == LoadDataVerdict::Ignore)
        return;
    if (verdict.action == LoadDataVerdict::Refuse) {
        m_prompter.message(verdict.message);
        return;
    }
    setDownloadRunning(true);
    dataLoggerForDownload();
    auto progress = std::make_shared<DownloadProgressDialog>(this);
    // The dialog and the status bar's activity panel both follow the download.
    struct BothProgress : DownloadProgress {
        DownloadProgress& dialog;
        ActivityPanel& panel;
        uint32_t total = 0;
        BothProgress(DownloadProgress& d, ActivityPanel& p) : dialog(d), panel(p) {}
        void downloadStarted(uint32_t totalBytes) override {
            total = totalBytes;
            dialog.downloadStarted(totalBytes);
            panel.showDownload(0, total);
        }
        void bytesReceived(uint32_t received) override {
            dialog.bytesReceived(received);
            panel.showDownload(received, total);
        }
        void downloadEnded() override {
            dialog.downloadEnded();
            panel.clear();
        }
    };
    auto both = std::make_shared<BothProgress>(*progress, *m_activity);
    DownloadHooks hooks;
    hooks.progress = both.get();
    hooks.decoded = [this](const MemoryImage& image) {
        const TempImageWrite written = writeTemporaryImage(dataFolderPath, image);
        if (written == TempImageWrite::FolderFailed) {
            // The sets are in the store: list them as opening a collection does, without showing
            // one, and keep the image for "save all data sets", which cannot copy a file that was
            // never written.
            m_files->keepUnwrittenImage(image);
            m_prompter.message(QDir::toNativeSeparators(temporaryImageFolder(dataFolderPath)));
            installDataSetPane(*dataLoggerForDownload(), m_store)->listDataSets(m_store);
            return;
        }
        // A temporary file that could not be written leaves an older one behind, which no longer
        // matches these sets: "save all data sets" saves the image kept here instead.
        m_files->keepUnwrittenImage(written == TempImageWrite::FileFailed ? std::span<const uint8_t>(image)
                                                                          : std::span<const uint8_t>());
        showDownloadedSets();
    };
    hooks.finished = [this, progress, both](int code) {
        progress->hide();
        if (code == DownloadOk)
            m_graphShared.downloadUnsaved = true;
        setDownloadRunning(false);
        const QString text = downloadMessage(code);
        if (!text.isEmpty())
            m_prompter.message(text);
    };
    hooks.dropConnection = [this] {
        m_poll.dropConnection();
        m_reading.memoryFull = false;
        m_reading.statsFlashMode = false;
    };
    try {
        if (runMemoryDownload(m_link, m_store, hooks) == MeterLink::Gate::Refused)
            setDownloadRunning(false);
    } catch (const std::exception& e) {
        // The closing steps have run; the command ends here with the reason, and the program with
        // every window the user had goes on.
        progress->hide();
        setDownloadRunning(false);
        m_prompter.message(QStringLiteral("The download could not be completed: %1")
                               .arg(dynamic_cast<const std::bad_alloc*>(&e)
                                        ? QStringLiteral("out of memory")
                                        : QString::fromLocal8Bit(e.what())));
    }
}

void MainWindow::showDownloadedSets() {
    GraphWindow* window = dataLoggerForDownload();
    installDataSetPane(*window, m_store)->listDataSets(m_store);
    showDataSet(*window, m_store, 0);
}

void MainWindow::onOutputToGraphClicked() {
    if (refusedWhileDownloading())
        return;
    ::onOutputToGraphClicked(
        m_mdi->activeSubWindow(),
        [this](const QString& caption) {
            GraphWindow* graph = createGraphWindow(caption);
            placeGraphWindow(graph);
            graph->parentWidget()->show();
            return graph;
        },
        m_prompter, m_clock);
}

void MainWindow::connectionActions() {
    m_status[0]->clear();
    m_status[1]->setText("On Connection");
    dataLoggerMenu->menuAction()->setVisible(true);
    dataLoggerMenu->setEnabled(true);
    dataLoggerButton->setVisible(true);
    dataLoggerButton->setEnabled(true);
    const bool running = m_realTime.Running;
    runButton->setEnabled(!running);
    runAction->setEnabled(!running);
    stopButton->setEnabled(running);
    stopAction->setEnabled(running);
}

void MainWindow::lossActions() {
    for (QAction* a : {runAction, stopAction})
        a->setEnabled(false);
    for (QToolButton* b : {runButton, stopButton, dataLoggerButton})
        b->setEnabled(false);
    dataLoggerMenu->setEnabled(false);
    m_status[0]->clear();
    m_status[1]->setText("No Connection");
}

void MainWindow::onTileClicked() {
    // A chart too low to read is no use side by side: rows that would leave one lower than
    // kSmallestTiledChart overlap instead.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    int around = 0; // what a graph window holds besides its chart
    for (QMdiSubWindow* sub : m_mdi->subWindowList()) {
        if (auto* graph = qobject_cast<GraphWindow*>(sub->widget()); graph && sub->isVisible())
            around = std::max(around, sub->height() - graph->chart->height());
    }
    mdi::tile(*m_mdi, around > 0 ? kSmallestTiledChart + around : 0);
}

int MainWindow::smallestChartHeight() const {
    // The graph windows' layouts follow their new sizes first.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    int smallest = std::numeric_limits<int>::max();
    for (QMdiSubWindow* sub : m_mdi->subWindowList()) {
        auto* graph = qobject_cast<GraphWindow*>(sub->widget());
        if (graph && sub->isVisible() && !sub->isMinimized())
            smallest = std::min(smallest, graph->chart->height());
    }
    return smallest;
}

void MainWindow::onCascadeClicked() {
    mdi::cascade(*m_mdi);
}

QString MainWindow::helpFilePath() const {
    if (!helpFileOverride.isEmpty())
        return helpFileOverride;
    // Beside the program in the build folder, in <prefix>/share/qz407 once installed.
    const QString found = findProgramFile(QStringLiteral("QZ407HELP.htm"));
    return found.isEmpty() ? QDir(programFolder()).filePath(QStringLiteral("QZ407HELP.htm")) : found;
}

HelpWindow* MainWindow::helpWindow() const {
    return m_help;
}

void MainWindow::onContentsClicked() {
    const QString file = helpFilePath();
    if (QFileInfo::exists(file) && openExternally && openExternally(QUrl::fromLocalFile(file)))
        return;
    // No program on this desktop opens it (or it is missing): the program's own window shows it.
    if (!m_help) {
        m_help = new HelpWindow(file, this);
        if (QScreen* screen = this->screen()) {
            const QRect room = screen->availableGeometry();
            m_help->resize(m_help->size().boundedTo(room.size() * 9 / 10));
            m_help->move(room.center() - m_help->rect().center());
        }
    }
    m_help->show();
    m_help->raise();
    m_help->activateWindow();
}

void MainWindow::onAboutClicked() {
    // A modal dialog would pause the download that fills the DataLogger window.
    if (refusedWhileDownloading())
        return;
    if (!m_about)
        m_about = new AboutBox(this);
    m_prompter.runDialog(*m_about);
    delete m_about;
}

void MainWindow::onSetupClicked() {
    if (m_setup) {
        m_setup->showNormal();
        m_setup->raise();
        return;
    }
    m_setup = new SetupDialog(
        m_link, m_prompter, m_clock, [this] { return m_poll.Connected; }, this);
    m_setup->show();
}

void MainWindow::onPrinterSetupClicked() {
    if (refusedWhileDownloading())
        return;
    // The printer chosen here stays for later print jobs.
    QPrintDialog dlg(m_printer.get(), this);
    dlg.setWindowTitle("Printer Setup");
    // It only sets the printer up: its button says OK, not Print.
    for (QDialogButtonBox* box : dlg.findChildren<QDialogButtonBox*>()) {
        if (QPushButton* ok = box->button(QDialogButtonBox::Ok))
            ok->setText("OK");
    }
    m_prompter.runDialog(dlg);
}

void MainWindow::onPrintClicked() {
    if (refusedWhileDownloading())
        return;
    QMdiSubWindow* active = m_mdi->activeSubWindow();
    if (!active)
        return;
    if (auto* table = qobject_cast<TableWindow*>(active->widget())) {
        const TableModel& model = table->model();
        QList<QStringList> rows;
        rows.reserve(model.gridRowCount());
        for (qsizetype r = 0; r < model.gridRowCount(); ++r) {
            QStringList cells;
            for (int c = 0; c < model.columnCount(); ++c)
                cells << model.cellText(c, r);
            rows << cells;
        }
        if (print::printTableWithDialog(m_prompter, *m_printer, rows, this))
            m_activity->showMessage(QStringLiteral("Printed ") + active->windowTitle());
    } else if (auto* graph = qobject_cast<GraphWindow*>(active->widget())) {
        if (print::printGraph(*graph->chart, *m_printer, report::rendererOf(*graph)))
            m_activity->showMessage(QStringLiteral("Printed ") + graph->windowTitle());
    }
}

bool MainWindow::childrenAgreeToClose() {
    if (refusedWhileDownloading())
        return false;
    // A panel key or setup operation still uses its window; it ends within seconds.
    if (m_link.exclusiveActive())
        return false;
    for (QMdiSubWindow* sub : m_mdi->subWindowList()) {
        if (auto* graph = qobject_cast<GraphWindow*>(sub->widget()); graph && !graph->mayClose())
            return false;
    }
    return true;
}

bool MainWindow::onExitClicked() {
    // Ends the application without closing the main window, so the settings are not written; but
    // unsaved data is asked about first, as when the main window closes.
    if (!childrenAgreeToClose())
        return false;
    // The windows stay open, but their questions were answered: a recording the user turned down
    // leaves no journal for the next start to offer.
    m_recorder->programEnding();
    QCoreApplication::exit(0);
    return true;
}

void MainWindow::closeEvent(QCloseEvent* e) {
    // Every child is asked before any closes, so one refusal keeps them all.
    if (!childrenAgreeToClose()) {
        e->ignore();
        return;
    }
    m_settings.setMainWindowGeometry(saveGeometry());
    storeChildSizes();
    for (QMdiSubWindow* sub : m_mdi->subWindowList()) {
        if (auto* graph = qobject_cast<GraphWindow*>(sub->widget()))
            graph->setCloseAgreed(true);
        sub->close();
    }
    m_link.waitPollIdle(2000);
    m_poll.pollTimer.stop();
    m_poll.Connected = false;
    m_settings.setRealTimeRate(m_realTime.RealTimeRate);
    m_settings.setAnnoColor(m_graphShared.annoColor);
    storeLimitValues(m_settings, m_graphShared.limits);
    m_settings.sync();
    e->accept();
}
