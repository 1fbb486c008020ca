#pragma once
// GraphWindow: the graph window every graph of the program uses (real-time graph, data-logger graph,
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
//   exportReportRequested(this) write this window's report as a PDF file (Export Report);
//   closedWindow(this)       the window is closing for good: forget the reference; for the
//                            caption "Real-Time Graph" also uncheck "Real Time &Graph", set Run and
//                            Stop, Running = false and SampleCount = 0.
// The window deletes itself when closed (Qt::WA_DeleteOnClose).
#include "graph/configure_graph.h"
#include "graph/graph_shared.h"
#include "graph/graph_tools.h"
#include "graph/limit_statistics.h"

#include <QFrame>
#include <QString>
#include <QWidget>
#include <vector>

class Prompter;
class ChartWidget;
class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QAction;
class QMenu;
class QPushButton;
class QSplitter;
class QToolButton;

class GraphWindow : public QWidget {
    Q_OBJECT
  public:
    static inline const QString kRealTimeCaption = QStringLiteral("Real-Time Graph");
    static inline const QString kDataLoggerCaption = QStringLiteral("DataLogger");
    // Shown when a command would change what a running download fills.
    static inline const QString kDownloadRunning =
        QStringLiteral("Please wait until the download from the meter has finished.");
    // Said when a mark would not fit on its chart.
    static inline const QString kMarksFull =
        QStringLiteral("This graph holds as many marks as it can (4096): no more can be added.");
    // Added to the tips of Cross and Text while they are disabled.
    static inline const QString kSingleAxisToolHint =
        QStringLiteral("(available on a graph with one Y axis for all channels)");

    GraphWindow(Prompter& prompter, GraphShared& shared, QWidget* parent = nullptr);
    ~GraphWindow() override;

    Prompter& prompter() const { return m_prompter; }
    GraphShared& shared() const { return m_shared; }

    // The hidden pane left of the graph (the data sets list of the data-logger graph). The
    // placeholder is an empty QWidget; setDataSetPane replaces it (the window takes ownership)
    // and keeps it hidden until the caller shows it.
    QWidget* dataSetPane() const { return m_dataSetPane; }
    void setDataSetPane(QWidget* pane);
    QSplitter* splitter() const { return m_splitter; }

    // configureGraph on this window's chart; an unreadable template is reported through the
    // Prompter. Afterwards the Cross and Text tools follow the chart's axes.
    void configureGraph(int subsets, int points, double xStart, double xEnd, float ppmMin, float ppmMax,
                        float otherMin, float otherMax);
    // After the chart took a stored state (a graph file): Undo Zoom for a zoomed chart, the channel
    // boxes ticked for the subsets it draws, and Cross and Text for its axes.
    void showChartState();
    // Enables Cross and Text exactly when axis 0 takes the whole height (one Y axis).
    void updateCrossAndTextTools();
    void setCrossAndTextEnabled(bool on);

    // Fills the statistic fields from the whole chart (see graph_statistics.h).
    void computeGraphStatistics();
    // Whether the chart's temperatures are in degrees Fahrenheit (a data set recorded so); the
    // statistics apply their temperature limits in that unit. Celsius unless told.
    // The chart's temperature limit lines become the remembered ones of that unit.
    void setTemperatureFahrenheit(bool on);
    // Takes the unit the chart itself carries (a chart read from a graph file), keeping its limit
    // lines; the statistics are left to be computed next.
    void takeChartTemperatureUnit();
    bool temperatureFahrenheit() const { return m_fahrenheit; }
    // Units (graph_window_units.cpp): "ppm", "%RH", and "°C" or "°F" as the temperatures are.
    QString channelUnit(int channel) const;
    // Brings the units on show up to date with GraphShared::showUnits and the temperature unit:
    // the Y axes' titles (where their own labels are empty) and the unit beside each row of
    // MAX/MIN/AVG fields. The fields' tool tips always name the unit.
    void applyUnits();

    // --- Controls, named as the rest of the program addresses them -----------------------------
    ChartWidget* chart = nullptr;
    // Tool bar 1
    QToolButton* graphStatisticButton = nullptr;      // "Toggle Graph Statistic"
    QToolButton* lineCursorStatisticButton = nullptr; // "Toggle Line Cursor Statistic"
    QToolButton* normalCursorButton = nullptr;        // "Normal Cursor"
    QToolButton* crossButton = nullptr;               // "Draw A Cross On Graph"
    QToolButton* textButton = nullptr;                // "Text"
    QToolButton* markColorButton = nullptr;           // "Set Annotation Color"
    QFrame* clearDivider = nullptr;     // hidden except in the real-time graph, like clearButton
    QToolButton* clearButton = nullptr; // "Clear"; its handler belongs to the real-time recorder
    QPushButton* undoZoomButton = nullptr;
    QCheckBox* splitAxesBox = nullptr;        // never shown
    QPushButton* graphOptionButton = nullptr; // "Graph Option"
    QPushButton* yAxisButton = nullptr;       // "Y Axis"
    QPushButton* fitYButton = nullptr;        // "Fit Y": each Y axis to its data's range, once
    QPushButton* fontButton = nullptr;        // "Font"
    QPushButton* limitsButton = nullptr;      // "Limits": the limit lines dialog
    QPushButton* savePictureButton = nullptr; // "Save Picture": PNG, SVG or PDF of the chart
    // "Export Report": the graph's report as a PDF file
    QPushButton* exportReportButton = nullptr;
    // Tool bar 2
    QCheckBox* ppmBox = nullptr;
    QCheckBox* humidityBox = nullptr;
    QCheckBox* temperatureBox = nullptr;
    // Statistic strip
    QFrame* statisticStrip = nullptr;
    QLineEdit* startTimeField = nullptr;
    QFrame* samplingRatePanel = nullptr; // disabled except in the real-time graph
    QComboBox* minutesBox = nullptr;     // minutes "00".."60"
    QComboBox* secondsBox = nullptr;     // seconds "00".."60"
    QLineEdit* sampleCountField = nullptr;
    QPushButton* showMaxMinButton = nullptr; // "Show MAX/MIN on Graph"
    // Under the fields: the time above each limit over the whole recording (hidden without limits).
    // Over the chart's bottom-left corner while it is zoomed: MAX, MIN and AVG of the points in view
    // as a grid of the shown channels, and their time above the limits.
    QLabel* timeAboveLabel = nullptr;
    QLabel* inViewLabel = nullptr;
    // The real-time graph's word that its recording is not journaled (hidden while it is).
    QLabel* journalWarningLabel = nullptr;
    // Read-out over the chart's top-left corner: hidden until it has a value, its background
    // translucent so that the top Y label under it stays readable.
    QLabel* readOutLabel = nullptr;
    static constexpr int kReadOutAlpha = 170;
    // Bottom panel
    QFrame* statisticPanel = nullptr;
    QLineEdit* ppmMaxField = nullptr;
    QLineEdit* ppmMinField = nullptr;
    QLineEdit* ppmAvgField = nullptr;
    QLineEdit* humidityMaxField = nullptr;
    QLineEdit* humidityMinField = nullptr;
    QLineEdit* humidityAvgField = nullptr;
    QLineEdit* temperatureMaxField = nullptr;
    QLineEdit* temperatureMinField = nullptr;
    QLineEdit* temperatureAvgField = nullptr;
    // The unit at the end of each row of fields (ppm, %RH, temperature); shown with Show Units.
    QLabel* unitLabels[3] = {nullptr, nullptr, nullptr};

    // The chart's menu (a right click without a drag, or the menu key): "Fit Y to data", "One Y Axis
    // for All Channels" (checked while the chart has one Y axis) and "Export Report".
    QMenu* chartMenu = nullptr;
    QAction* fitYAction = nullptr;
    QAction* oneAxisAction = nullptr;
    QAction* exportReportAction = nullptr;

    // The MAX, MIN and AVG fields of a channel (0 ppm, 1 %RH, 2 temperature).
    QLineEdit* maxField(int channel) const;
    QLineEdit* minField(int channel) const;
    QLineEdit* avgField(int channel) const;

  public slots:
    // Handlers, public so the rest of the program and the tests drive them like the user does.
    void onActivated();
    // Asks the window's close questions; true when it may close. Answers are acted on at once
    // (Yes saves), but nothing closes here.
    bool mayClose();
    // The next close skips the questions: they were already answered (the main window asks every
    // child before it closes any).
    void setCloseAgreed(bool agreed) { m_closeAgreed = agreed; }
    void onChannelBoxClicked();
    void onSplitAxesClicked();
    void onGraphOptionClicked();
    void onFontClicked();
    void onChartCustomizeDialog();
    void onChartMouseMove();
    void onChartDataHotSpot(int subset, int point);
    void onShowMaxMinClicked();
    void onGraphStatisticClicked();
    void onLineCursorStatisticClicked();
    void onNormalCursorClicked();
    void onCrossClicked();
    void onTextClicked();
    void onMarkColorClicked();
    void onChartClicked();
    void onChartMarkHotSpot(bool doubleClick, int index);
    void onChartGraphHotSpot();
    void onChartZoomedIn();
    // The wheel zoomed all the way out: nothing left to undo.
    void onChartZoomedOut();
    void onUndoZoomClicked();
    void onYAxisClicked();
    // Fit Y to data (y_axis_fit.cpp): each Y axis set once to the range of its drawn data and a
    // margin, as if typed into the Y-axis dialog.
    void onFitYClicked();
    // The chart's menu and its One Y Axis command (graph_window_chart_menu.cpp). The command does
    // what unchecking the hidden split switch does; used again it checks the switch, which splits
    // the chart into its two axes again.
    void onChartContextMenu(QPoint pos);
    void onOneAxisTriggered(bool oneAxis);
    // Keeps the read-out in the chart's top-left corner.
    void placeReadOut();
    // Keeps the in-view figures in the plotting area's bottom-left corner.
    void placeInView();
    // Limit lines (graph_window_limits.cpp) and pictures (graph_window_picture.cpp).
    void onLimitsClicked();
    void onSavePictureClicked();
    // Asks the program to export this graph's report (exportReportRequested).
    void onExportReportClicked();
    // Brings the time-above and in-view lines up to date with the chart's data, limits and view.
    void updateLimitFigures();

  public:
    // The figures behind those lines, as last brought up to date.
    const limitstats::RecordingFigures& recordingFigures() const { return m_recording; }
    const limitstats::RangeFigures& rangeFigures() const { return m_range; }

  signals:
    void activated(GraphWindow* window);
    void saveRequested(GraphWindow* window);
    void saveGraphRequested(GraphWindow* window);
    void closedWindow(GraphWindow* window);
    // Export Report was chosen: write this window's report as a PDF file.
    void exportReportRequested(GraphWindow* window);

  protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    // The index of a new mark on this chart, or -1 (said) when the chart has no place left.
    int nextMarkIndex();
    QWidget* buildToolsBar();
    QWidget* buildChannelsBar();
    QWidget* buildStatisticStrip();
    QWidget* buildStatisticPanel();
    void buildChartMenu();
    void updateAxisUnitTitles();
    // ppm on axis 0, %RH and temperature on axis 1, half the height each; Cross and Text disabled.
    void splitAxes();
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
