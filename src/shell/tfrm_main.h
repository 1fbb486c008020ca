#pragma once
#include "files/file_commands.h"
#include "graph/tfrm_graph.h"
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
#include "live/tfrm_panel.h"
#include "setup/tfrm_setup.h"
#include "tfrm_about.h"

class HelpWindow;

// The program's frame and composition root: owns the program-wide records and services, the
// menus, tool bar, status bar and timers, and every child window.
class TfrmMain : public QMainWindow {
    Q_OBJECT
  public:
    TfrmMain(MeterTransport& transport, Clock& clock, Prompter& prompter, Settings& settings,
             QWidget* parent = nullptr);
    ~TfrmMain() override;

    // Services and program-wide records.
    MeterLink& link() { return m_link; }
    PollCycle& poll() { return m_poll; }
    LiveReading& liveReading() { return m_reading; }
    RealTimeState& realTime() { return m_realTime; }
    const GlyphSet& glyphs() const { return m_glyphs; }
    GraphShared& graphShared() { return m_graphShared; }
    DataSetStore& dataSetStore() { return m_store; }
    QString DataFolder;
    // Overrides the documents folder the data folder is settled in (tests).
    QString documentsOverride;

    QMdiArea* mdiArea() const { return m_mdi; }
    TfrmPanel* panel() const { return m_panel; }
    QString statusText(int panel) const;
    QMenu* windowMenu() const { return m_windowMenu; }

    // Menu items.
    QAction *Open1, *Save1, *Print1, *PrinterSetup1, *Exit1;
    QAction *Run1, *Stop1;
    QMenu* DataLogger1;
    QAction *LoadData1, *Setup1;
    QAction *ControlPanel1, *RealTimeGraph1;
    QAction *Tile1, *Cascade1, *Contents1, *About1;
    // Tool bar.
    QToolButton *SpeedButton1, *SpeedButton2, *btnPrint, *btnDataLogger, *btnOutputToGraph, *btnRun, *btnStop;

    // Handlers.
    void ControlPanel1Click();
    // Asks the child windows about unsaved data, then ends the application; false when refused.
    bool Exit1Click();
    void Contents1Click();
    void About1Click();
    void Tile1Click();
    void Cascade1Click();
    void PrinterSetup1Click();
    void Setup1Click();
    void LoadData1Click();
    void btnPrintClick();
    QPrinter& printer() { return *m_printer; }
    bool downloadRunning() const { return m_downloadGuard; }
    TfrmGraph* dataLoggerWindow() const { return m_dataLogger; }
    RealTimeRecorder& recorder() { return *m_recorder; }
    FileCommands& fileCommands() { return *m_files; }
    void btnOutputToGraphClick();
    // Creates a graph window in the multi-document area with the given caption.
    TfrmGraph* createGraphWindow(const QString& caption);
    TfrmSetup* setupDialog() const { return m_setup; }
    void ConnectionActions();
    void LossActions();
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

  private:
    void buildMenus();
    void buildToolBar();
    QToolButton* toolButton(const QString& name, const QString& hint, QAction* same, const QIcon& icon);
    QMdiSubWindow* addChild(QWidget* w, QPoint pos);
    void onFirstShow();
    void onSubWindowActivated(QMdiSubWindow* w);
    // A graph window's frame at the top left, as large as the area less 40 pixels of height.
    void placeGraphWindow(TfrmGraph* graph);

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
    QPointer<TfrmPanel> m_panel;
    QPointer<TfrmAbout> m_about;
    QPointer<TfrmSetup> m_setup;
    QPointer<TfrmGraph> m_dataLogger;
    QPointer<HelpWindow> m_help;
    GraphShared m_graphShared;
    DataSetStore m_store;
    bool m_downloadGuard = false;
    RealTimeRecorder* m_recorder = nullptr;
    std::unique_ptr<FileCommands> m_files;
    std::unique_ptr<QPrinter> m_printer; // chosen in Printer Setup, used by every print job
    TfrmGraph* dataLoggerForDownload();
    void showDownloadedSets();
    void setDownloadRunning(bool running);
    // While a download runs, shows why a command that would change what it fills is refused.
    bool refusedWhileDownloading();
    // Asks every child window whether it may close, closing none; true when all agree.
    bool childrenAgreeToClose();
    bool m_shown = false;
};
