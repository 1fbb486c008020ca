#include "pes_graph.h"

#include "graph/chart_customize_dialog.h"
#include "graph/chart_state.h"
#include "platform/prompter.h"

#include <QMouseEvent>
#include <QPrintDialog>
#include <QPrinter>
#include <QRegularExpression>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <limits>
#include <qcustomplot.h>

namespace {

constexpr int kBandThreshold = 4; // pixels the mouse must travel before a press becomes a zoom drag
constexpr int kMinZoomPixels = 3;
constexpr int kHotSpotPixels = 5;
constexpr int kCrossArm = 5;
constexpr int kTableMargin = 10;

QStringList annotationLines(const QString& text) {
    static const QRegularExpression breaks(QStringLiteral("\r\n|\r|\n"));
    return text.split(breaks);
}

std::pair<double, double> sanitized(double lo, double hi) {
    if (lo > hi)
        std::swap(lo, hi);
    const double scale = std::max({1.0, std::abs(lo), std::abs(hi)});
    if (!(hi - lo > scale * 1e-12)) {
        lo -= 1.0;
        hi += 1.0;
    }
    return {lo, hi};
}

Qt::PenStyle gridPenStyle(int style) {
    switch (style) {
    case pe::sgDot:
        return Qt::DotLine;
    case pe::sgDash:
        return Qt::DashLine;
    default:
        return Qt::SolidLine;
    }
}

} // namespace

// Draws the zoom rubber band on the buffered overlay layer, so dragging repaints only that layer.
class PESGraph::Overlay : public QCPLayerable {
  public:
    explicit Overlay(QCustomPlot* plot) : QCPLayerable(plot, QStringLiteral("overlay")) {}
    void setBand(const QRect& band) { m_band = band; }
    QRect band() const { return m_band; }

  protected:
    void applyDefaultAntialiasingHint(QCPPainter* painter) const override { painter->setAntialiasing(false); }
    void draw(QCPPainter* painter) override {
        if (m_band.isNull())
            return;
        painter->setPen(QPen(QColor(128, 128, 128), 1, Qt::DashLine));
        painter->setBrush(QColor(128, 128, 128, 48));
        painter->drawRect(m_band);
    }

  private:
    QRect m_band;
};

// Draws graph annotations, vertical line annotations and the table from the model, on their own
// buffered layer above the graphs.
class PESGraph::AnnotationPainter : public QCPLayerable {
  public:
    AnnotationPainter(QCustomPlot* plot, PESGraph* owner)
        : QCPLayerable(plot, QStringLiteral("annotations")), m_owner(owner) {}

  protected:
    void applyDefaultAntialiasingHint(QCPPainter* painter) const override { painter->setAntialiasing(false); }
    void draw(QCPPainter* painter) override { m_owner->paintAnnotations(painter); }

  private:
    PESGraph* m_owner;
};

PESGraph::PESGraph(Prompter& prompter, QWidget* parent) : QWidget(parent), m_prompter(prompter) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    m_plot = new QCustomPlot(this);
    layout->addWidget(m_plot);
    m_plot->setMouseTracking(true);
    m_plot->setAutoAddPlottableToLegend(false);
    m_plot->setPlottingHint(QCP::phCacheLabels, true);
    m_plot->setNotAntialiasedElements(QCP::aePlottables | QCP::aeGrid | QCP::aeAxes);
    m_plot->addLayer(QStringLiteral("annotations"), m_plot->layer(QStringLiteral("main")),
                     QCustomPlot::limAbove);
    m_plot->layer(QStringLiteral("annotations"))->setMode(QCPLayer::lmBuffered);
    m_plot->layer(QStringLiteral("overlay"))->setMode(QCPLayer::lmBuffered);
    m_marginGroup = new QCPMarginGroup(m_plot);
    m_annotationPainter = new AnnotationPainter(m_plot, this);
    m_overlay = new Overlay(m_plot);

    connect(m_plot, &QCustomPlot::mousePress, this, &PESGraph::mousePress);
    connect(m_plot, &QCustomPlot::mouseMove, this, &PESGraph::mouseMove);
    connect(m_plot, &QCustomPlot::mouseRelease, this, &PESGraph::mouseRelease);
    connect(m_plot, &QCustomPlot::mouseDoubleClick, this, &PESGraph::mouseDoubleClick);

    rebuild();
    refresh();
}

PESGraph::~PESGraph() = default;

// ---------------------------------------------------------------------------------------------
// Property writes that need more than a plain store.

void PESGraph::setSubsets(int count) {
    if (m_model.setSubsets(count))
        markData();
}

void PESGraph::setPoints(int count) {
    if (m_model.setPoints(count))
        markData();
}

void PESGraph::setXDataII(int subset, int point, double value) {
    m_model.setX(subset, point, value);
    markData();
}

void PESGraph::setYData(int subset, int point, float value) {
    m_model.setY(subset, point, double(value));
    markData();
}

void PESGraph::setYDataII(int subset, int point, double value) {
    m_model.setY(subset, point, value);
    markData();
}

void PESGraph::setXDataArray(std::span<const double> values) {
    m_model.setXArray(values);
    markData();
}

void PESGraph::setYDataArray(std::span<const float> values) {
    m_model.setYArray(values);
    markData();
}

void PESGraph::setYDataIIArray(std::span<const double> values) {
    m_model.setYArray(values);
    markData();
}

void PESGraph::setNullDataValueY(double value) {
    m_model.look.nullDataValueY = value;
    markData();
}

void PESGraph::setLineGapThreshold(double value) {
    if (std::isnan(value))
        return;
    m_model.look.lineGapThreshold = value;
    markData();
}

void PESGraph::setManualMinY(double value) {
    if (std::isfinite(value))
        m_model.yAxis(WorkingAxis()).manualMin = value;
}

void PESGraph::setManualMaxY(double value) {
    if (std::isfinite(value))
        m_model.yAxis(WorkingAxis()).manualMax = value;
}

void PESGraph::setManualMinX(double value) {
    if (std::isfinite(value))
        m_model.manualMinX = value;
}

void PESGraph::setManualMaxX(double value) {
    if (std::isfinite(value))
        m_model.manualMaxX = value;
}

const GraphAnnotation& PESGraph::annotationAt(int i) const {
    static const GraphAnnotation none;
    return i >= 0 && size_t(i) < m_model.annotations().size() ? m_model.annotations()[size_t(i)] : none;
}

const ::VertLineAnnotation& PESGraph::vertLineAt(int i) const {
    static const ::VertLineAnnotation none;
    return i >= 0 && size_t(i) < m_model.vertLines().size() ? m_model.vertLines()[size_t(i)] : none;
}

void PESGraph::setGraphAnnotationType(int i, int type) {
    if (auto* a = m_model.annotation(i); a && type >= 0 && type <= 255)
        a->type = type;
}

void PESGraph::setGraphAnnotationX(int i, double x) {
    if (auto* a = m_model.annotation(i))
        a->x = x;
}

void PESGraph::setGraphAnnotationY(int i, double y) {
    if (auto* a = m_model.annotation(i))
        a->y = y;
}

void PESGraph::setGraphAnnotationText(int i, const QString& text) {
    if (auto* a = m_model.annotation(i))
        a->text = text;
}

void PESGraph::setGraphAnnotationColor(int i, quint32 color) {
    if (auto* a = m_model.annotation(i))
        a->color = color;
}

void PESGraph::setGraphAnnotationTextSize(int percent) {
    m_model.look.graphAnnotationTextSize = std::clamp(percent, 1, 1000);
}

void PESGraph::setVertLineAnnotation(int i, double x) {
    if (auto* v = m_model.vertLine(i))
        v->x = x;
}

void PESGraph::setVertLineAnnotationText(int i, const QString& text) {
    if (auto* v = m_model.vertLine(i))
        v->text = text;
}

void PESGraph::setVertLineAnnotationColor(int i, quint32 color) {
    if (auto* v = m_model.vertLine(i))
        v->color = color;
}

void PESGraph::setLineAnnotationTextSize(int percent) {
    m_model.look.lineAnnotationTextSize = std::clamp(percent, 1, 1000);
}

QString PESGraph::TAText(int row, int column) const {
    const TableAnnotation& t = m_model.table;
    if (row < 0 || row >= t.rows || column < 0 || column >= t.columns)
        return {};
    return t.text[size_t(row) * size_t(t.columns) + size_t(column)];
}

void PESGraph::setTAText(int row, int column, const QString& text) {
    TableAnnotation& t = m_model.table;
    if (row >= 0 && row < t.rows && column >= 0 && column < t.columns)
        t.text[size_t(row) * size_t(t.columns) + size_t(column)] = text;
}

quint32 PESGraph::TAColor(int row, int column) const {
    const TableAnnotation& t = m_model.table;
    if (row < 0 || row >= t.rows || column < 0 || column >= t.columns)
        return 0;
    return t.colors[size_t(row) * size_t(t.columns) + size_t(column)];
}

void PESGraph::setTAColor(int row, int column, quint32 color) {
    TableAnnotation& t = m_model.table;
    if (row >= 0 && row < t.rows && column >= 0 && column < t.columns)
        t.colors[size_t(row) * size_t(t.columns) + size_t(column)] = color;
}

void PESGraph::setTATextSize(int percent) {
    m_model.table.textSize = std::clamp(percent, 1, 1000);
}

void PESGraph::setTAHeaderRows(int rows) {
    m_model.table.headerRows = std::clamp(rows, 0, ChartModel::kMaxTableCells);
}

void PESGraph::setGridLineControl(int lines) {
    if (lines >= pe::sgGridBoth && lines <= pe::sgGridNone)
        m_model.look.gridLineControl = lines;
}

void PESGraph::setGridStyle(int style) {
    if (style >= pe::sgSolid && style <= pe::sgDash)
        m_model.look.gridStyle = style;
}

void PESGraph::setFontSize(int points) {
    m_model.look.fontSize = std::clamp(points, 1, 200);
}

void PESGraph::setAllowZooming(int mode) {
    if (mode >= pe::sgNoZooming && mode <= pe::sgHorzPlusVertZooming)
        m_model.look.allowZooming = mode;
}

void PESGraph::setArrowCursor(int cursor) {
    if (cursor != pe::sgArrowCursor && cursor != pe::sgTextCursor)
        return;
    m_model.look.arrowCursor = cursor;
    applyCursor();
}

void PESGraph::setCustomCursor(const QCursor& cursor) {
    m_customCursor = cursor;
    m_model.look.arrowCursor = pe::sgCustomCursor;
    applyCursor();
}

// ---------------------------------------------------------------------------------------------
// Building the view.

double PESGraph::keyOf(double x) const {
    return m_model.look.dateTimeMode == pe::sgVBDateTime ? daysToAxisSeconds(x) : x;
}

double PESGraph::xOfKey(double key) const {
    return m_model.look.dateTimeMode == pe::sgVBDateTime ? axisSecondsToDays(key) : key;
}

QFont PESGraph::baseFont() const {
    QFont f = font();
    if (!m_model.look.fontFamily.isEmpty())
        f.setFamily(m_model.look.fontFamily);
    f.setPointSize(m_model.look.fontSize);
    return f;
}

std::vector<int> PESGraph::shape() const {
    std::vector<int> s{m_model.subsets(), m_model.axisCount(), !m_model.look.mainTitle.trimmed().isEmpty(),
                       !m_model.look.subTitle.trimmed().isEmpty()};
    for (int i = 0; i < m_model.subsets(); ++i)
        s.push_back(m_model.axisOfSubset(i));
    return s;
}

void PESGraph::rebuild() {
    m_plot->clearPlottables();
    m_plot->plotLayout()->clear();
    m_axisRects.clear();
    m_graphs.clear();
    m_legends.clear();
    m_mainTitle = nullptr;
    m_subTitle = nullptr;

    QCPLayoutGrid* layout = m_plot->plotLayout();
    int row = 0;
    if (!m_model.look.mainTitle.trimmed().isEmpty()) {
        m_mainTitle = new QCPTextElement(m_plot, m_model.look.mainTitle);
        layout->addElement(row++, 0, m_mainTitle);
    }
    if (!m_model.look.subTitle.trimmed().isEmpty()) {
        m_subTitle = new QCPTextElement(m_plot, m_model.look.subTitle);
        layout->addElement(row++, 0, m_subTitle);
    }
    m_axesGrid = new QCPLayoutGrid;
    layout->addElement(row, 0, m_axesGrid);
    for (int r = 0; r < row; ++r)
        layout->setRowStretchFactor(r, 0.001);
    layout->setRowStretchFactor(row, 1.0);

    const int axes = m_model.axisCount();
    for (int a = 0; a < axes; ++a) {
        auto* rect = new QCPAxisRect(m_plot, true);
        m_axesGrid->addElement(a, 0, rect);
        rect->setMarginGroup(QCP::msLeft | QCP::msRight, m_marginGroup);
        rect->axis(QCPAxis::atTop)->setVisible(true);
        rect->axis(QCPAxis::atTop)->setTickLabels(false);
        rect->axis(QCPAxis::atRight)->setVisible(true);
        rect->axis(QCPAxis::atRight)->setTickLabels(false);
        if (a < axes - 1)
            rect->axis(QCPAxis::atBottom)->setTickLabels(false);
        auto* legend = new QCPLegend;
        rect->insetLayout()->addElement(legend, Qt::AlignTop | Qt::AlignRight);
        legend->setLayer(QStringLiteral("legend"));
        m_axisRects.push_back(rect);
        m_legends.push_back(legend);
    }
    for (int s = 0; s < m_model.subsets(); ++s) {
        QCPAxisRect* rect = m_axisRects[size_t(m_model.axisOfSubset(s))];
        QCPGraph* graph = m_plot->addGraph(rect->axis(QCPAxis::atBottom), rect->axis(QCPAxis::atLeft));
        graph->setAntialiased(false);
        graph->setAdaptiveSampling(true);
        m_graphs.push_back(graph);
    }
    m_autoY.assign(size_t(axes), {0.0, 1.0});
    m_builtShape = shape();
    m_built = true;
    m_dataDirty = true;
}

void PESGraph::refresh() {
    if (!m_built || shape() != m_builtShape)
        rebuild();
    if (m_dataDirty)
        pushData();
    applyLook();
    applyRanges();
    applyCursor();
    m_plot->replot(QCustomPlot::rpQueuedReplot);
}

void PESGraph::pushData() {
    const int axes = m_model.axisCount();
    const double inf = std::numeric_limits<double>::infinity();
    std::vector<std::pair<double, double>> yRange(size_t(axes), {inf, -inf});
    std::pair<double, double> xRange{inf, -inf};
    const double gap = m_model.look.lineGapThreshold;
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const bool dateTime = m_model.look.dateTimeMode == pe::sgVBDateTime;

    for (int s = 0; s < m_model.subsets(); ++s) {
        const auto xs = m_model.xRow(s);
        const auto ys = m_model.yRow(s);
        QVector<QCPGraphData> data;
        data.reserve(qsizetype(xs.size()));
        bool sorted = true;
        double lastKey = -inf;
        double lastX = nan;
        auto& yr = yRange[size_t(m_model.axisOfSubset(s))];
        for (size_t p = 0; p < xs.size(); ++p) {
            const double key = dateTime ? daysToAxisSeconds(xs[p]) : xs[p];
            const bool null = m_model.isNull(ys[p]) || !std::isfinite(ys[p]);
            if (!null) {
                if (xs[p] - lastX > gap) // too far from the previous point: leave a gap
                    data.append(QCPGraphData((keyOf(lastX) + key) / 2, nan));
                lastX = xs[p];
                yr.first = std::min(yr.first, ys[p]);
                yr.second = std::max(yr.second, ys[p]);
                if (std::isfinite(xs[p])) {
                    xRange.first = std::min(xRange.first, xs[p]);
                    xRange.second = std::max(xRange.second, xs[p]);
                }
            }
            sorted = sorted && !(key < lastKey);
            lastKey = key;
            data.append(QCPGraphData(key, null ? nan : ys[p]));
        }
        m_graphs[size_t(s)]->data()->set(data, sorted);
    }
    for (int a = 0; a < axes; ++a) {
        auto [lo, hi] = yRange[size_t(a)];
        if (lo > hi) {
            m_autoY[size_t(a)] = {0.0, 1.0};
        } else {
            const double pad = (hi - lo) * 0.05;
            m_autoY[size_t(a)] = sanitized(lo - pad, hi + pad);
        }
    }
    m_autoX = xRange.first > xRange.second ? std::pair{0.0, 1.0} : xRange;
    m_dataDirty = false;
}

void PESGraph::applyLook() {
    const ChartLook& look = m_model.look;
    const QColor desk = colorFromPe(look.deskColor);
    const QColor back = colorFromPe(look.graphBackColor);
    const QColor fore = colorFromPe(look.graphForeColor);
    const QColor text = colorFromPe(look.textColor);
    const QFont font = baseFont();
    QFont titleFont = font;
    titleFont.setPointSize(font.pointSize() + 3);
    titleFont.setBold(look.titleBold);

    m_plot->setBackground(desk);
    if (m_mainTitle) {
        m_mainTitle->setText(look.mainTitle);
        m_mainTitle->setFont(titleFont);
        m_mainTitle->setTextColor(text);
    }
    if (m_subTitle) {
        m_subTitle->setText(look.subTitle);
        m_subTitle->setFont(font);
        m_subTitle->setTextColor(text);
    }
    const int spacing[] = {0, 3, 6, 10};
    m_axesGrid->setRowSpacing(spacing[std::clamp(look.separators, 0, 3)]);

    const bool xGrid = look.gridLineControl == pe::sgGridBoth || look.gridLineControl == pe::sgGridX;
    const bool yGrid = look.gridLineControl == pe::sgGridBoth || look.gridLineControl == pe::sgGridY;
    const QPen gridPen(fore, 0, gridPenStyle(look.gridStyle));
    const QPen axisPen(fore, 1);
    const auto ticker = look.dateTimeMode == pe::sgVBDateTime ? [&] {
        auto t = QSharedPointer<QCPAxisTickerDateTime>::create();
        t->setDateTimeSpec(Qt::UTC); // day counts are wall-clock time, no zone shift
        t->setDateTimeFormat(QStringLiteral("hh:mm:ss\n") + QLocale().dateFormat(QLocale::ShortFormat));
        return QSharedPointer<QCPAxisTicker>(t);
    }()
                                                              : QSharedPointer<QCPAxisTicker>::create();
    const int axes = int(m_axisRects.size());
    for (int a = 0; a < axes; ++a) {
        QCPAxisRect* rect = m_axisRects[size_t(a)];
        m_axesGrid->setRowStretchFactor(a, std::max(0.01, m_model.multiAxesProportion(a)));
        rect->setBackground(back);
        for (QCPAxis* axis : rect->axes()) {
            axis->setBasePen(axisPen);
            axis->setTickPen(axisPen);
            axis->setSubTickPen(axisPen);
            axis->setTickLabelColor(text);
            axis->setLabelColor(text);
            axis->setTickLabelFont(font);
            axis->setLabelFont(font);
            axis->grid()->setPen(gridPen);
            axis->grid()->setZeroLinePen(Qt::NoPen);
            axis->grid()->setSubGridVisible(false);
        }
        for (auto type : {QCPAxis::atBottom, QCPAxis::atTop})
            rect->axis(type)->setTicker(ticker);
        rect->axis(QCPAxis::atBottom)->grid()->setVisible(xGrid);
        rect->axis(QCPAxis::atLeft)->grid()->setVisible(yGrid);
        rect->axis(QCPAxis::atLeft)->setLabel(m_model.yAxisAt(a).label);
        rect->axis(QCPAxis::atBottom)->setLabel(a == axes - 1 ? look.xAxisLabel : QString());
        QCPLegend* legend = m_legends[size_t(a)];
        legend->clearItems();
        legend->setFont(font);
        // The legend sits on the graph background: keep its text readable on it.
        const bool bothDark = back.lightness() < 128 && text.lightness() < 128;
        const bool bothLight = back.lightness() >= 128 && text.lightness() >= 128;
        legend->setTextColor(bothDark ? QColor(Qt::white) : bothLight ? QColor(Qt::black) : text);
        legend->setBrush(back);
        legend->setBorderPen(axisPen);
    }

    const std::vector<int> drawn = m_model.drawnSubsets();
    for (int s = 0; s < int(m_graphs.size()); ++s) {
        QCPGraph* graph = m_graphs[size_t(s)];
        const bool visible = std::find(drawn.begin(), drawn.end(), s) != drawn.end();
        graph->setPen(QPen(colorFromPe(m_model.subsetColor(s)), 1));
        graph->setName(m_model.subsetLabel(s));
        graph->setVisible(visible);
        if (visible && !graph->name().isEmpty())
            graph->addToLegend(m_legends[size_t(m_model.axisOfSubset(s))]);
    }
    for (QCPLegend* legend : m_legends)
        legend->setVisible(legend->itemCount() > 0);
}

std::pair<double, double> PESGraph::viewRangeX() const {
    if (!m_model.zoomStack.empty())
        return {m_model.zoomStack.back().xMin, m_model.zoomStack.back().xMax};
    double lo = m_autoX.first;
    double hi = m_autoX.second;
    const int control = m_model.xScaleControl;
    if (control == pe::sgManualMin || control == pe::sgManualMinAndMax)
        lo = m_model.manualMinX;
    if (control == pe::sgManualMax || control == pe::sgManualMinAndMax)
        hi = m_model.manualMaxX;
    return {lo, hi};
}

std::pair<double, double> PESGraph::viewRangeY(int axis) const {
    if (!m_model.zoomStack.empty() && size_t(axis) < m_model.zoomStack.back().y.size())
        return m_model.zoomStack.back().y[size_t(axis)];
    const YAxisSettings& settings = m_model.yAxisAt(axis);
    auto [lo, hi] = size_t(axis) < m_autoY.size() ? m_autoY[size_t(axis)] : std::pair{0.0, 1.0};
    if (settings.scaleControl == pe::sgManualMin || settings.scaleControl == pe::sgManualMinAndMax)
        lo = settings.manualMin;
    if (settings.scaleControl == pe::sgManualMax || settings.scaleControl == pe::sgManualMinAndMax)
        hi = settings.manualMax;
    return {lo, hi};
}

void PESGraph::applyRanges() {
    const auto [xLo, xHi] = viewRangeX();
    const auto [kLo, kHi] = sanitized(keyOf(xLo), keyOf(xHi));
    for (size_t a = 0; a < m_axisRects.size(); ++a) {
        QCPAxisRect* rect = m_axisRects[a];
        rect->axis(QCPAxis::atBottom)->setRange(kLo, kHi);
        rect->axis(QCPAxis::atTop)->setRange(kLo, kHi);
        const auto [yLo, yHi] = viewRangeY(int(a));
        const auto [lo, hi] = sanitized(yLo, yHi);
        rect->axis(QCPAxis::atLeft)->setRange(lo, hi);
        rect->axis(QCPAxis::atRight)->setRange(lo, hi);
    }
}

void PESGraph::applyCursor() {
    switch (m_model.look.arrowCursor) {
    case pe::sgTextCursor:
        m_plot->setCursor(Qt::IBeamCursor);
        break;
    case pe::sgCustomCursor:
        m_plot->setCursor(m_customCursor);
        break;
    default:
        m_plot->setCursor(Qt::ArrowCursor);
        break;
    }
}

// ---------------------------------------------------------------------------------------------
// Geometry queries.

QRect PESGraph::plottingRect() const {
    QRect r;
    for (QCPAxisRect* rect : m_axisRects)
        r = r.united(rect->rect());
    return r;
}

QPointF PESGraph::pixelToData(QPoint pixel) const {
    if (m_axisRects.empty())
        return {};
    QCPAxisRect* rect = m_axisRects.front();
    return {xOfKey(rect->axis(QCPAxis::atBottom)->pixelToCoord(pixel.x())),
            rect->axis(QCPAxis::atLeft)->pixelToCoord(pixel.y())};
}

QPointF PESGraph::dataToPixel(double x, double y) const {
    if (m_axisRects.empty())
        return {};
    QCPAxisRect* rect = m_axisRects.front();
    return {rect->axis(QCPAxis::atBottom)->coordToPixel(keyOf(x)),
            rect->axis(QCPAxis::atLeft)->coordToPixel(y)};
}

int PESGraph::axisRectAt(QPoint pixel) const {
    for (size_t a = 0; a < m_axisRects.size(); ++a) {
        if (m_axisRects[a]->rect().contains(pixel))
            return int(a);
    }
    return -1;
}

// ---------------------------------------------------------------------------------------------
// Annotations.

QRectF PESGraph::annotationRect(const GraphAnnotation& a, const QFont& font) const {
    const QStringList lines = annotationLines(a.text);
    const bool hasText = !a.text.isEmpty();
    if (a.type != pe::sgCrossMark && !hasText)
        return {}; // nothing drawn: an emptied text mark
    const QPointF anchor = dataToPixel(a.x, a.y);
    QRectF box;
    if (a.type == pe::sgCrossMark)
        box = QRectF(anchor.x() - kCrossArm, anchor.y() - kCrossArm, 2 * kCrossArm + 1, 2 * kCrossArm + 1);
    if (hasText) {
        const QFontMetrics fm(font);
        qreal width = 0;
        for (const QString& line : lines)
            width = std::max<qreal>(width, fm.horizontalAdvance(line));
        const qreal left = anchor.x() + (a.type == pe::sgCrossMark ? kCrossArm + 2 : 0);
        const QRectF textBox(left, anchor.y() - fm.height() / 2.0, width, fm.height() * lines.size());
        box = box.isNull() ? textBox : box.united(textBox);
    }
    return box;
}

QRect PESGraph::tableRect() const {
    const TableAnnotation& t = m_model.table;
    if (!t.show || t.rows <= 0 || t.columns <= 0)
        return {};
    QFont font = baseFont();
    font.setPointSizeF(std::max(1.0, font.pointSizeF() * t.textSize / 100.0));
    QFont bold = font;
    bold.setBold(true);
    const QFontMetrics fm(font);
    const QFontMetrics fmBold(bold);
    int width = 0;
    for (int c = 0; c < t.columns; ++c) {
        int w = 0;
        for (int r = 0; r < t.rows; ++r) {
            const bool header = r < t.headerRows || (c == 0 && t.headerColumn);
            w = std::max(
                w,
                (header ? fmBold : fm).horizontalAdvance(t.text[size_t(r) * size_t(t.columns) + size_t(c)]));
        }
        width += w + 8;
    }
    const QRect plot = plottingRect();
    return QRect(plot.left() + kTableMargin + t.dragX, plot.top() + kTableMargin + t.dragY, width,
                 (fm.height() + 2) * t.rows + 4);
}

void PESGraph::paintAnnotations(QCPPainter* painter) {
    const QRect plot = plottingRect();
    if (plot.isEmpty() || m_axisRects.empty())
        return;
    painter->save();
    painter->setClipRect(plot);
    const ChartModel& m = m_model;

    if (m.look.showVertLineAnnotations && !m.vertLines().empty()) {
        QFont font = baseFont();
        font.setPointSizeF(std::max(1.0, font.pointSizeF() * m.look.lineAnnotationTextSize / 100.0));
        painter->setFont(font);
        for (const ::VertLineAnnotation& v : m.vertLines()) {
            const double px = dataToPixel(v.x, 0).x();
            if (px < plot.left() || px > plot.right())
                continue;
            painter->setPen(QPen(colorFromPe(v.color), 1));
            painter->drawLine(QLineF(px, plot.top(), px, plot.bottom()));
            if (!v.text.isEmpty())
                painter->drawText(QPointF(px + 3, plot.top() + QFontMetrics(font).ascent() + 2), v.text);
        }
    }

    if (m.look.showAnnotations && !m.annotations().empty()) {
        QFont font = baseFont();
        font.setPointSizeF(std::max(1.0, font.pointSizeF() * m.look.graphAnnotationTextSize / 100.0));
        painter->setFont(font);
        const QFontMetrics fm(font);
        for (const GraphAnnotation& a : m.annotations()) {
            const QRectF box = annotationRect(a, font);
            if (box.isNull() || !box.intersects(plot))
                continue;
            const QPointF anchor = dataToPixel(a.x, a.y);
            painter->setPen(QPen(colorFromPe(a.color), 1));
            if (a.type == pe::sgCrossMark) {
                painter->drawLine(QLineF(anchor.x() - kCrossArm, anchor.y() - kCrossArm,
                                         anchor.x() + kCrossArm, anchor.y() + kCrossArm));
                painter->drawLine(QLineF(anchor.x() - kCrossArm, anchor.y() + kCrossArm,
                                         anchor.x() + kCrossArm, anchor.y() - kCrossArm));
            }
            if (a.text.isEmpty())
                continue;
            const qreal left = anchor.x() + (a.type == pe::sgCrossMark ? kCrossArm + 2 : 0);
            qreal baseline = anchor.y() - fm.height() / 2.0 + fm.ascent();
            for (const QString& line : annotationLines(a.text)) {
                painter->drawText(QPointF(left, baseline), line);
                baseline += fm.height();
            }
        }
    }

    const QRect table = tableRect();
    if (!table.isNull()) {
        const TableAnnotation& t = m.table;
        painter->setClipping(false);
        painter->setBrush(colorFromPe(t.backColor));
        const QColor fore = colorFromPe(m.look.graphForeColor);
        if (t.border == pe::sgNoBorder) {
            painter->setPen(Qt::NoPen);
            painter->drawRect(table);
        } else {
            painter->setPen(QPen(t.border == pe::sgInset ? fore.darker(150) : fore, 1));
            painter->drawRect(table);
            if (t.border == pe::sgInset) {
                painter->setPen(QPen(QColor(255, 255, 255), 1));
                painter->drawLine(table.bottomLeft() + QPoint(1, 0), table.bottomRight());
                painter->drawLine(table.topRight() + QPoint(0, 1), table.bottomRight());
            } else if (t.border == pe::sgShadow) {
                painter->fillRect(QRect(table.left() + 3, table.bottom() + 1, table.width(), 3),
                                  QColor(0, 0, 0, 96));
                painter->fillRect(QRect(table.right() + 1, table.top() + 3, 3, table.height()),
                                  QColor(0, 0, 0, 96));
            }
        }
        QFont font = baseFont();
        font.setPointSizeF(std::max(1.0, font.pointSizeF() * t.textSize / 100.0));
        QFont bold = font;
        bold.setBold(true);
        const QFontMetrics fm(font);
        const QFontMetrics fmBold(bold);
        int x = table.left() + 4;
        for (int c = 0; c < t.columns; ++c) {
            int w = 0;
            for (int r = 0; r < t.rows; ++r) {
                const bool header = r < t.headerRows || (c == 0 && t.headerColumn);
                const QString& cell = t.text[size_t(r) * size_t(t.columns) + size_t(c)];
                w = std::max(w, (header ? fmBold : fm).horizontalAdvance(cell));
                painter->setFont(header ? bold : font);
                painter->setPen(colorFromPe(t.colors[size_t(r) * size_t(t.columns) + size_t(c)]));
                painter->drawText(QPointF(x, table.top() + 2 + r * (fm.height() + 2) + fm.ascent()), cell);
            }
            x += w + 8;
        }
    }
    painter->restore();
}

int PESGraph::annotationAt(QPoint pixel) const {
    if (!m_model.look.allowGraphAnnotHotSpots || !m_model.look.showAnnotations)
        return -1;
    QFont font = baseFont();
    font.setPointSizeF(std::max(1.0, font.pointSizeF() * m_model.look.graphAnnotationTextSize / 100.0));
    const auto& list = m_model.annotations();
    for (int i = int(list.size()) - 1; i >= 0; --i) { // the one drawn last lies on top
        const QRectF box = annotationRect(list[size_t(i)], font);
        if (!box.isNull() && box.adjusted(-3, -3, 3, 3).contains(pixel))
            return i;
    }
    return -1;
}

std::pair<int, int> PESGraph::dataPointAt(QPoint pixel) const {
    if (!m_model.look.allowDataHotSpots)
        return {-1, -1};
    std::pair<int, int> best{-1, -1};
    double bestDistance = kHotSpotPixels * kHotSpotPixels + 0.5;
    for (int s : m_model.drawnSubsets()) {
        QCPAxisRect* rect = m_axisRects[size_t(m_model.axisOfSubset(s))];
        if (!rect->rect().contains(pixel))
            continue;
        QCPAxis* xAxis = rect->axis(QCPAxis::atBottom);
        QCPAxis* yAxis = rect->axis(QCPAxis::atLeft);
        const auto xs = m_model.xRow(s);
        const auto ys = m_model.yRow(s);
        for (size_t p = 0; p < xs.size(); ++p) {
            if (m_model.isNull(ys[p]))
                continue;
            const double dx = xAxis->coordToPixel(keyOf(xs[p])) - pixel.x();
            const double dy = yAxis->coordToPixel(ys[p]) - pixel.y();
            const double d = dx * dx + dy * dy;
            if (d < bestDistance) {
                bestDistance = d;
                best = {s, int(p)};
            }
        }
    }
    return best;
}

// ---------------------------------------------------------------------------------------------
// Mouse: a press and release in place (give or take a shaky hand) is a click; a drag draws the zoom band, or
// moves the table when it starts on a moveable table.

void PESGraph::mousePress(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return;
    m_pressPos = event->position().toPoint();
    m_lastMouse = m_pressPos;
    m_pressed = true;
    m_banding = false;
    m_moved = false;
    m_tableDrag = m_model.table.moveable != pe::sgTANotMoveable && tableRect().contains(m_pressPos);
    m_tableDragStart = QPoint(m_model.table.dragX, m_model.table.dragY);
}

void PESGraph::mouseMove(QMouseEvent* event) {
    m_lastMouse = event->position().toPoint();
    if (m_pressed && (event->buttons() & Qt::LeftButton)) {
        const QPoint delta = m_lastMouse - m_pressPos;
        m_moved = m_moved || delta.manhattanLength() >= kBandThreshold;
        if (m_tableDrag) {
            m_model.table.dragX = std::clamp(m_tableDragStart.x() + delta.x(), -100000, 100000);
            m_model.table.dragY = std::clamp(m_tableDragStart.y() + delta.y(), -100000, 100000);
            m_plot->layer(QStringLiteral("annotations"))->replot();
        } else if (m_model.look.allowZooming != pe::sgNoZooming && m_moved) {
            m_banding = true;
            const QRect plot = plottingRect();
            QRect band = QRect(m_pressPos, m_lastMouse).normalized();
            if (m_model.look.allowZooming == pe::sgHorzZooming)
                band = QRect(band.left(), plot.top(), band.width(), plot.height());
            else if (m_model.look.allowZooming == pe::sgVertZooming)
                band = QRect(plot.left(), band.top(), plot.width(), band.height());
            m_overlay->setBand(band.intersected(plot));
            m_plot->layer(QStringLiteral("overlay"))->replot();
        }
    }
    emit OnMouseMove();
}

void PESGraph::mouseRelease(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !m_pressed)
        return;
    m_pressed = false;
    m_lastMouse = event->position().toPoint();
    if (m_tableDrag) {
        m_tableDrag = false;
        return;
    }
    if (m_banding) {
        m_banding = false;
        const QRect band = m_overlay->band();
        m_overlay->setBand({});
        m_plot->layer(QStringLiteral("overlay"))->replot();
        zoomTo(band);
        return;
    }
    if (m_moved) // a drag that did not zoom is no click either
        return;
    // Hits are taken before OnClick, whose handler may add marks under the pointer.
    const int annotation = annotationAt(m_lastMouse);
    const auto [subset, point] = dataPointAt(m_lastMouse);
    const bool inPlot = plottingRect().contains(m_lastMouse);
    emit OnClick();
    if (annotation >= 0)
        emit OnGraphAnnotHotSpot(false, annotation);
    if (subset >= 0)
        emit OnDataHotSpot(subset, point);
    if (inPlot && m_model.look.allowGraphHotSpots)
        emit OnGraphHotSpot();
}

void PESGraph::mouseDoubleClick(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return;
    m_lastMouse = event->position().toPoint();
    const int annotation = annotationAt(m_lastMouse);
    if (annotation >= 0)
        emit OnGraphAnnotHotSpot(true, annotation);
}

void PESGraph::zoomTo(const QRect& band) {
    const int mode = m_model.look.allowZooming;
    const bool horz = mode == pe::sgHorzZooming || mode == pe::sgHorzPlusVertZooming;
    const bool vert = mode == pe::sgVertZooming || mode == pe::sgHorzPlusVertZooming;
    if ((horz && band.width() < kMinZoomPixels) || (vert && band.height() < kMinZoomPixels) ||
        m_axisRects.empty())
        return;
    ZoomView view;
    std::tie(view.xMin, view.xMax) = viewRangeX();
    for (int a = 0; a < int(m_axisRects.size()); ++a)
        view.y.push_back(viewRangeY(a));
    const int a = std::max(0, axisRectAt(m_pressPos));
    QCPAxisRect* rect = m_axisRects[size_t(a)];
    if (horz) {
        QCPAxis* x = rect->axis(QCPAxis::atBottom);
        view.xMin = xOfKey(x->pixelToCoord(band.left()));
        view.xMax = xOfKey(x->pixelToCoord(band.right()));
    }
    if (vert) {
        QCPAxis* y = rect->axis(QCPAxis::atLeft);
        view.y[size_t(a)] = {y->pixelToCoord(band.bottom()), y->pixelToCoord(band.top())};
    }
    m_model.zoomStack.push_back(std::move(view));
    applyRanges();
    m_plot->replot(QCustomPlot::rpQueuedReplot);
    emit OnZoomIn();
}

void PESGraph::undoZoom() {
    if (m_model.zoomStack.empty())
        return;
    m_model.zoomStack.clear();
    applyRanges();
    m_plot->replot(QCustomPlot::rpQueuedReplot);
}

// ---------------------------------------------------------------------------------------------
// Actions, dialogs, printing, state.

void PESGraph::setPEactions(int action) {
    switch (action) {
    case pe::sgResetImage:
        refresh();
        break;
    case pe::sgInvalidateImage:
        m_plot->replot(QCustomPlot::rpQueuedReplot);
        break;
    case pe::sgReinitAndReset:
        // A new shape invalidates any zoomed view of the old one.
        if (shape() != m_builtShape)
            m_model.zoomStack.clear();
        rebuild();
        refresh();
        break;
    case pe::sgCustomize:
        customize();
        break;
    case pe::sgUndoZoom:
        undoZoom();
        break;
    case pe::sgPrintDialog:
        printDialog();
        break;
    default:
        break;
    }
}

void PESGraph::customize() {
    ChartCustomizeDialog dialog(m_model, m_prompter, this);
    const bool ok = m_prompter.runDialog(dialog) == QDialog::Accepted;
    m_dialogResult = ok ? 1 : 0;
    if (ok) {
        dialog.applyTo(m_model);
        refresh();
    }
    emit OnCustomizeDlg();
}

void PESGraph::printDialog() {
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageOrientation(QPageLayout::Landscape);
    QPrintDialog dialog(&printer, this);
    if (m_prompter.runDialog(dialog) == QDialog::Accepted)
        print(printer);
}

bool PESGraph::print(QPrinter& printer) {
    refresh();
    // Lay the chart out at its on-screen size (or a sensible one when it was never shown), then
    // scale that drawing to fit the page, keeping its proportions.
    const int width = m_plot->width() >= 200 ? m_plot->width() : 1000;
    const int height = m_plot->height() >= 150 ? m_plot->height() : 700;
    // Fonts are sized in points, so the page is measured at the screen's resolution too: on a
    // high-resolution printer the text would otherwise be scaled up twice.
    const int resolution = printer.resolution();
    const int screenResolution = logicalDpiY() > 0 ? logicalDpiY() : 96;
    printer.setResolution(screenResolution);
    QCPPainter painter;
    bool printed = false;
    if (painter.begin(&printer)) {
        const double scale = std::min(double(printer.width()) / width, double(printer.height()) / height);
        painter.setMode(QCPPainter::pmVectorized);
        painter.setMode(QCPPainter::pmNoCaching);
        painter.scale(scale, scale);
        m_plot->toPainter(&painter, width, height);
        printed = painter.end();
    }
    printer.setResolution(resolution);
    return printed;
}

QByteArray PESGraph::storeState() const {
    return ChartState::store(m_model);
}

bool PESGraph::loadState(const QByteArray& bytes) {
    ChartModel restored;
    QString error;
    if (!ChartState::restore(bytes, restored, error)) {
        m_lastError = error;
        return false;
    }
    m_lastError.clear();
    m_model = std::move(restored);
    m_dataDirty = true;
    rebuild();
    refresh();
    return true;
}
