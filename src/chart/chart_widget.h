#pragma once
// ChartWidget: the chart control every graph window holds. It keeps the chart as plain data in a
// ChartModel and draws it with QCustomPlot. Like the control it stands in for, property writes only
// change the model; the actions (setPEactions) bring the drawing up to date:
//   sgResetImage + sgInvalidateImage  redraw after any change,
//   sgReinitAndReset                  rebuild after subset or axis changes,
//   sgCustomize, sgUndoZoom, sgPrintDialog.
#include "chart/chart_model.h"
#include "chart/chart_print.h"

#include <QByteArray>
#include <QColor>
#include <QCursor>
#include <QFont>
#include <QPoint>
#include <QRect>
#include <QStringList>
#include <QWidget>
#include <limits>
#include <memory>
#include <span>
#include <vector>

class Prompter;
class QCustomPlot;
class QCPAxisRect;
class QCPGraph;
class QCPLayoutGrid;
class QCPLegend;
class QCPMarginGroup;
class QCPTextElement;
class QCPPainter;
class QContextMenuEvent;
class QMouseEvent;
class QPrinter;
class QRectF;
class QResizeEvent;
class QScrollBar;
class QWheelEvent;

class ChartWidget : public QWidget {
    Q_OBJECT
  public:
    explicit ChartWidget(Prompter& prompter, QWidget* parent = nullptr);
    ~ChartWidget() override;

    // --- Data -------------------------------------------------------------------------------
    int Subsets() const { return m_model.subsets(); }
    void setSubsets(int count);
    int Points() const { return m_model.points(); }
    void setPoints(int count);
    double XDataII(int subset, int point) const { return m_model.x(subset, point); }
    void setXDataII(int subset, int point, double value);
    float YData(int subset, int point) const { return float(m_model.y(subset, point)); }
    void setYData(int subset, int point, float value);
    double YDataII(int subset, int point) const { return m_model.y(subset, point); }
    void setYDataII(int subset, int point, double value);
    // Whole arrays, Subsets x Points values point after point (subsets 0, 1, 2 of point 0, ...).
    void setXDataArray(std::span<const double> values);
    void setYDataArray(std::span<const float> values);
    void setYDataIIArray(std::span<const double> values);
    double NullDataValueY() const { return m_model.look.nullDataValueY; }
    void setNullDataValueY(double value);
    int DateTimeMode() const { return m_model.look.dateTimeMode; }
    void setDateTimeMode(int mode) { m_model.look.dateTimeMode = mode; }
    double LineGapThreshold() const { return m_model.look.lineGapThreshold; }
    void setLineGapThreshold(double value);
    QString SubsetLabels(int subset) const { return m_model.subsetLabel(subset); }
    void setSubsetLabels(int subset, const QString& label) { m_model.setSubsetLabel(subset, label); }
    quint32 SubsetColors(int subset) const { return m_model.subsetColor(subset); }
    void setSubsetColors(int subset, quint32 color) { m_model.setSubsetColor(subset, color); }
    int RandomSubsetsToGraph(int index) const { return m_model.randomSubset(index); }
    void setRandomSubsetsToGraph(int index, int subset) { m_model.setRandomSubset(index, subset); }
    int RandomSubsetsToGraphCount() const { return int(m_model.randomSubsets().size()); }

    // --- Axes -------------------------------------------------------------------------------
    int WorkingAxis() const { return m_model.workingAxis(); }
    void setWorkingAxis(int axis) { m_model.setWorkingAxis(axis); }
    // These address the working axis.
    QString YAxisLabel() const { return m_model.yAxisAt(WorkingAxis()).label; }
    void setYAxisLabel(const QString& label) { m_model.yAxis(WorkingAxis()).label = label; }
    int ManualScaleControlY() const { return m_model.yAxisAt(WorkingAxis()).scaleControl; }
    void setManualScaleControlY(int control) { m_model.yAxis(WorkingAxis()).scaleControl = control; }
    double ManualMinY() const { return m_model.yAxisAt(WorkingAxis()).manualMin; }
    void setManualMinY(double value);
    double ManualMaxY() const { return m_model.yAxisAt(WorkingAxis()).manualMax; }
    void setManualMaxY(double value);
    QString XAxisLabel() const { return m_model.look.xAxisLabel; }
    void setXAxisLabel(const QString& label) { m_model.look.xAxisLabel = label; }
    int ManualScaleControlX() const { return m_model.xScaleControl; }
    void setManualScaleControlX(int control) { m_model.xScaleControl = control; }
    double ManualMinX() const { return m_model.manualMinX; }
    void setManualMinX(double value);
    double ManualMaxX() const { return m_model.manualMaxX; }
    void setManualMaxX(double value);
    int MultiAxesSubsets(int axis) const { return m_model.multiAxesSubsets(axis); }
    void setMultiAxesSubsets(int axis, int count) { m_model.setMultiAxesSubsets(axis, count); }
    double MultiAxesProportions(int axis) const { return m_model.multiAxesProportion(axis); }
    void setMultiAxesProportions(int axis, double fraction) {
        m_model.setMultiAxesProportion(axis, fraction);
    }
    int MultiAxesSeparators() const { return m_model.look.separators; }
    void setMultiAxesSeparators(int separators) { m_model.look.separators = separators; }
    int axisCount() const { return m_model.axisCount(); }
    // Titles shown beside Y axes whose own label is empty, per axis (the units of what they show).
    // A matter of the view only: not part of the stored state, so a graph file keeps its labels.
    // Shown from the next redraw.
    void setYAxisUnitTitles(const QStringList& titles) { m_unitTitles = titles; }
    const QStringList& yAxisUnitTitles() const { return m_unitTitles; }
    // What axis `axis` is titled with: its label, or else its unit title.
    QString yAxisTitle(int axis) const;

    // --- Graph annotations (X, Y in data units of axis 0) -------------------------------------
    int GraphAnnotationCount() const { return int(m_model.annotations().size()); }
    int GraphAnnotationType(int i) const { return annotationAt(i).type; }
    void setGraphAnnotationType(int i, int type);
    double GraphAnnotationX(int i) const { return annotationAt(i).x; }
    void setGraphAnnotationX(int i, double x);
    double GraphAnnotationY(int i) const { return annotationAt(i).y; }
    void setGraphAnnotationY(int i, double y);
    QString GraphAnnotationText(int i) const { return annotationAt(i).text; }
    void setGraphAnnotationText(int i, const QString& text);
    quint32 GraphAnnotationColor(int i) const { return annotationAt(i).color; }
    void setGraphAnnotationColor(int i, quint32 color);
    bool ShowAnnotations() const { return m_model.look.showAnnotations; }
    void setShowAnnotations(bool on) { m_model.look.showAnnotations = on; }
    int GraphAnnotationTextSize() const { return m_model.look.graphAnnotationTextSize; }
    void setGraphAnnotationTextSize(int percent);

    // --- Vertical line annotations ------------------------------------------------------------
    int VertLineAnnotationCount() const { return int(m_model.vertLines().size()); }
    double VertLineAnnotation(int i) const { return vertLineAt(i).x; }
    void setVertLineAnnotation(int i, double x);
    QString VertLineAnnotationText(int i) const { return vertLineAt(i).text; }
    void setVertLineAnnotationText(int i, const QString& text);
    quint32 VertLineAnnotationColor(int i) const { return vertLineAt(i).color; }
    void setVertLineAnnotationColor(int i, quint32 color);
    bool ShowVertLineAnnotations() const { return m_model.look.showVertLineAnnotations; }
    void setShowVertLineAnnotations(bool on) { m_model.look.showVertLineAnnotations = on; }
    int LineAnnotationTextSize() const { return m_model.look.lineAnnotationTextSize; }
    void setLineAnnotationTextSize(int percent);

    // --- Table annotation ---------------------------------------------------------------------
    int TARows() const { return m_model.table.rows; }
    void setTARows(int rows) { m_model.table.resize(rows, m_model.table.columns); }
    int TAColumns() const { return m_model.table.columns; }
    void setTAColumns(int columns) { m_model.table.resize(m_model.table.rows, columns); }
    QString TAText(int row, int column) const;
    void setTAText(int row, int column, const QString& text);
    quint32 TAColor(int row, int column) const;
    void setTAColor(int row, int column, quint32 color);
    quint32 TABackColor() const { return m_model.table.backColor; }
    void setTABackColor(quint32 color) { m_model.table.backColor = color; }
    int TALocation() const { return m_model.table.location; }
    void setTALocation(int location) { m_model.table.location = location; }
    int TAX() const { return m_model.table.x; }
    void setTAX(int x) { m_model.table.x = x; }
    int TAY() const { return m_model.table.y; }
    void setTAY(int y) { m_model.table.y = y; }
    int TAMoveable() const { return m_model.table.moveable; }
    void setTAMoveable(int moveable) { m_model.table.moveable = moveable; }
    int TABorder() const { return m_model.table.border; }
    void setTABorder(int border) { m_model.table.border = border; }
    int TATextSize() const { return m_model.table.textSize; }
    void setTATextSize(int percent);
    int TAHeaderRows() const { return m_model.table.headerRows; }
    void setTAHeaderRows(int rows);
    bool TAHeaderColumn() const { return m_model.table.headerColumn; }
    void setTAHeaderColumn(bool on) { m_model.table.headerColumn = on; }
    bool ShowTableAnnotation() const { return m_model.table.show; }
    void setShowTableAnnotation(bool on) { m_model.table.show = on; }
    // Where the table is drawn, in pixels (empty while it is hidden). It stays inside the top axis
    // area: a table too tall for it is drawn as two groups of rows side by side, or smaller.
    QRect tableRect() const;
    // The table's text is drawn in its own colours; a cell whose colour does not stand out enough
    // from the table's background over the chart's (contrast below 4.5:1) gets a semi-opaque
    // backing of the chart's background colour behind its text: that colour, or invalid for none.
    QColor tableCellBacking(int row, int column) const;
    // The table's background as it shows over the chart's background.
    QColor tableBackdrop() const;
    // The table's text font as drawn: never smaller than the axis labels.
    QFont tableFont() const;

    // --- Limit lines: dashed horizontal lines across the axis of their subset ------------------
    const std::vector<LimitLine>& limitLines() const { return m_model.limitLines; }
    // Lines whose value is not finite or whose subset lies outside the chart's limits are left
    // out, as are any beyond ChartModel::kMaxLimitLines. Drawn at the next redraw.
    void setLimitLines(const std::vector<LimitLine>& lines);

    // --- Look ---------------------------------------------------------------------------------
    QString MainTitle() const { return m_model.look.mainTitle; }
    void setMainTitle(const QString& title) { m_model.look.mainTitle = title; }
    QString SubTitle() const { return m_model.look.subTitle; }
    void setSubTitle(const QString& title) { m_model.look.subTitle = title; }
    quint32 DeskColor() const { return m_model.look.deskColor; }
    void setDeskColor(quint32 c) { m_model.look.deskColor = c; }
    quint32 GraphBackColor() const { return m_model.look.graphBackColor; }
    void setGraphBackColor(quint32 c) { m_model.look.graphBackColor = c; }
    quint32 GraphForeColor() const { return m_model.look.graphForeColor; } // grid and axes
    void setGraphForeColor(quint32 c) { m_model.look.graphForeColor = c; }
    quint32 TextColor() const { return m_model.look.textColor; }
    void setTextColor(quint32 c) { m_model.look.textColor = c; }
    int GridLineControl() const { return m_model.look.gridLineControl; }
    void setGridLineControl(int lines);
    int GridStyle() const { return m_model.look.gridStyle; }
    void setGridStyle(int style);
    QString FontFamily() const { return m_model.look.fontFamily; }
    void setFontFamily(const QString& family) { m_model.look.fontFamily = family; }
    int FontSize() const { return m_model.look.fontSize; }
    void setFontSize(int points);

    // Pages of the customization dialog.
    bool AllowFontPage() const { return m_model.look.allowFontPage; }
    void setAllowFontPage(bool on) { m_model.look.allowFontPage = on; }
    bool allowTitlesPage() const { return m_model.look.allowTitlesPage; }
    void setAllowTitlesPage(bool on) { m_model.look.allowTitlesPage = on; }
    bool allowColorsPage() const { return m_model.look.allowColorsPage; }
    void setAllowColorsPage(bool on) { m_model.look.allowColorsPage = on; }
    bool AllowSubsetsPage() const { return m_model.look.allowSubsetsPage; }
    void setAllowSubsetsPage(bool on) { m_model.look.allowSubsetsPage = on; }
    bool AllowAxisPage() const { return m_model.look.allowAxisPage; }
    void setAllowAxisPage(bool on) { m_model.look.allowAxisPage = on; }

    // --- Interaction --------------------------------------------------------------------------
    int AllowZooming() const { return m_model.look.allowZooming; }
    void setAllowZooming(int mode);
    // 1: the standard arrow; 2: the text pointer; a custom pointer through setCustomCursor (3).
    int ArrowCursor() const { return m_model.look.arrowCursor; }
    void setArrowCursor(int cursor);
    void setCustomCursor(const QCursor& cursor);
    bool AllowDataHotSpots() const { return m_model.look.allowDataHotSpots; }
    void setAllowDataHotSpots(bool on) { m_model.look.allowDataHotSpots = on; }
    bool AllowGraphHotSpots() const { return m_model.look.allowGraphHotSpots; }
    void setAllowGraphHotSpots(bool on) { m_model.look.allowGraphHotSpots = on; }
    bool AllowGraphAnnotHotSpots() const { return m_model.look.allowGraphAnnotHotSpots; }
    void setAllowGraphAnnotHotSpots(bool on) { m_model.look.allowGraphAnnotHotSpots = on; }

    // The last mouse position over the chart, in the chart's pixels.
    QPoint lastMousePosition() const { return m_lastMouse; }
    // The plotting rectangle in pixels: all stacked axis areas together.
    QRect plottingRect() const;
    // Pixel to data on axis 0 (X in date-time days in sgVBDateTime mode), and back.
    QPointF pixelToData(QPoint pixel) const;
    QPointF dataToPixel(double x, double y) const;
    bool isZoomed() const { return !m_model.zoomStack.empty(); }
    // The Y scales were set again while zoomed: every view of the zoom keeps its X range and shows
    // each Y axis whole at its new scale, at once (without this the new scale showed only after
    // Undo Zoom).
    void showWholeYScales();
    // The Y axis whose area holds the pixel, or -1; and a pixel converted on that axis' scale.
    int axisAt(QPoint pixel) const { return axisRectAt(pixel); }
    QPointF pixelToDataOnAxis(QPoint pixel, int axis) const;

    // A zoomed chart scrolls in both directions: the bar below the plotting area moves the X range,
    // the bar beside each Y axis moves that axis' range; each shows while its direction is zoomed.
    // Dragging with the right or middle button pans. The wheel zooms time (X) around the pointer;
    // Ctrl+wheel zooms the Y axis under the pointer.
    QScrollBar* horizontalScrollBar() const { return m_hBar; }
    QScrollBar* verticalScrollBar(int axis) const;

    // --- Actions ------------------------------------------------------------------------------
    void setPEactions(int action);
    int DialogResult() const { return m_dialogResult; }
    // Prints the whole chart fitted to the printer's page. False if the printer cannot start.
    bool print(QPrinter& printer);

    // --- Paper (chart_widget_print.cpp) ---------------------------------------------------------
    // Draws the chart as it is shown (its view, marks, limit lines and table) into `target`, a
    // rectangle in paper units (see chart_print.h) of a painter begun with paper::begin. Fitted, it
    // is laid out at the target's size; otherwise at its size on screen, scaled into the target. The
    // print-friendly scheme draws it on white with dark axes and text, light curves darkened and
    // each curve in its own dash pattern; the chart on screen is left as it was.
    void drawOnPaper(QPainter& painter, const QRectF& target, const ChartPrintOptions& options);
    // The chart alone on one page of `printer`, with its title as a header when asked for.
    bool printChartPage(QPrinter& printer, const ChartPrintOptions& options);
    // The chart's print dialog on `printer` (see chart_print_dialog.h): a live preview beside the
    // options, then the printer or a PDF file. `renderer` draws the document; without one it is
    // printChartPage. `valueTable`: the renderer can add the table of values, so the dialog offers
    // it. The options chosen are kept for the next time. True when a document was printed or written.
    bool runPrintDialog(QPrinter& printer, const ChartPageRenderer& renderer = {}, bool valueTable = false);
    const ChartPrintOptions& printOptions() const { return m_printOptions; }
    void setPrintOptions(const ChartPrintOptions& options) { m_printOptions = options; }

    // --- State --------------------------------------------------------------------------------
    QByteArray storeState() const;
    // Restores a stored block. A block that is not consistent is refused: false, the reason in
    // lastError(), and the chart exactly as it was.
    bool loadState(const QByteArray& bytes);
    QString lastError() const { return m_lastError; }

    const ChartModel& model() const { return m_model; }
    // The unit of the temperatures the data hold (stored with the chart).
    void setTemperatureFahrenheit(bool on) { m_model.temperatureFahrenheit = on; }
    // Changes with every write to the chart's data (counts, values, the null value, a restored
    // state): figures computed from the data stay valid while it stays the same.
    quint64 dataRevision() const { return m_dataRevision; }
    QCustomPlot* customPlot() const { return m_plot; }
    // How often every point was pushed into the plot; a growing recording should not raise it.
    int dataPushCount() const { return m_dataPushes; }

  signals:
    void clicked();
    void mouseMoved();
    void zoomedIn();
    // The wheel zoomed the chart back out to its whole view: nothing is left to undo.
    void zoomedOut();
    // The ranges on show were set again: after a zoom, Undo Zoom, panning, scrolling or any redraw of
    // the chart's data. Figures of the points in view follow it.
    void viewChanged();
    void dataHotSpotClicked(int subset, int point);
    void graphHotSpotClicked();
    void markHotSpotClicked(bool doubleClick, int index);
    void customizeDialogRequested();
    // A right click without a drag, or the keyboard's menu key: the owner shows its menu for the
    // chart at `pos` (the chart's pixels).
    void contextMenuRequested(QPoint pos);

  protected:
    void resizeEvent(QResizeEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

  private:
    class Overlay;
    class AnnotationPainter;
    class LimitLinePainter;

    const GraphAnnotation& annotationAt(int i) const;
    const ::VertLineAnnotation& vertLineAt(int i) const;
    void markData() {
        m_dataDirty = true;
        ++m_dataRevision;
    }
    // Remembers a single cell's pushed values before it is written, so the next refresh can bring
    // just that cell into the plot.
    void noteCellWrite(int subset, int point);

    std::vector<int> shape() const;
    void rebuild(); // axes, graphs and layout from the model
    void refresh(); // data, look and ranges into the view, then a queued replot
    void pushData();
    // Brings the cells written since the last push into the plotted series one by one: the way a
    // recording grows, one point past the end of each subset at a time, without walking the data.
    // False when the writes are not of that kind; the caller then pushes everything.
    bool appendPendingCells();
    void updateAutoRanges();
    void applyLook();
    void applyRanges();
    void applyCursor();
    void fitTickCounts();
    void undoZoom();
    void customize();
    void printDialog();
    double keyOf(double x) const;
    double xOfKey(double key) const;
    std::pair<double, double> autoRangeY(int axis) const;
    std::pair<double, double> viewRangeX() const;
    std::pair<double, double> viewRangeY(int axis) const;
    // The ranges of the whole, unzoomed view.
    std::pair<double, double> fullRangeX() const;
    std::pair<double, double> fullRangeY(int axis) const;
    int axisRectAt(QPoint pixel) const;
    QFont baseFont() const;

    struct TableLayout;
    void paintAnnotations(QCPPainter* painter);
    void paintSeparators(QCPPainter* painter);
    void paintTable(QCPPainter* painter);
    void paintLimitLines(QCPPainter* painter); // chart_widget_limit_lines.cpp
    QColor markColor(quint32 color) const;
    QRectF annotationRect(const GraphAnnotation& a, const QFont& font) const;
    TableLayout tableLayout() const;

    int annotationAt(QPoint pixel) const;
    std::pair<int, int> dataPointAt(QPoint pixel) const;

    void mousePress(QMouseEvent* event);
    void mouseMove(QMouseEvent* event);
    void mouseRelease(QMouseEvent* event);
    // Gives a layer a buffer of its own while a drag repaints it alone, and takes it back after.
    void setDragLayer(const QString& name, bool buffered);
    void mouseDoubleClick(QMouseEvent* event);
    void zoomTo(const QRect& band);

    // Scrolling and panning of a zoomed view (chart_widget_scrolling.cpp).
    ZoomView currentView() const;
    void showView(ZoomView view); // clamped inside the whole view, then drawn
    void updateScrollBars();      // ranges and visibility from the view on show
    void placeScrollBars();       // beside the axis areas, after each layout
    void scrollBarMoved();
    void beginPan(QPoint pixel);
    void panTo(QPoint pixel);
    void wheelZoom(QWheelEvent* event);

    Prompter& m_prompter;
    ChartModel m_model;
    QCustomPlot* m_plot = nullptr;
    std::vector<QCPAxisRect*> m_axisRects;
    std::vector<QCPGraph*> m_graphs;   // one per subset
    std::vector<QCPLegend*> m_legends; // one per axis
    QCPLayoutGrid* m_axesGrid = nullptr;
    QCPTextElement* m_mainTitle = nullptr;
    QCPTextElement* m_subTitle = nullptr;
    QCPMarginGroup* m_marginGroup = nullptr;
    Overlay* m_overlay = nullptr;
    AnnotationPainter* m_annotationPainter = nullptr;
    LimitLinePainter* m_limitLinePainter = nullptr;
    bool m_dataDirty = true;
    quint64 m_dataRevision = 0;
    bool m_built = false;
    // Shape of the built view, to rebuild it when a redraw finds the model's shape changed.
    std::vector<int> m_builtShape;
    std::vector<std::pair<double, double>> m_autoY; // per axis, from the data
    std::pair<double, double> m_autoX{0.0, 1.0};

    // Incremental data path. A cell written since the last push, with the values it had then.
    struct PendingCell {
        int subset;
        int point;
        double x;
        double y;
    };
    static constexpr size_t kMaxPendingCells = 64;
    std::vector<PendingCell> m_pendingCells;
    // Per subset, as the last push left it: the last point with a value and its X; the span of
    // keys with values; and the nearest keys of the empty points left out below and above that
    // span (an empty point only draws as a break between two values, so outside the span it is
    // not plotted at all: a recording's unwritten points would otherwise stretch the series over
    // a century and defeat adaptive sampling).
    struct SeriesTail {
        int lastPoint = -1;
        double lastX = std::numeric_limits<double>::quiet_NaN();
        double keyLo = std::numeric_limits<double>::infinity();
        double keyHi = -std::numeric_limits<double>::infinity();
        double omittedBelow = -std::numeric_limits<double>::infinity();
        double omittedAbove = std::numeric_limits<double>::infinity();
    };
    std::vector<SeriesTail> m_tails;
    // The data's extent before padding: Y per axis, and X.
    std::vector<std::pair<double, double>> m_dataY;
    std::pair<double, double> m_dataX{0.0, 0.0};
    // The settings the plotted keys, gaps and nulls were made with.
    double m_pushedGap = 0.0;
    double m_pushedNull = 0.0;
    int m_pushedDateTimeMode = 0;
    int m_dataPushes = 0;

    QPoint m_lastMouse;
    QPoint m_pressPos;
    bool m_pressed = false;
    bool m_banding = false;
    bool m_moved = false;
    bool m_tableDrag = false;
    QPoint m_tableDragStart;
    QScrollBar* m_hBar = nullptr;
    std::vector<QScrollBar*> m_vBars; // one per Y axis
    bool m_settingBars = false;       // the bars move by code, not by the user
    bool m_panning = false;
    QPoint m_rightPressPos; // where the right button went down: a release there is a click
    bool m_rightPressed = false;
    bool m_rightMoved = false;
    QPoint m_panStart;
    int m_panAxis = 0;
    ZoomView m_panView;
    QCursor m_customCursor;
    QStringList m_unitTitles;
    int m_dialogResult = 0;
    QString m_lastError;
    ChartPrintOptions m_printOptions;
    bool m_paperScheme = false; // applyLook draws for paper: dark on white, curves dashed
};
