#include "pes_graph.h"

#include "graph/chart_customize_dialog.h"
#include "graph/chart_state.h"
#include "graph/pes_graph_layers.h"
#include "platform/prompter.h"

#include <QPrintDialog>
#include <QPrinter>
#include <QScrollBar>
#include <algorithm>
#include <cmath>
#include <limits>
#include <qcustomplot.h>

using namespace pesgraph;

namespace {

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

ChartWidget::ChartWidget(Prompter& prompter, QWidget* parent) : QWidget(parent), m_prompter(prompter) {
    // The plot fills the widget; the scroll bars of a zoomed view take a strip beside it.
    m_plot = new QCustomPlot(this);
    m_hBar = new QScrollBar(Qt::Horizontal, this);
    m_hBar->setObjectName(QStringLiteral("horizontalScrollBar"));
    m_hBar->hide();
    connect(m_hBar, &QScrollBar::valueChanged, this, &ChartWidget::scrollBarMoved);
    m_plot->setMouseTracking(true);
    m_plot->setAutoAddPlottableToLegend(false);
    m_plot->setPlottingHint(QCP::phCacheLabels, true);
    m_plot->setNotAntialiasedElements(QCP::aePlottables | QCP::aeGrid | QCP::aeAxes);
    m_plot->addLayer(QStringLiteral("annotations"), m_plot->layer(QStringLiteral("main")),
                     QCustomPlot::limAbove);
    // The annotation and overlay layers get buffers of their own only while a drag redraws them
    // alone (pes_graph_interaction.cpp): every extra buffer costs a full-size clear and blend on
    // each replot, which a recording pays once per sample. QCustomPlot buffers "overlay" by default.
    setDragLayer(QStringLiteral("overlay"), false);
    m_marginGroup = new QCPMarginGroup(m_plot);
    m_limitLinePainter = new LimitLinePainter(m_plot, this); // under the marks and the table
    m_annotationPainter = new AnnotationPainter(m_plot, this);
    m_overlay = new Overlay(m_plot);

    connect(m_plot, &QCustomPlot::mousePress, this, &ChartWidget::mousePress);
    connect(m_plot, &QCustomPlot::mouseMove, this, &ChartWidget::mouseMove);
    connect(m_plot, &QCustomPlot::mouseRelease, this, &ChartWidget::mouseRelease);
    connect(m_plot, &QCustomPlot::mouseDoubleClick, this, &ChartWidget::mouseDoubleClick);
    connect(m_plot, &QCustomPlot::mouseWheel, this, &ChartWidget::wheelZoom);
    connect(m_plot, &QCustomPlot::afterLayout, this, [this] {
        placeScrollBars();
        fitTickCounts();
    });

    rebuild();
    refresh();
}

ChartWidget::~ChartWidget() = default;

// ---------------------------------------------------------------------------------------------
// Property writes that need more than a plain store.

void ChartWidget::setSubsets(int count) {
    if (m_model.setSubsets(count))
        markData();
}

void ChartWidget::setPoints(int count) {
    if (m_model.setPoints(count))
        markData();
}

void ChartWidget::setXDataII(int subset, int point, double value) {
    noteCellWrite(subset, point);
    m_model.setX(subset, point, value);
}

void ChartWidget::setYData(int subset, int point, float value) {
    noteCellWrite(subset, point);
    m_model.setY(subset, point, double(value));
}

void ChartWidget::setYDataII(int subset, int point, double value) {
    noteCellWrite(subset, point);
    m_model.setY(subset, point, value);
}

void ChartWidget::setXDataArray(std::span<const double> values) {
    m_model.setXArray(values);
    markData();
}

void ChartWidget::setYDataArray(std::span<const float> values) {
    m_model.setYArray(values);
    markData();
}

void ChartWidget::setYDataIIArray(std::span<const double> values) {
    m_model.setYArray(values);
    markData();
}

void ChartWidget::setNullDataValueY(double value) {
    m_model.look.nullDataValueY = value;
    markData();
}

void ChartWidget::setLineGapThreshold(double value) {
    if (std::isnan(value))
        return;
    m_model.look.lineGapThreshold = value;
    markData();
}

void ChartWidget::setManualMinY(double value) {
    if (std::isfinite(value))
        m_model.yAxis(WorkingAxis()).manualMin = value;
}

void ChartWidget::setManualMaxY(double value) {
    if (std::isfinite(value))
        m_model.yAxis(WorkingAxis()).manualMax = value;
}

void ChartWidget::setManualMinX(double value) {
    if (std::isfinite(value))
        m_model.manualMinX = value;
}

void ChartWidget::setManualMaxX(double value) {
    if (std::isfinite(value))
        m_model.manualMaxX = value;
}

const GraphAnnotation& ChartWidget::annotationAt(int i) const {
    static const GraphAnnotation none;
    return i >= 0 && size_t(i) < m_model.annotations().size() ? m_model.annotations()[size_t(i)] : none;
}

const ::VertLineAnnotation& ChartWidget::vertLineAt(int i) const {
    static const ::VertLineAnnotation none;
    return i >= 0 && size_t(i) < m_model.vertLines().size() ? m_model.vertLines()[size_t(i)] : none;
}

void ChartWidget::setGraphAnnotationType(int i, int type) {
    if (auto* a = m_model.annotation(i); a && type >= 0 && type <= 255)
        a->type = type;
}

void ChartWidget::setGraphAnnotationX(int i, double x) {
    if (auto* a = m_model.annotation(i))
        a->x = x;
}

void ChartWidget::setGraphAnnotationY(int i, double y) {
    if (auto* a = m_model.annotation(i))
        a->y = y;
}

void ChartWidget::setGraphAnnotationText(int i, const QString& text) {
    if (auto* a = m_model.annotation(i))
        a->text = text;
}

void ChartWidget::setGraphAnnotationColor(int i, quint32 color) {
    if (auto* a = m_model.annotation(i))
        a->color = color;
}

void ChartWidget::setGraphAnnotationTextSize(int percent) {
    m_model.look.graphAnnotationTextSize = std::clamp(percent, 1, 1000);
}

void ChartWidget::setVertLineAnnotation(int i, double x) {
    if (auto* v = m_model.vertLine(i))
        v->x = x;
}

void ChartWidget::setVertLineAnnotationText(int i, const QString& text) {
    if (auto* v = m_model.vertLine(i))
        v->text = text;
}

void ChartWidget::setVertLineAnnotationColor(int i, quint32 color) {
    if (auto* v = m_model.vertLine(i))
        v->color = color;
}

void ChartWidget::setLineAnnotationTextSize(int percent) {
    m_model.look.lineAnnotationTextSize = std::clamp(percent, 1, 1000);
}

QString ChartWidget::TAText(int row, int column) const {
    const TableAnnotation& t = m_model.table;
    if (row < 0 || row >= t.rows || column < 0 || column >= t.columns)
        return {};
    return t.text[size_t(row) * size_t(t.columns) + size_t(column)];
}

void ChartWidget::setTAText(int row, int column, const QString& text) {
    TableAnnotation& t = m_model.table;
    if (row >= 0 && row < t.rows && column >= 0 && column < t.columns)
        t.text[size_t(row) * size_t(t.columns) + size_t(column)] = text;
}

quint32 ChartWidget::TAColor(int row, int column) const {
    const TableAnnotation& t = m_model.table;
    if (row < 0 || row >= t.rows || column < 0 || column >= t.columns)
        return 0;
    return t.colors[size_t(row) * size_t(t.columns) + size_t(column)];
}

void ChartWidget::setTAColor(int row, int column, quint32 color) {
    TableAnnotation& t = m_model.table;
    if (row >= 0 && row < t.rows && column >= 0 && column < t.columns)
        t.colors[size_t(row) * size_t(t.columns) + size_t(column)] = color;
}

void ChartWidget::setTATextSize(int percent) {
    m_model.table.textSize = std::clamp(percent, 1, 1000);
}

void ChartWidget::setTAHeaderRows(int rows) {
    m_model.table.headerRows = std::clamp(rows, 0, ChartModel::kMaxTableCells);
}

void ChartWidget::setGridLineControl(int lines) {
    if (lines >= pe::sgGridBoth && lines <= pe::sgGridNone)
        m_model.look.gridLineControl = lines;
}

void ChartWidget::setGridStyle(int style) {
    if (style >= pe::sgSolid && style <= pe::sgDash)
        m_model.look.gridStyle = style;
}

void ChartWidget::setFontSize(int points) {
    m_model.look.fontSize = std::clamp(points, 1, 200);
}

void ChartWidget::setAllowZooming(int mode) {
    if (mode >= pe::sgNoZooming && mode <= pe::sgHorzPlusVertZooming)
        m_model.look.allowZooming = mode;
}

void ChartWidget::setArrowCursor(int cursor) {
    if (cursor != pe::sgArrowCursor && cursor != pe::sgTextCursor)
        return;
    m_model.look.arrowCursor = cursor;
    applyCursor();
}

void ChartWidget::setCustomCursor(const QCursor& cursor) {
    m_customCursor = cursor;
    m_model.look.arrowCursor = pe::sgCustomCursor;
    applyCursor();
}

// ---------------------------------------------------------------------------------------------
// Building the view.

double ChartWidget::keyOf(double x) const {
    return m_model.look.dateTimeMode == pe::sgVBDateTime ? daysToAxisSeconds(x) : x;
}

double ChartWidget::xOfKey(double key) const {
    return m_model.look.dateTimeMode == pe::sgVBDateTime ? axisSecondsToDays(key) : key;
}

QFont ChartWidget::baseFont() const {
    QFont f = font();
    if (!m_model.look.fontFamily.isEmpty())
        f.setFamily(m_model.look.fontFamily);
    f.setPointSize(m_model.look.fontSize);
    return f;
}

std::vector<int> ChartWidget::shape() const {
    std::vector<int> s{m_model.subsets(), m_model.axisCount(), !m_model.look.mainTitle.trimmed().isEmpty(),
                       !m_model.look.subTitle.trimmed().isEmpty()};
    for (int i = 0; i < m_model.subsets(); ++i)
        s.push_back(m_model.axisOfSubset(i));
    return s;
}

void ChartWidget::rebuild() {
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
    while (int(m_vBars.size()) > axes) {
        delete m_vBars.back();
        m_vBars.pop_back();
    }
    while (int(m_vBars.size()) < axes) {
        auto* bar = new QScrollBar(Qt::Vertical, this);
        bar->setObjectName(QStringLiteral("verticalScrollBar%1").arg(m_vBars.size()));
        bar->hide();
        connect(bar, &QScrollBar::valueChanged, this, &ChartWidget::scrollBarMoved);
        m_vBars.push_back(bar);
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

void ChartWidget::refresh() {
    if (!m_built || shape() != m_builtShape)
        rebuild();
    if (m_dataDirty || (!m_pendingCells.empty() && !appendPendingCells()))
        pushData();
    applyLook();
    applyRanges();
    applyCursor();
    updateScrollBars();
    m_plot->replot(QCustomPlot::rpQueuedReplot);
}

void ChartWidget::applyLook() {
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
    // Between stacked axes the separator line is drawn (pes_graph_annotations.cpp).
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

std::pair<double, double> ChartWidget::viewRangeX() const {
    if (!m_model.zoomStack.empty())
        return {m_model.zoomStack.back().xMin, m_model.zoomStack.back().xMax};
    return fullRangeX();
}

std::pair<double, double> ChartWidget::fullRangeX() const {
    double lo = m_autoX.first;
    double hi = m_autoX.second;
    const int control = m_model.xScaleControl;
    if (control == pe::sgManualMin || control == pe::sgManualMinAndMax)
        lo = m_model.manualMinX;
    if (control == pe::sgManualMax || control == pe::sgManualMinAndMax)
        hi = m_model.manualMaxX;
    return {lo, hi};
}

std::pair<double, double> ChartWidget::viewRangeY(int axis) const {
    if (!m_model.zoomStack.empty() && size_t(axis) < m_model.zoomStack.back().y.size())
        return m_model.zoomStack.back().y[size_t(axis)];
    return fullRangeY(axis);
}

std::pair<double, double> ChartWidget::fullRangeY(int axis) const {
    const YAxisSettings& settings = m_model.yAxisAt(axis);
    auto [lo, hi] = size_t(axis) < m_autoY.size() ? m_autoY[size_t(axis)] : std::pair{0.0, 1.0};
    if (settings.scaleControl == pe::sgManualMin || settings.scaleControl == pe::sgManualMinAndMax)
        lo = settings.manualMin;
    if (settings.scaleControl == pe::sgManualMax || settings.scaleControl == pe::sgManualMinAndMax)
        hi = settings.manualMax;
    return {lo, hi};
}

void ChartWidget::applyRanges() {
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
    emit viewChanged();
}

void ChartWidget::fitTickCounts() {
    // A low axis area gets fewer Y ticks, so that its tick labels never run into each other. The
    // layout is known only now; a changed count shows with the next drawing.
    const int labelHeight = QFontMetrics(baseFont()).height();
    bool changed = false;
    for (QCPAxisRect* rect : m_axisRects) {
        const int count = std::clamp(rect->rect().height() / std::max(1, 2 * labelHeight), 1, 5);
        for (auto type : {QCPAxis::atLeft, QCPAxis::atRight}) {
            QCPAxisTicker* ticker = rect->axis(type)->ticker().data();
            if (ticker && ticker->tickCount() != count) {
                ticker->setTickCount(count);
                changed = true;
            }
        }
    }
    if (changed)
        m_plot->replot(QCustomPlot::rpQueuedReplot);
}

void ChartWidget::applyCursor() {
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

QRect ChartWidget::plottingRect() const {
    QRect r;
    for (QCPAxisRect* rect : m_axisRects)
        r = r.united(rect->rect());
    return r;
}

QPointF ChartWidget::pixelToData(QPoint pixel) const {
    if (m_axisRects.empty())
        return {};
    QCPAxisRect* rect = m_axisRects.front();
    return {xOfKey(rect->axis(QCPAxis::atBottom)->pixelToCoord(pixel.x())),
            rect->axis(QCPAxis::atLeft)->pixelToCoord(pixel.y())};
}

QPointF ChartWidget::pixelToDataOnAxis(QPoint pixel, int axis) const {
    if (axis < 0 || size_t(axis) >= m_axisRects.size())
        return pixelToData(pixel);
    QCPAxisRect* rect = m_axisRects[size_t(axis)];
    return {xOfKey(rect->axis(QCPAxis::atBottom)->pixelToCoord(pixel.x())),
            rect->axis(QCPAxis::atLeft)->pixelToCoord(pixel.y())};
}

QPointF ChartWidget::dataToPixel(double x, double y) const {
    if (m_axisRects.empty())
        return {};
    QCPAxisRect* rect = m_axisRects.front();
    return {rect->axis(QCPAxis::atBottom)->coordToPixel(keyOf(x)),
            rect->axis(QCPAxis::atLeft)->coordToPixel(y)};
}

int ChartWidget::axisRectAt(QPoint pixel) const {
    for (size_t a = 0; a < m_axisRects.size(); ++a) {
        if (m_axisRects[a]->rect().contains(pixel))
            return int(a);
    }
    return -1;
}

// ---------------------------------------------------------------------------------------------
// Actions, dialogs, printing, state.

void ChartWidget::setPEactions(int action) {
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

void ChartWidget::customize() {
    ChartCustomizeDialog dialog(m_model, m_prompter, this);
    const bool ok = m_prompter.runDialog(dialog) == QDialog::Accepted;
    m_dialogResult = ok ? 1 : 0;
    if (ok) {
        dialog.applyTo(m_model);
        refresh();
    }
    emit customizeDialogRequested();
}

void ChartWidget::printDialog() {
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageOrientation(QPageLayout::Landscape);
    QPrintDialog dialog(&printer, this);
    if (m_prompter.runDialog(dialog) == QDialog::Accepted)
        print(printer);
}

bool ChartWidget::print(QPrinter& printer) {
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

QByteArray ChartWidget::storeState() const {
    return ChartState::store(m_model);
}

bool ChartWidget::loadState(const QByteArray& bytes) {
    ChartModel restored;
    QString error;
    if (!ChartState::restore(bytes, restored, error)) {
        m_lastError = error;
        return false;
    }
    m_lastError.clear();
    m_model = std::move(restored);
    markData();
    rebuild();
    refresh();
    return true;
}
