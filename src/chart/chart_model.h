#pragma once
// The chart's whole model as plain data: subsets and points, axes, annotations, look and zoom.
// ChartWidget draws from it; ChartState stores and restores it. No widgets here.
#include <QColor>
#include <QString>
#include <QtGlobal>
#include <span>
#include <utility>
#include <vector>

// Property values of the chart, named as the graph windows use them.
namespace pe {
enum Action : int {
    sgResetImage = 0,
    sgInvalidateImage = 1,
    sgReinitAndReset = 2,
    sgCustomize = 3,
    sgUndoZoom = 4,
    sgPrintDialog = 5,
};
enum DateTimeMode : int { sgNoDateTime = 0, sgVBDateTime = 1 };
enum ManualScale : int { sgNoManualScale = 0, sgManualMin = 1, sgManualMax = 2, sgManualMinAndMax = 3 };
enum Separators : int {
    sgNoSeparators = 0,
    sgThinSeparators = 1,
    sgMediumSeparators = 2,
    sgThickSeparators = 3
};
enum Zooming : int { sgNoZooming = 0, sgHorzZooming = 1, sgVertZooming = 2, sgHorzPlusVertZooming = 3 };
enum GridLines : int { sgGridBoth = 0, sgGridY = 1, sgGridX = 2, sgGridNone = 3 };
enum GridStyle : int { sgSolid = 0, sgDot = 1, sgDash = 2 };
enum ArrowCursor : int { sgArrowCursor = 1, sgTextCursor = 2, sgCustomCursor = 3 };
enum TAMoveable : int { sgTANotMoveable = 0, sgTAMoveable = 1, sgTAMoveableNoHotSpots = 2 };
enum TABorder : int { sgNoBorder = 0, sgSingleLine = 1, sgInset = 2, sgShadow = 3 };
enum AnnotationType : int { sgNoSymbol = 0, sgCrossMark = 2 };
} // namespace pe

// Colours travel as 32-bit values: red in the low byte, then green, blue, opacity. Opacity 0 and 255
// both mean opaque, so values built from red, green and blue alone draw as expected.
QColor colorFromPe(quint32 value);
quint32 peFromColor(const QColor& color);
constexpr quint32 peRgb(int r, int g, int b) {
    return quint32(r & 0xFF) | (quint32(g & 0xFF) << 8) | (quint32(b & 0xFF) << 16);
}

// Days since 30 Dec 1899 to seconds since 1 Jan 1970 (the date-time axis' unit), and back.
constexpr double kUnixEpochDays = 25569.0;
constexpr double daysToAxisSeconds(double days) {
    return (days - kUnixEpochDays) * 86400.0;
}
constexpr double axisSecondsToDays(double seconds) {
    return seconds / 86400.0 + kUnixEpochDays;
}

struct YAxisSettings {
    QString label;
    int scaleControl = pe::sgNoManualScale;
    double manualMin = 0.0;
    double manualMax = 1.0;
    bool operator==(const YAxisSettings&) const = default;
};

struct GraphAnnotation {
    int type = pe::sgNoSymbol;
    double x = 0.0; // date-time days (or plain X), axis 0
    double y = 0.0; // data units of axis 0
    QString text;   // lines separated by CR and/or LF
    quint32 color = 0;
    bool operator==(const GraphAnnotation&) const = default;
};

struct VertLineAnnotation {
    double x = 0.0;
    QString text;
    quint32 color = 0;
    bool operator==(const VertLineAnnotation&) const = default;
};

struct TableAnnotation {
    int rows = 0;
    int columns = 0;
    std::vector<QString> text;   // rows * columns, row after row
    std::vector<quint32> colors; // rows * columns
    quint32 backColor = peRgb(255, 255, 255);
    int location = 0;
    int x = 0;
    int y = 0;
    int moveable = pe::sgTANotMoveable;
    int border = pe::sgSingleLine;
    int textSize = 100; // percent of the chart's font size
    int headerRows = 0;
    bool headerColumn = false;
    bool show = false;
    int dragX = 0; // pixels the user dragged the table from its home spot
    int dragY = 0;

    void resize(int newRows, int newColumns);
    bool operator==(const TableAnnotation&) const = default;
};

struct ChartLook {
    QString mainTitle;
    QString subTitle;
    QString xAxisLabel;
    quint32 deskColor = peRgb(192, 192, 192);
    quint32 graphBackColor = peRgb(255, 255, 255);
    quint32 graphForeColor = peRgb(0, 0, 0);
    quint32 textColor = peRgb(0, 0, 0);
    int gridLineControl = pe::sgGridBoth;
    int gridStyle = pe::sgSolid;
    QString fontFamily; // empty: the application font
    int fontSize = 9;   // points
    bool titleBold = true;
    int graphAnnotationTextSize = 100; // percent
    int lineAnnotationTextSize = 100;  // percent
    bool showAnnotations = true;
    bool showVertLineAnnotations = true;
    bool allowFontPage = true;
    bool allowTitlesPage = true;
    bool allowColorsPage = true;
    bool allowSubsetsPage = true;
    bool allowAxisPage = true;
    int allowZooming = pe::sgNoZooming;
    int arrowCursor = pe::sgArrowCursor;
    bool allowDataHotSpots = false;
    bool allowGraphHotSpots = false;
    bool allowGraphAnnotHotSpots = false;
    int dateTimeMode = pe::sgNoDateTime;
    double nullDataValueY = 99999.0;
    double lineGapThreshold = 1e20; // X distance above which consecutive points are not joined
    int separators = pe::sgThinSeparators;
    bool operator==(const ChartLook&) const = default;
};

// A limit of one subset, drawn as a dashed horizontal line across that subset's axis while the
// subset is drawn; the graph windows show how long the subset spends above it.
struct LimitLine {
    int subset = 0;
    double value = 0.0; // in the subset's own units
    bool operator==(const LimitLine&) const = default;
};

// One zoomed view: the X range and each Y axis' range (in model units).
struct ZoomView {
    double xMin = 0.0;
    double xMax = 1.0;
    std::vector<std::pair<double, double>> y;
    bool operator==(const ZoomView&) const = default;
};

class ChartModel {
  public:
    // Limits far above what the program's graphs use (3 subsets, a few hundred marks), low enough
    // that a chart at every limit still opens and redraws quickly; a stored chart beyond them is
    // refused as damaged.
    static constexpr int kMaxSubsets = 64;
    static constexpr qint64 kMaxCells = 64LL * 1024 * 1024; // subsets * points
    static constexpr int kMaxAxes = 16;
    static constexpr int kMaxAnnotations = 1 << 12; // graph annotations; line annotations alike
    static constexpr int kMaxTableCells = 1 << 16;
    static constexpr int kMaxLimitLines = 64;

    ChartModel();

    // Data. Counts change in place: the points and subsets that remain keep their values; new X
    // cells are 0 and new Y cells the null value. Counts that do not fit are refused (false).
    int subsets() const { return m_subsets; }
    int points() const { return m_points; }
    bool setSubsets(int count);
    bool setPoints(int count);

    double x(int subset, int point) const;
    double y(int subset, int point) const;
    // Subset -1 writes every cell; a cell outside the counts is ignored.
    void setX(int subset, int point, double value);
    void setY(int subset, int point, double value);
    // Whole arrays, point after point: subsets 0..n-1 of point 0, then of point 1, ... Values
    // beyond subsets * points are ignored; a shorter array writes only the cells it reaches.
    void setXArray(std::span<const double> values);
    void setYArray(std::span<const double> values);
    void setYArray(std::span<const float> values);
    // One subset's values, point by point (storage order).
    std::span<const double> xRow(int subset) const;
    std::span<const double> yRow(int subset) const;
    bool isNull(double yValue) const { return yValue == look.nullDataValueY; }

    // Subset labels and colours grow on write, up to kMaxSubsets.
    QString subsetLabel(int subset) const;
    quint32 subsetColor(int subset) const;
    void setSubsetLabel(int subset, const QString& label);
    void setSubsetColor(int subset, quint32 color);
    const std::vector<QString>& subsetLabels() const { return m_labels; }
    const std::vector<quint32>& subsetColors() const { return m_colors; }

    // The list of subsets to draw. Until it is first written every subset is drawn; index -1
    // empties it, and an emptied list draws nothing. Writing index k grows the list to k + 1.
    void setRandomSubset(int index, int subset);
    int randomSubset(int index) const;
    const std::vector<int>& randomSubsets() const { return m_random; }
    bool randomSubsetsActive() const { return m_randomActive; }
    std::vector<int> drawnSubsets() const;

    // Stacked Y axes: multiAxesSubsets[k] subsets go to axis k, in subset order; subsets beyond
    // the list go to the last axis. An empty list means one axis for everything.
    void setMultiAxesSubsets(int axis, int count); // axis -1 empties the list
    int multiAxesSubsets(int axis) const;
    void setMultiAxesProportion(int axis, double fraction); // axis -1 empties the list
    double multiAxesProportion(int axis) const;             // unset: an equal share
    const std::vector<int>& multiAxesSubsetList() const { return m_axisSubsets; }
    const std::vector<double>& multiAxesProportionList() const { return m_proportions; }
    int axisCount() const;
    int axisOfSubset(int subset) const;

    // Y axis settings by axis index; writes to an axis grow the list up to kMaxAxes.
    YAxisSettings& yAxis(int axis);
    const YAxisSettings& yAxisAt(int axis) const;
    const std::vector<YAxisSettings>& yAxes() const { return m_yAxes; }
    int workingAxis() const { return m_workingAxis; }
    void setWorkingAxis(int axis);

    // Graph and vertical line annotations by index; writing index i grows the list to i + 1.
    GraphAnnotation* annotation(int index); // nullptr when out of range
    const std::vector<GraphAnnotation>& annotations() const { return m_annotations; }
    VertLineAnnotation* vertLine(int index);
    const std::vector<VertLineAnnotation>& vertLines() const { return m_vertLines; }

    bool operator==(const ChartModel&) const = default;

    // Plain settings, read and written directly.
    int xScaleControl = pe::sgNoManualScale;
    double manualMinX = 0.0;
    double manualMaxX = 1.0;
    TableAnnotation table;
    ChartLook look;
    std::vector<ZoomView> zoomStack;   // back() is the view on show; empty: not zoomed
    std::vector<LimitLine> limitLines; // at most kMaxLimitLines, each value finite
    // The temperatures the data hold are in degrees Fahrenheit rather than Celsius. The chart draws
    // them as they are; the graph's statistics and limits read them in this unit.
    bool temperatureFahrenheit = false;

  private:
    friend class ChartState;

    int m_subsets = 1;
    int m_points = 0;
    std::vector<double> m_x; // subset after subset: [s * points + p]
    std::vector<double> m_y;
    std::vector<QString> m_labels;
    std::vector<quint32> m_colors;
    std::vector<int> m_random;
    bool m_randomActive = false;
    std::vector<int> m_axisSubsets;
    std::vector<double> m_proportions;
    std::vector<YAxisSettings> m_yAxes;
    int m_workingAxis = 0;
    std::vector<GraphAnnotation> m_annotations;
    std::vector<VertLineAnnotation> m_vertLines;
};
