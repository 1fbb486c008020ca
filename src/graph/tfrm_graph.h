#pragma once
// TfrmGraph: the graph window every graph of the program uses (real-time graph, data-logger graph,
// graph of a table window, graph opened from a file), told apart by the window caption only.
//
// Talking to the rest of the program. The window never includes the main window. It takes
//   - the Prompter, for every message, question and dialog;
//   - a GraphShared record owned by the main window for the program's life, shared by all graph
//     windows: the current tool, the annotation counter, AnnoColor, the unsaved-download flag and
//     a pointer to the real-time recording's Unsaved flag;
// and asks the main window for everything else through signals:
//   activated(this)          the window became active: disable "Output Tabular to graph";
//   saveRequested(this)      run the Save command on this window (answer Yes to
//                            "Save DataLogger Data ?"); emitted while the window is asked to
//                            close, which it then does only if the collection was saved;
//   saveGraphRequested(this) run saveGraph for this window's chart (Yes to "Save Real-Time Graph ?");
//   closedWindow(this)       the window is closing for good: forget the reference; for the
//                            caption "Real-Time Graph" also uncheck "Real Time &Graph", set Run and
//                            Stop, Running = false and SampleCount = 0.
// The window deletes itself when closed (Qt::WA_DeleteOnClose).
#include "graph/graph_tools.h"
#include "graph/limit_statistics.h"

#include <QFrame>
#include <QString>
#include <QWidget>
#include <vector>

class Prompter;
class PESGraph;
class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class Settings;
class QSplitter;
class QToolButton;

// The limits new graph windows draw, per channel, as last set in any graph window; remembered in
// the settings. Temperature limits are kept per unit, as a chart's temperatures are in one or the
// other.
struct LimitValues {
    std::vector<double> ppm;
    std::vector<double> humidity;
    std::vector<double> celsius;
    std::vector<double> fahrenheit;
    bool operator==(const LimitValues&) const = default;
};
LimitValues readLimitValues(const Settings& settings);
void storeLimitValues(Settings& settings, const LimitValues& limits);

// Program-wide state of the graph windows, owned by the main window.
struct GraphShared {
    GraphTool tool = GraphTool::Normal;  // the tool of the next click, in any window
    AnnotationCounter annotationCounter; // index of the last mark created, in any window
    // Colour of new marks (red in the low byte); read from and written back to "AnnoColor".
    quint32 annoColor = 0;
    // Downloaded data not yet saved as a collection: set by the download, cleared by saving the
    // collection and by closing the "DataLogger" window (closing other graph windows keeps it).
    bool downloadUnsaved = false;
    // A memory download runs: the "DataLogger" window it fills refuses to close meanwhile.
    bool downloadRunning = false;
    // The real-time recording's Unsaved flag (RealTimeState::Unsaved); null until the recorder
    // hands it over.
    bool* realTimeUnsaved = nullptr;
    LimitValues limits;
};

// The template file "template/graph.ghf" that "Save this setting" writes: in the program's
// directory, or in the user's data folder for the program once installed.
QString graphTemplateFile();
// The template a new chart takes its look from: graphTemplateFile() when it exists, otherwise the
// template an installed program ships with.
QString graphTemplateReadFile();
// Tests point the program directory elsewhere; an empty path restores the application's own.
void setGraphProgramDirectory(const QString& dir);

// Prepares a chart for a graph window: the template's look if the template file exists, then
// `subsets` subsets of `points` cleared points, ppm on axis 0 and the other two on axis 1, each
// half the height, both with the given fixed scales, X fixed from xStart to xEnd unless xStart is
// 0. Returns false with the reason in `templateError` when a template exists but cannot be read;
// the chart is still prepared, with the built-in look.
bool ConfigureGraph(PESGraph& chart, int subsets, int points, double xStart, double xEnd, float ppmMin,
                    float ppmMax, float otherMin, float otherMax, QString* templateError = nullptr);

class TfrmGraph : public QWidget {
    Q_OBJECT
  public:
    static inline const QString kRealTimeCaption = QStringLiteral("Real-Time Graph");
    static inline const QString kDataLoggerCaption = QStringLiteral("DataLogger");
    // Shown when a command would change what a running download fills.
    static inline const QString kDownloadRunning =
        QStringLiteral("Please wait until the download from the meter has finished.");
    // Added to the tips of Cross and Text while they are disabled.
    static inline const QString kSingleAxisToolHint =
        QStringLiteral("(available on a graph with one Y axis for all channels)");

    TfrmGraph(Prompter& prompter, GraphShared& shared, QWidget* parent = nullptr);
    ~TfrmGraph() override;

    Prompter& prompter() const { return m_prompter; }
    GraphShared& shared() const { return m_shared; }

    // The hidden pane left of the graph (the data sets list of the data-logger graph). The
    // placeholder is an empty QWidget; setDataSetPane replaces it (the window takes ownership)
    // and keeps it hidden until the caller shows it.
    QWidget* dataSetPane() const { return m_dataSetPane; }
    void setDataSetPane(QWidget* pane);
    QSplitter* splitter() const { return m_splitter; }

    // ConfigureGraph on this window's chart; an unreadable template is reported through the
    // Prompter. Afterwards the Cross and Text tools follow the chart's axes.
    void ConfigureGraph(int subsets, int points, double xStart, double xEnd, float ppmMin, float ppmMax,
                        float otherMin, float otherMax);
    // After the chart took a stored state (a graph file): Undo Zoom for a zoomed chart, the channel
    // boxes ticked for the subsets it draws, and Cross and Text for its axes.
    void showChartState();
    // Enables Cross and Text exactly when axis 0 takes the whole height (one Y axis).
    void updateCrossAndTextTools();
    void setCrossAndTextEnabled(bool on);

    // Fills the statistic fields from the whole chart (see graph_statistics.h).
    void ComputeGraphStatistics();
    // Whether the chart's temperatures are in degrees Fahrenheit (a data set recorded so); the
    // statistics apply their temperature limits in that unit. Celsius unless told.
    // The chart's temperature limit lines become the remembered ones of that unit.
    void setTemperatureFahrenheit(bool on);
    bool temperatureFahrenheit() const { return m_fahrenheit; }

    // --- Controls, named as the rest of the program addresses them -----------------------------
    PESGraph* PESGraph1 = nullptr;
    // Tool bar 1
    QToolButton* ToolButton1 = nullptr;  // "Toggle Graph Statistic"
    QToolButton* ToolButton2 = nullptr;  // "Toggle Line Cursor Statistic"
    QToolButton* ToolButton4 = nullptr;  // "Normal Cursor"
    QToolButton* ToolButton5 = nullptr;  // "Draw A Cross On Graph"
    QToolButton* ToolButton9 = nullptr;  // "Text"
    QToolButton* ToolButton15 = nullptr; // "Set Annotation Color"
    QFrame* tbntClrDivider = nullptr;    // hidden except in the real-time graph, like tbntClr
    QToolButton* tbntClr = nullptr;      // "Clear"; its handler belongs to the real-time recorder
    QPushButton* UndoZoom = nullptr;
    QCheckBox* chkSplit = nullptr;         // never shown
    QPushButton* Button1 = nullptr;        // "Graph Option"
    QPushButton* btnChangeScale = nullptr; // "Y Axis"
    QPushButton* Button3 = nullptr;        // "Font"
    QPushButton* btnLimits = nullptr;      // "Limits": the limit lines dialog
    QPushButton* btnSavePicture = nullptr; // "Save Picture": PNG, SVG or PDF of the chart
    // Tool bar 2
    QCheckBox* chkppm = nullptr;
    QCheckBox* chkRH = nullptr;
    QCheckBox* chkT1 = nullptr;
    // Statistic strip
    QFrame* pnlGraphStatistic = nullptr;
    QLineEdit* txtStartTime = nullptr;
    QFrame* pnlSamplingRate = nullptr; // disabled except in the real-time graph
    QComboBox* ComboBox1 = nullptr;    // minutes "00".."60"
    QComboBox* ComboBox2 = nullptr;    // seconds "00".."60"
    QLineEdit* txtDataNo = nullptr;
    QPushButton* Button2 = nullptr; // "Show MAX/MIN on Graph"
    // Under the fields: the time above each limit over the whole recording (hidden without limits),
    // and the statistics of the points in view (shown while the chart is zoomed).
    QLabel* lblTimeAbove = nullptr;
    QLabel* lblRangeStatistic = nullptr;
    // Read-out over the chart's top-left corner
    QLabel* Panel12 = nullptr;
    // Bottom panel
    QFrame* pnlStatistic = nullptr;
    QLineEdit* txtppmMax = nullptr;
    QLineEdit* txtppmMin = nullptr;
    QLineEdit* txtppmAvg = nullptr;
    QLineEdit* txtRHMax = nullptr;
    QLineEdit* txtRHMin = nullptr;
    QLineEdit* txtRHAvg = nullptr;
    QLineEdit* txtT1Max = nullptr;
    QLineEdit* txtT1Min = nullptr;
    QLineEdit* txtT1Avg = nullptr;

    // The MAX, MIN and AVG fields of a channel (0 ppm, 1 %RH, 2 temperature).
    QLineEdit* maxField(int channel) const;
    QLineEdit* minField(int channel) const;
    QLineEdit* avgField(int channel) const;

  public slots:
    // Handlers, public so the rest of the program and the tests drive them like the user does.
    void FormActivate();
    // Asks the window's close questions; true when it may close. Answers are acted on at once
    // (Yes saves), but nothing closes here.
    bool FormCloseQuery();
    // The next close skips the questions: they were already answered (the main window asks every
    // child before it closes any).
    void setCloseAgreed(bool agreed) { m_closeAgreed = agreed; }
    void chkppmClick();
    void chkSplitClick();
    void Button1Click();
    void Button3Click();
    void PESGraph1CustomizeDlg();
    void PESGraph1MouseMove();
    void PESGraph1DataHotSpot(int subset, int point);
    void Button2Click();
    void ToolButton1Click();
    void ToolButton2Click();
    void ToolButton4Click();
    void ToolButton5Click();
    void ToolButton9Click();
    void ToolButton15Click();
    void PESGraph1Click();
    void PESGraph1GraphAnnotHotSpot(bool doubleClick, int index);
    void PESGraph1GraphHotSpot();
    void PESGraph1ZoomIn();
    // The wheel zoomed all the way out: nothing left to undo.
    void PESGraph1ZoomOut();
    void UndoZoomClick();
    void btnChangeScaleClick();
    // Keeps the read-out in the chart's top-left corner.
    void movePanel12();
    // Limit lines (tfrm_graph_limits.cpp) and pictures (graph_picture.cpp).
    void btnLimitsClick();
    void btnSavePictureClick();
    // Brings the time-above and in-view lines up to date with the chart's data, limits and view.
    void updateLimitFigures();

  public:
    // The figures behind those lines, as last brought up to date.
    const limitstats::RecordingFigures& recordingFigures() const { return m_recording; }
    const limitstats::RangeFigures& rangeFigures() const { return m_range; }

  signals:
    void activated(TfrmGraph* window);
    void saveRequested(TfrmGraph* window);
    void saveGraphRequested(TfrmGraph* window);
    void closedWindow(TfrmGraph* window);

  protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    QWidget* buildToolBar1();
    QWidget* buildToolBar2();
    QWidget* buildStatisticStrip();
    QWidget* buildStatisticPanel();
    void redraw();
    void saveTemplate();
    // The remembered limits (of the window's temperature unit) as the chart's limit lines.
    void applySharedLimits();
    void showLimitFigures();

    Prompter& m_prompter;
    GraphShared& m_shared;
    QSplitter* m_splitter = nullptr;
    QSplitter* m_chartSplitter = nullptr;
    QWidget* m_dataSetPane = nullptr;
    QButtonGroup* m_toolGroup = nullptr;
    quint32 m_colorDialogColor = 0; // the colour dialog's colour, AnnoColor at creation
    bool m_closeAgreed = false;
    bool m_fahrenheit = false;
    // What the limit figures were computed from, to compute them again only when it changed.
    limitstats::RecordingFigures m_recording;
    limitstats::RangeFigures m_range;
    quint64 m_figuresRevision = 0;
    std::vector<LimitLine> m_figuresLimits;
    bool m_figuresFahrenheit = false;
    bool m_figuresValid = false;
    bool m_rangeValid = false;
};
