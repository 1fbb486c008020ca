#include "tfrm_main.h"

#include "files/collection_file.h"
#include "files/output_to_graph.h"
#include "graph/pes_graph.h"
#include "live/tfrm_panel.h"
#include "logger/data_set_pane.h"
#include "logger/download_progress.h"
#include "logger/memory_download.h"
#include "logger/tfrm_list.h"
#include "platform/clock.h"
#include "platform/data_folder.h"
#include "platform/install_paths.h"
#include "platform/prompter.h"
#include "platform/settings.h"
#include "print/printing.h"
#include "shell/help_window.h"
#include "shell/mdi_arrange.h"
#include "tfrm_about.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QStyle>
#include <QToolBar>
#include <QUrl>

#include <exception>
#include <new>

TfrmMain::TfrmMain(MeterTransport& transport, Clock& clock, Prompter& prompter, Settings& settings,
                   QWidget* parent)
    : QMainWindow(parent), m_clock(clock), m_prompter(prompter), m_settings(settings),
      m_link(transport, clock), m_poll(m_link, clock, m_reading),
      m_printer(std::make_unique<QPrinter>(QPrinter::HighResolution)) {
    setObjectName("TfrmMain");
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
    connect(m_mdi, &QMdiArea::subWindowActivated, this, &TfrmMain::onSubWindowActivated);

    buildMenus();
    buildToolBar();

    for (int i = 0; i < 2; ++i) {
        m_status[i] = new QLabel(this);
        m_status[i]->setMinimumWidth(i == 0 ? 150 : 50);
        statusBar()->addWidget(m_status[i], i);
    }

    // Stored settings, each on its own, defaults for what is missing.
    m_realTime.RealTimeRate = m_settings.realTimeRate();
    m_graphShared.annoColor = m_settings.annoColor();
    m_graphShared.limits = readLimitValues(m_settings);
    m_graphShared.realTimeUnsaved = &m_realTime.Unsaved;
    m_glyphs.load(devicePixelRatioF());

    connect(&m_poll, &PollCycle::connectionMade, this, &TfrmMain::ConnectionActions);
    connect(&m_poll, &PollCycle::connectionLost, this, &TfrmMain::LossActions);

    m_recorder = new RealTimeRecorder(
        m_realTime, m_reading, m_prompter, m_clock, m_link, [this] { return m_poll.Connected; },
        m_graphShared,
        [this] {
            TfrmGraph* graph = createGraphWindow(TfrmGraph::kRealTimeCaption);
            auto* sub = qobject_cast<QMdiSubWindow*>(graph->parentWidget());
            const int left = m_panel ? m_panel->parentWidget()->width() : 0;
            // 800 wide, or as wide as its tool bar in one row when that is wider and fits.
            mdi::place(*m_mdi, sub, QPoint(left, 0),
                       QSize(std::max(800, sub->sizeHint().width()),
                             std::max(300, height() - 59 - statusBar()->height() - 40)));
            sub->show();
            RealTimeGraph1->setChecked(true);
            connect(graph, &TfrmGraph::closedWindow, this, [this] { RealTimeGraph1->setChecked(false); });
            return graph;
        },
        this);
    connect(&m_poll, &PollCycle::secondCounted, m_recorder, &RealTimeRecorder::onSecondCounted);
    connect(&m_poll, &PollCycle::liveReadingValid, m_recorder, &RealTimeRecorder::onLiveReadingValid);
    connect(&m_poll, &PollCycle::connectionMade, m_recorder, &RealTimeRecorder::onConnectionMade);
    connect(&m_poll, &PollCycle::connectionLost, m_recorder, &RealTimeRecorder::onConnectionLost);
    connect(m_recorder, &RealTimeRecorder::buttonsChanged, this, [this](bool run, bool stop) {
        btnRun->setEnabled(run);
        Run1->setEnabled(run);
        btnStop->setEnabled(stop);
        Stop1->setEnabled(stop);
    });
    connect(Run1, &QAction::triggered, m_recorder, &RealTimeRecorder::btnRunClick);
    connect(Stop1, &QAction::triggered, m_recorder, &RealTimeRecorder::btnStopClick);
    connect(RealTimeGraph1, &QAction::triggered, this, [this] {
        // The click toggled the tick; the window is there afterwards, so the tick is too.
        m_recorder->showRealTimeGraph();
        RealTimeGraph1->setChecked(m_recorder->window() != nullptr);
    });

    FileCommands::Windows windows;
    windows.createGraphWindow = [this](const QString& caption) {
        TfrmGraph* graph = createGraphWindow(caption);
        placeGraphWindow(graph);
        graph->parentWidget()->show();
        return graph;
    };
    windows.addTableWindow = [this](TfrmList* table) {
        QMdiSubWindow* sub = m_mdi->addSubWindow(table);
        sub->setAttribute(Qt::WA_DeleteOnClose);
        sub->show();
        // Room for every column, and two thirds of the area's height.
        const QSize frame = sub->size() - table->size();
        mdi::place(*m_mdi, sub, sub->pos(),
                   QSize(table->preferredWidth() + frame.width(), m_mdi->viewport()->height() * 2 / 3),
                   mdi::Fit::MoveThenShrink);
    };
    windows.dialogParent = this;
    windows.dataLoggerWindow = [this] { return dataLoggerForDownload(); };
    windows.graphSaved = [this](TfrmGraph& graph) {
        if (&graph == m_recorder->window())
            m_recorder->recordingSaved();
    };
    m_files =
        std::make_unique<FileCommands>(m_prompter, m_clock, DataFolder, m_store, m_graphShared, windows);
    connect(m_recorder, &RealTimeRecorder::saveGraphRequested, this,
            [this](TfrmGraph* graph) { m_files->saveGraph(*graph); });
    connect(Save1, &QAction::triggered, this, [this] {
        if (!refusedWhileDownloading())
            m_files->Save1Click(m_mdi->activeSubWindow());
    });
    connect(Open1, &QAction::triggered, this, [this] {
        if (!refusedWhileDownloading())
            m_files->Open1Click();
    });
    connect(btnOutputToGraph, &QToolButton::clicked, this, &TfrmMain::btnOutputToGraphClick);
}

TfrmMain::~TfrmMain() {
    // Children are destroyed after this object's own part: no signal may reach it from them.
    disconnect(m_mdi, nullptr, this, nullptr);
    m_poll.MainTimer.stop();
    m_poll.MaxMinTimer.stop();
}

void TfrmMain::buildMenus() {
    auto* file = menuBar()->addMenu("&File");
    Open1 = file->addAction("&Open");
    Save1 = file->addAction("&Save");
    file->addSeparator();
    Print1 = file->addAction("&Print");
    PrinterSetup1 = file->addAction("&Printer Setup");
    file->addSeparator();
    Exit1 = file->addAction("E&xit");

    auto* rt = menuBar()->addMenu("Real Time");
    Run1 = rt->addAction("Run");
    Stop1 = rt->addAction("Stop");
    Run1->setEnabled(false);
    Stop1->setEnabled(false);

    DataLogger1 = menuBar()->addMenu("&Data Logger");
    DataLogger1->setObjectName("DataLogger1");
    LoadData1 = DataLogger1->addAction("&Load ");
    Setup1 = DataLogger1->addAction("&Setup");

    auto* view = menuBar()->addMenu("&View");
    ControlPanel1 = view->addAction("&Control Panel");
    ControlPanel1->setCheckable(true);
    ControlPanel1->setChecked(true);
    RealTimeGraph1 = view->addAction("Real Time &Graph");
    RealTimeGraph1->setCheckable(true);
    RealTimeGraph1->setChecked(true);

    m_windowMenu = menuBar()->addMenu("&Window");
    Tile1 = m_windowMenu->addAction("&Tile");
    Cascade1 = m_windowMenu->addAction("&Cascade");
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
            QAction* a = m_windowMenu->addAction(QStringLiteral("&%1 %2").arg(n++).arg(sub->windowTitle()));
            a->setCheckable(true);
            a->setChecked(sub == m_mdi->activeSubWindow());
            connect(a, &QAction::triggered, sub, [this, sub] { m_mdi->setActiveSubWindow(sub); });
        }
    });

    auto* help = menuBar()->addMenu("&Help");
    Contents1 = help->addAction("&Contents");
    help->addSeparator();
    About1 = help->addAction("&About");

    connect(Setup1, &QAction::triggered, this, &TfrmMain::Setup1Click);
    connect(LoadData1, &QAction::triggered, this, &TfrmMain::LoadData1Click);
    connect(Print1, &QAction::triggered, this, &TfrmMain::btnPrintClick);
    connect(PrinterSetup1, &QAction::triggered, this, &TfrmMain::PrinterSetup1Click);
    connect(Exit1, &QAction::triggered, this, &TfrmMain::Exit1Click);
    connect(ControlPanel1, &QAction::triggered, this, &TfrmMain::ControlPanel1Click);
    connect(Tile1, &QAction::triggered, this, &TfrmMain::Tile1Click);
    connect(Cascade1, &QAction::triggered, this, &TfrmMain::Cascade1Click);
    connect(Contents1, &QAction::triggered, this, &TfrmMain::Contents1Click);
    connect(About1, &QAction::triggered, this, &TfrmMain::About1Click);
}

QToolButton* TfrmMain::toolButton(const QString& name, const QString& hint, QAction* same,
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

void TfrmMain::buildToolBar() {
    auto* bar = addToolBar("Tools");
    bar->setObjectName("ToolBar");
    bar->setMovable(false);
    bar->setFixedHeight(59);
    QStyle* s = style();
    SpeedButton1 =
        toolButton("SpeedButton1", "Open File", Open1, s->standardIcon(QStyle::SP_DialogOpenButton));
    SpeedButton2 =
        toolButton("SpeedButton2", "Save to file", Save1, s->standardIcon(QStyle::SP_DialogSaveButton));
    btnPrint = toolButton("btnPrint", "Print", Print1, s->standardIcon(QStyle::SP_FileDialogDetailedView));
    btnDataLogger =
        toolButton("btnDataLogger", "Data Logger", LoadData1, s->standardIcon(QStyle::SP_ArrowDown));
    btnOutputToGraph = toolButton("btnOutputToGraph", "Output Tabular to graph", nullptr,
                                  s->standardIcon(QStyle::SP_FileDialogContentsView));
    btnRun =
        toolButton("btnRun", "Start Graphing Real Time Data", Run1, s->standardIcon(QStyle::SP_MediaPlay));
    btnStop =
        toolButton("btnStop", "Stop Graphing Real Time Data", Stop1, s->standardIcon(QStyle::SP_MediaStop));
    btnOutputToGraph->setEnabled(false);
    btnRun->setEnabled(false);
    btnStop->setEnabled(false);
    for (QToolButton* b :
         {SpeedButton1, SpeedButton2, btnPrint, btnDataLogger, btnOutputToGraph, btnRun, btnStop})
        bar->addWidget(b);
}

QString TfrmMain::statusText(int panel) const {
    return m_status[panel]->text();
}

QMdiSubWindow* TfrmMain::addChild(QWidget* w, QPoint pos) {
    QMdiSubWindow* sub = m_mdi->addSubWindow(w);
    sub->setAttribute(Qt::WA_DeleteOnClose);
    sub->move(pos);
    sub->show();
    return sub;
}

void TfrmMain::showEvent(QShowEvent* e) {
    QMainWindow::showEvent(e);
    if (!m_shown) {
        m_shown = true;
        onFirstShow();
    }
}

void TfrmMain::onFirstShow() {
    DataFolder = settleDataFolder(documentsOverride.isNull() ? documentsFolder() : documentsOverride);
    m_realTime.ExtendStep = 10.0 / 86400.0;
    m_recorder->setJournalPath(RecordingJournal::pathIn(DataFolder));
    m_recorder->CreateRealTimeGraph();
    ControlPanel1Click();
    if (TfrmGraph* rt = m_recorder->window()) {
        // Beside the panel, as tall as the client area allows.
        if (auto* sub = qobject_cast<QMdiSubWindow*>(rt->parentWidget()))
            mdi::place(*m_mdi, sub, QPoint(m_panel->parentWidget()->width(), 0),
                       QSize(std::max(800, sub->sizeHint().width()), sub->height()));
    }
    m_status[0]->clear();
    m_status[1]->setText("Off Connection");
    m_poll.MainTimer.start();
    emit firstShown();
    if (TfrmGraph* rt = m_recorder->window())
        rt->setFocus();
    // Once the window is up: a recording a crash left unsaved is offered back.
    QMetaObject::invokeMethod(m_recorder, &RealTimeRecorder::offerRecovery, Qt::QueuedConnection);
}

void TfrmMain::ControlPanel1Click() {
    if (m_panel) {
        if (auto* sub = qobject_cast<QMdiSubWindow*>(m_panel->parentWidget()))
            sub->showNormal();
        ControlPanel1->setChecked(true);
        return;
    }
    m_panel = new TfrmPanel(m_reading, m_glyphs, m_link, m_clock);
    // The whole meter stays in view: on a low screen (or a large text scale) it is drawn smaller.
    m_panel->setPanelScale(std::min(1.0, double(m_mdi->viewport()->height()) / TfrmPanel::kHeight));
    QMdiSubWindow* sub = addChild(m_panel, QPoint(0, 0));
    // No title bar: the panel is moved by dragging its picture; only the meter's outline shows.
    sub->setWindowFlags(Qt::SubWindow | Qt::FramelessWindowHint);
    sub->setFixedSize(m_panel->size());
    sub->setMask(m_panel->mask());
    sub->show();
    m_poll.setPanel(m_panel);
    ControlPanel1->setChecked(true);
    if (m_poll.Connected)
        m_panel->lblNoConnection->hide();
    connect(m_panel, &TfrmPanel::closed, this, [this] {
        m_poll.setPanel(nullptr);
        ControlPanel1->setChecked(false);
    });
}

void TfrmMain::onSubWindowActivated(QMdiSubWindow* w) {
    if (!w)
        return;
    if (qobject_cast<TfrmPanel*>(w->widget()))
        btnOutputToGraph->setEnabled(false);
    else if (qobject_cast<TfrmList*>(w->widget()))
        btnOutputToGraph->setEnabled(true);
    else if (auto* graph = qobject_cast<TfrmGraph*>(w->widget()))
        graph->FormActivate();
}

void TfrmMain::placeGraphWindow(TfrmGraph* graph) {
    auto* sub = qobject_cast<QMdiSubWindow*>(graph->parentWidget());
    const QSize area = m_mdi->viewport()->size();
    mdi::place(*m_mdi, sub, QPoint(0, 0), QSize(area.width(), std::max(300, area.height() - 40)));
}

TfrmGraph* TfrmMain::createGraphWindow(const QString& caption) {
    auto* graph = new TfrmGraph(m_prompter, m_graphShared);
    graph->setWindowTitle(caption);
    QMdiSubWindow* sub = m_mdi->addSubWindow(graph);
    sub->setAttribute(Qt::WA_DeleteOnClose);
    connect(graph, &TfrmGraph::activated, this, [this] { btnOutputToGraph->setEnabled(false); });
    connect(graph, &TfrmGraph::saveRequested, this, [this](TfrmGraph* w) { m_files->Save1Click(w); });
    connect(graph, &TfrmGraph::saveGraphRequested, this, [this](TfrmGraph* w) { m_files->saveGraph(*w); });
    connect(graph, &TfrmGraph::closedWindow, this, [guard = QPointer<QMdiSubWindow>(sub)](TfrmGraph*) {
        // The sub-window goes with the graph it holds.
        if (guard)
            guard->deleteLater();
    });
    return graph;
}

TfrmGraph* TfrmMain::dataLoggerForDownload() {
    if (m_dataLogger) {
        if (auto* sub = qobject_cast<QMdiSubWindow*>(m_dataLogger->parentWidget()))
            sub->showNormal();
        return m_dataLogger;
    }
    m_dataLogger = createGraphWindow(TfrmGraph::kDataLoggerCaption);
    auto* sub = qobject_cast<QMdiSubWindow*>(m_dataLogger->parentWidget());
    const QSize area = m_mdi->size();
    sub->setGeometry(0, 0, area.width(), std::max(200, area.height() - 60));
    prepareDataLoggerWindow(*m_dataLogger, m_store, m_clock.now());
    sub->show();
    return m_dataLogger;
}

void TfrmMain::setDownloadRunning(bool running) {
    m_downloadGuard = running;
    m_graphShared.downloadRunning = running;
}

bool TfrmMain::refusedWhileDownloading() {
    if (!m_downloadGuard)
        return false;
    m_prompter.message(TfrmGraph::kDownloadRunning);
    return true;
}

void TfrmMain::LoadData1Click() {
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
    DownloadHooks hooks;
    hooks.progress = progress.get();
    hooks.decoded = [this](const MemoryImage& image) {
        if (writeTemporaryImage(DataFolder, image) == TempImageWrite::FolderFailed) {
            // The sets are in the store: list them as opening a collection does, without showing
            // one, and keep the image for "save all data sets", which cannot copy a file that was
            // never written.
            m_files->keepUnwrittenImage(image);
            m_prompter.message(QDir::toNativeSeparators(temporaryImageFolder(DataFolder)));
            installDataSetPane(*dataLoggerForDownload(), m_store)->listDataSets(m_store);
            return;
        }
        m_files->keepUnwrittenImage({});
        showDownloadedSets();
    };
    hooks.finished = [this, progress](int code) {
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

void TfrmMain::showDownloadedSets() {
    TfrmGraph* window = dataLoggerForDownload();
    installDataSetPane(*window, m_store)->listDataSets(m_store);
    showDataSet(*window, m_store, 0);
}

void TfrmMain::btnOutputToGraphClick() {
    if (refusedWhileDownloading())
        return;
    ::btnOutputToGraphClick(
        m_mdi->activeSubWindow(),
        [this](const QString& caption) {
            TfrmGraph* graph = createGraphWindow(caption);
            placeGraphWindow(graph);
            graph->parentWidget()->show();
            return graph;
        },
        m_prompter, m_clock);
}

void TfrmMain::ConnectionActions() {
    m_status[0]->clear();
    m_status[1]->setText("On Connection");
    DataLogger1->menuAction()->setVisible(true);
    DataLogger1->setEnabled(true);
    btnDataLogger->setVisible(true);
    btnDataLogger->setEnabled(true);
    const bool running = m_realTime.Running;
    btnRun->setEnabled(!running);
    Run1->setEnabled(!running);
    btnStop->setEnabled(running);
    Stop1->setEnabled(running);
}

void TfrmMain::LossActions() {
    for (QAction* a : {Run1, Stop1})
        a->setEnabled(false);
    for (QToolButton* b : {btnRun, btnStop, btnDataLogger})
        b->setEnabled(false);
    DataLogger1->setEnabled(false);
    m_status[0]->clear();
    m_status[1]->setText("No Connection");
}

void TfrmMain::Tile1Click() {
    mdi::tile(*m_mdi);
}

void TfrmMain::Cascade1Click() {
    mdi::cascade(*m_mdi);
}

QString TfrmMain::helpFilePath() const {
    if (!helpFileOverride.isEmpty())
        return helpFileOverride;
    // Beside the program in the build folder, in <prefix>/share/qz407 once installed.
    const QString found = findProgramFile(QStringLiteral("QZ407HELP.htm"));
    return found.isEmpty() ? QDir(programFolder()).filePath(QStringLiteral("QZ407HELP.htm")) : found;
}

HelpWindow* TfrmMain::helpWindow() const {
    return m_help;
}

void TfrmMain::Contents1Click() {
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

void TfrmMain::About1Click() {
    if (!m_about)
        m_about = new TfrmAbout(this);
    m_prompter.runDialog(*m_about);
    delete m_about;
}

void TfrmMain::Setup1Click() {
    if (m_setup) {
        m_setup->showNormal();
        m_setup->raise();
        return;
    }
    m_setup = new TfrmSetup(
        m_link, m_prompter, m_clock, [this] { return m_poll.Connected; }, this);
    m_setup->show();
}

void TfrmMain::PrinterSetup1Click() {
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

void TfrmMain::btnPrintClick() {
    QMdiSubWindow* active = m_mdi->activeSubWindow();
    if (!active)
        return;
    if (auto* table = qobject_cast<TfrmList*>(active->widget())) {
        const TableModel& model = table->model();
        QList<QStringList> rows;
        rows.reserve(model.gridRowCount());
        for (qsizetype r = 0; r < model.gridRowCount(); ++r) {
            QStringList cells;
            for (int c = 0; c < model.columnCount(); ++c)
                cells << model.cellText(c, r);
            rows << cells;
        }
        print::printTableWithDialog(m_prompter, *m_printer, rows, this);
    } else if (auto* graph = qobject_cast<TfrmGraph*>(active->widget())) {
        print::printGraph(*graph->PESGraph1, m_prompter, *m_printer);
    }
}

bool TfrmMain::childrenAgreeToClose() {
    if (refusedWhileDownloading())
        return false;
    // A panel key or setup operation still uses its window; it ends within seconds.
    if (m_link.exclusiveActive())
        return false;
    for (QMdiSubWindow* sub : m_mdi->subWindowList()) {
        if (auto* graph = qobject_cast<TfrmGraph*>(sub->widget()); graph && !graph->FormCloseQuery())
            return false;
    }
    return true;
}

bool TfrmMain::Exit1Click() {
    // Ends the application without closing the main window, so the settings are not written; but
    // unsaved data is asked about first, as when the main window closes.
    if (!childrenAgreeToClose())
        return false;
    QCoreApplication::exit(0);
    return true;
}

void TfrmMain::closeEvent(QCloseEvent* e) {
    // Every child is asked before any closes, so one refusal keeps them all.
    if (!childrenAgreeToClose()) {
        e->ignore();
        return;
    }
    for (QMdiSubWindow* sub : m_mdi->subWindowList()) {
        if (auto* graph = qobject_cast<TfrmGraph*>(sub->widget()))
            graph->setCloseAgreed(true);
        sub->close();
    }
    m_link.waitPollIdle(2000);
    m_poll.MainTimer.stop();
    m_poll.Connected = false;
    m_settings.setRealTimeRate(m_realTime.RealTimeRate);
    m_settings.setAnnoColor(m_graphShared.annoColor);
    storeLimitValues(m_settings, m_graphShared.limits);
    m_settings.sync();
    e->accept();
}
