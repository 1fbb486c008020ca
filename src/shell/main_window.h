#pragma once
#include "files/file_commands.h"
#include "graph/graph_window.h"
#include "link/meter_link.h"
#include "live/glyph_set.h"
#include "live/live_reading.h"
#include "live/poll_cycle.h"
#include "logger/data_set.h"
#include "realtime/real_time_recorder.h"
#include "realtime/real_time_state.h"

#include <QAction>
#include <QMainWindow>
#include <QPointer>
#include <QToolButton>
#include <QUrl>
#include <functional>
#include <memory>

class QPrinter;

class Clock;
class MeterTransport;
class Prompter;
class Settings;
class QLabel;
class QMdiArea;
class QMdiSubWindow;
class QMenu;
#include "about_box.h"
#include "live/panel_window.h"
#include "setup/setup_dialog.h"

class HelpWindow;
class RecentFiles;
class ActivityPanel;

// The program's frame and composition root: owns the program-wide records and services, the
// menus, tool bar, status bar and timers, and every child window.
class MainWindow : public QMainWindow {
    Q_OBJECT
  public:
    MainWindow(MeterTransport& transport, Clock& clock, Prompter& prompter, Settings& settings,
               QWidget* parent = nullptr);
    ~MainWindow() override;

    // Services and program-wide records.
    MeterLink& link() { return m_link; }
    PollCycle& poll() { return m_poll; }
    LiveReading& liveReading() { return m_reading; }
    RealTimeState& realTime() { return m_realTime; }
    const GlyphSet& glyphs() const { return m_glyphs; }
    GraphShared& graphShared() { return m_graphShared; }
    DataSetStore& dataSetStore() { return m_store; }
    QString dataFolderPath;
    // Overrides the documents folder the data folder is settled in (tests).
    QString documentsOverride;

    QMdiArea* mdiArea() const { return m_mdi; }
    PanelWindow* panel() const { return m_panel; }
    QString statusText(int panel) const;
    QMenu* windowMenu() const { return m_windowMenu; }

    // Menu items.
    QAction *openAction, *saveAction, *printAction, *printerSetupAction, *exitAction;
    // Added beside them: Save As (a graph or table under a new name), Close (the active child
    // window), and the zoom commands on the active chart.
    QAction *saveAsAction, *closeAction;
    QAction *zoomInAction, *zoomOutAction, *wholeViewAction, *undoZoomAction;
    QMenu* recentFilesMenu;
    QAction *runAction, *stopAction;
    QMenu* dataLoggerMenu;
    QAction *loadDataAction, *setupAction;
    QAction *controlPanelAction, *realTimeGraphAction;
    QAction* showUnitsAction; // "Show &Units": units on the graphs' Y axes and figures, remembered
    QAction *tileAction, *cascadeAction, *contentsAction, *aboutAction;
    // Tool bar.
    QToolButton *openButton, *saveButton, *printButton, *dataLoggerButton, *outputToGraphButton, *runButton,
        *stopButton;

    // Opens each file as File > Open would (the command line, a drop, the recent files); true when
    // all opened.
    bool openFiles(const QStringList& fileNames);
    RecentFiles& recentFiles() { return *m_recent; }
    ActivityPanel* activityPanel() const { return m_activity; }
    // The stored geometry of the last run, when there is one; false leaves the window as it is.
    bool restoreStoredGeometry();
    // The graph window of the active (or last active) child window, or null.
    GraphWindow* activeGraphWindow() const;
    // Zooms the active chart in (steps > 0) or out around its middle, as the mouse wheel would.
    void zoomActiveChart(int steps);

    // Handlers.
    void onControlPanelClicked();
    // Asks the child windows about unsaved data, then ends the application; false when refused.
    bool onExitClicked();
    void onContentsClicked();
    void onAboutClicked();
    // Tile, or Cascade where tiling would leave a chart lower than kSmallestTiledChart.
    void onTileClicked();
    static constexpr int kSmallestTiledChart = 240;
    // The height of the lowest chart among the shown graph windows (INT_MAX when none).
    int smallestChartHeight() const;
    void onCascadeClicked();
    void onPrinterSetupClicked();
    void onSetupClicked();
    void onLoadDataClicked();
    void onPrintClicked();
    QPrinter& printer() { return *m_printer; }
    bool downloadRunning() const { return m_downloadGuard; }
    GraphWindow* dataLoggerWindow() const { return m_dataLogger; }
    RealTimeRecorder& recorder() { return *m_recorder; }
    FileCommands& fileCommands() { return *m_files; }
    void onOutputToGraphClicked();
    // Creates a graph window in the multi-document area with the given caption.
    GraphWindow* createGraphWindow(const QString& caption);
    SetupDialog* setupDialog() const { return m_setup; }
    void connectionActions();
    void lossActions();
    // The help file: the only place that knows where it lives.
    QString helpFilePath() const;
    // Tests point the help file elsewhere; empty means the file beside the program.
    QString helpFileOverride;
    // Hands the help file to the desktop; false when nothing there opens it (tests replace it).
    std::function<bool(const QUrl&)> openExternally;
    // The program's own help window, shown when the desktop does not open the help file.
    HelpWindow* helpWindow() const;

  signals:
    // Emitted once, after the first showing has finished (the splash closes then).
    void firstShown();

  protected:
    void showEvent(QShowEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    void dragEnterEvent(QDragEnterEvent* e) override;
    void dropEvent(QDropEvent* e) override;

  private:
    void buildMenus();
    void buildToolBar();
    QToolButton* toolButton(const QString& name, const QString& hint, QAction* same, const QIcon& icon);
    QMdiSubWindow* addChild(QWidget* w, QPoint pos);
    void onFirstShow();
    void onSubWindowActivated(QMdiSubWindow* w);
    // A graph window's frame at the top left, as large as the area less 40 pixels of height.
    void placeGraphWindow(GraphWindow* graph);

    Clock& m_clock;
    Prompter& m_prompter;
    Settings& m_settings;
    MeterLink m_link;
    LiveReading m_reading;
    PollCycle m_poll;
    RealTimeState m_realTime;
    GlyphSet m_glyphs;
    QMdiArea* m_mdi;
    QMenu* m_windowMenu = nullptr;
    QLabel* m_status[2] = {};
    QPointer<PanelWindow> m_panel;
    QPointer<AboutBox> m_about;
    QPointer<SetupDialog> m_setup;
    QPointer<GraphWindow> m_dataLogger;
    QPointer<HelpWindow> m_help;
    GraphShared m_graphShared;
    DataSetStore m_store;
    bool m_downloadGuard = false;
    RealTimeRecorder* m_recorder = nullptr;
    std::unique_ptr<FileCommands> m_files;
    std::unique_ptr<QPrinter> m_printer; // chosen in Printer Setup, used by every print job
    GraphWindow* dataLoggerForDownload();
    void showDownloadedSets();
    void setDownloadRunning(bool running);
    // While a download runs, shows why a command that would change what it fills is refused.
    bool refusedWhileDownloading();
    // Asks every child window whether it may close, closing none; true when all agree.
    bool childrenAgreeToClose();
    bool m_shown = false;
    RecentFiles* m_recent = nullptr;
    ActivityPanel* m_activity = nullptr;
    int64_t m_recordingStartTick = -1;
    void updateActivity();
    void addShortcuts();
    // The stored size of a kind of child window ("graph", "table", ...) bounded by the area, or `fallback`.
    QSize storedChildSize(const QString& kind, QSize fallback) const;
    void storeChildSizes();
    // The start folder of a kind of file dialog: the last one used while it still exists.
    QString startFolder(const QString& kind) const;
};
