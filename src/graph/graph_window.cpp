#include "graph_window.h"

#include "graph/flow_layout.h"
#include "graph/graph_file.h"
#include "graph/graph_statistics.h"
#include "graph/pes_graph.h"
#include "platform/clock.h"
#include "platform/install_paths.h"
#include "platform/prompter.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSplitter>
#include <QToolButton>
#include <QVBoxLayout>

#include <utility>

namespace {

QString& programDirectoryOverride() {
    static QString dir;
    return dir;
}

QToolButton* toolButton(QWidget* parent, const QString& name, const QString& text, const QString& hint,
                        bool checkable) {
    auto* b = new QToolButton(parent);
    b->setObjectName(name);
    b->setText(text);
    b->setToolTip(hint);
    b->setCheckable(checkable);
    b->setAutoRaise(true);
    return b;
}

QPushButton* pushButton(QWidget* parent, const QString& name, const QString& text, const QString& hint = {}) {
    auto* b = new QPushButton(text, parent);
    b->setObjectName(name);
    if (!hint.isEmpty())
        b->setToolTip(hint);
    return b;
}

QLineEdit* field(QWidget* parent, const QString& name, const QString& text = {}) {
    auto* e = new QLineEdit(text, parent);
    e->setObjectName(name);
    e->setReadOnly(true);
    return e;
}

QFrame* divider(QWidget* parent) {
    auto* f = new QFrame(parent);
    f->setFrameShape(QFrame::VLine);
    f->setFrameShadow(QFrame::Sunken);
    f->setFixedSize(6, parent->fontMetrics().height() + 8);
    return f;
}

// Wide enough for a date-time of this locale (the widest time of day, a two-digit day and month).
int dateTimeWidth(const QWidget* w, const QString& prefix = {}) {
    const double sample = toDateTimeValue(QDateTime(QDate(2026, 12, 28), QTime(23, 58, 58)));
    return w->fontMetrics().horizontalAdvance(prefix + graphstats::formatDateTime(sample)) + 14;
}

QStringList twoDigitItems() {
    QStringList items;
    for (int i = 0; i <= 60; ++i)
        items << QStringLiteral("%1").arg(i, 2, 10, QLatin1Char('0'));
    return items;
}

} // namespace

QString graphTemplateFile() {
    const QString dir =
        programDirectoryOverride().isEmpty() ? programWriteFolder() : programDirectoryOverride();
    return QDir(dir).filePath(QStringLiteral("template/graph.ghf"));
}

QString graphTemplateReadFile() {
    // The user's own saved look first; an installed program falls back to the template it ships.
    const QString own = graphTemplateFile();
    if (!programDirectoryOverride().isEmpty() || QFileInfo::exists(own))
        return own;
    const QString shipped = findProgramFile(QStringLiteral("template/graph.ghf"));
    return shipped.isEmpty() ? own : shipped;
}

void setGraphProgramDirectory(const QString& dir) {
    programDirectoryOverride() = dir;
}

bool configureGraph(ChartWidget& chart, int subsets, int points, double xStart, double xEnd, float ppmMin,
                    float ppmMax, float otherMin, float otherMax, QString* templateError) {
    // 1. The template's look, when there is one.
    const QString templatePath = graphTemplateReadFile();
    bool templateLoaded = false;
    bool templateOk = true;
    if (QFileInfo::exists(templatePath)) {
        templateLoaded = readGraphFile(chart, templatePath, templateError);
        templateOk = templateLoaded;
    }
    if (templateLoaded) {
        // The template gives the look only. What it stored about its own data goes: its zoomed
        // view, its MAX/MIN table, its marks, and a channel choice the new window's boxes do not show.
        chart.setPEactions(pe::sgUndoZoom);
        chart.setShowTableAnnotation(false);
        for (int i = 0; i < chart.GraphAnnotationCount(); ++i) {
            chart.setGraphAnnotationType(i, pe::sgNoSymbol);
            chart.setGraphAnnotationText(i, QString());
        }
        if (chart.model().randomSubsetsActive()) {
            chart.setRandomSubsetsToGraph(-1, 0);
            for (int s = 0; s < subsets; ++s)
                chart.setRandomSubsetsToGraph(s, s);
        }
        // Limits belong to the user's settings, not to the template's data.
        chart.setLimitLines({});
    }

    // 2.-3. Subsets and points, all cleared.
    chart.setNullDataValueY(99999.0);
    chart.setSubsets(subsets);
    chart.setPoints(points);
    chart.setXDataII(-1, 0, 0.0);
    chart.setYData(-1, 0, 99999.0f);

    // 4. The X range.
    if (xStart != 0.0) {
        chart.setManualScaleControlX(pe::sgManualMinAndMax);
        chart.setManualMinX(xStart);
        chart.setManualMaxX(xEnd);
    }

    // 5. The built-in look.
    if (!templateLoaded) {
        chart.setShowVertLineAnnotations(true);
        chart.setVertLineAnnotationColor(0, peRgb(0, 0, 255));
        chart.setVertLineAnnotationColor(1, peRgb(255, 0, 0));
        chart.setLineAnnotationTextSize(100);
        chart.setShowAnnotations(true);
        chart.setGraphAnnotationTextSize(100);
        chart.setGridStyle(pe::sgDot);
        chart.setMainTitle(QString());
        chart.setSubTitle(QStringLiteral(" "));
        chart.setDateTimeMode(pe::sgVBDateTime);
        chart.setXAxisLabel(QStringLiteral("Time"));
        chart.setAllowZooming(pe::sgHorzPlusVertZooming);
        chart.setGraphForeColor(peRgb(0, 128, 0));
        chart.setGraphBackColor(peRgb(0, 0, 0));
        chart.setDeskColor(peRgb(192, 192, 192));
        chart.setTextColor(peRgb(0, 0, 0));
        chart.setSubsetColors(0, peRgb(255, 255, 0));
        chart.setSubsetColors(1, peRgb(0, 0, 255));
        chart.setSubsetColors(2, peRgb(255, 0, 0));
        chart.setAllowAxisPage(false);
        chart.setArrowCursor(pe::sgArrowCursor);
    }

    // 6. What always comes from the caller.
    chart.setSubsetLabels(0, QStringLiteral("ppm"));
    chart.setSubsetLabels(1, QStringLiteral("%RH"));
    chart.setSubsetLabels(2, QStringLiteral("Temp."));
    chart.setMultiAxesSeparators(pe::sgThinSeparators);
    chart.setMultiAxesSubsets(-1, 0);
    chart.setMultiAxesProportions(-1, 0.0);
    chart.setMultiAxesSubsets(0, 1);
    chart.setMultiAxesSubsets(1, 2);
    chart.setMultiAxesProportions(0, 0.5);
    chart.setMultiAxesProportions(1, 0.5);
    chart.setWorkingAxis(0);
    chart.setYAxisLabel(QString());
    chart.setManualScaleControlY(pe::sgManualMinAndMax);
    chart.setManualMinY(ppmMin);
    chart.setManualMaxY(ppmMax);
    chart.setWorkingAxis(1);
    chart.setYAxisLabel(QString());
    chart.setManualScaleControlY(pe::sgManualMinAndMax);
    chart.setManualMinY(otherMin);
    chart.setManualMaxY(otherMax);
    chart.setWorkingAxis(0);
    chart.setAllowGraphAnnotHotSpots(true);
    chart.setPEactions(pe::sgReinitAndReset);
    chart.setPEactions(pe::sgResetImage);
    chart.setPEactions(pe::sgInvalidateImage);
    return templateOk;
}

// ---------------------------------------------------------------------------------------------
// The window.

GraphWindow::GraphWindow(Prompter& prompter, GraphShared& shared, QWidget* parent)
    : QWidget(parent), m_prompter(prompter), m_shared(shared), m_colorDialogColor(shared.annoColor) {
    setObjectName(QStringLiteral("GraphWindow"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Graph"));
    resize(1160, 615);

    auto* outer = new QHBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    m_splitter = new QSplitter(Qt::Horizontal, this);
    m_splitter->setObjectName(QStringLiteral("paneSplitter"));
    outer->addWidget(m_splitter);

    m_dataSetPane = new QWidget(m_splitter);
    m_dataSetPane->setObjectName(QStringLiteral("dataSetPane"));
    m_dataSetPane->hide();
    m_splitter->addWidget(m_dataSetPane);

    auto* graphArea = new QWidget(m_splitter);
    graphArea->setObjectName(QStringLiteral("graphArea"));
    auto* column = new QVBoxLayout(graphArea);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(2);
    column->addWidget(buildToolsBar());
    column->addWidget(buildChannelsBar());
    column->addWidget(buildStatisticStrip());

    m_chartSplitter = new QSplitter(Qt::Vertical, graphArea);
    m_chartSplitter->setObjectName(QStringLiteral("chartSplitter"));
    chart = new ChartWidget(prompter, m_chartSplitter);
    chart->setObjectName(QStringLiteral("chart"));
    // However small the window, the chart keeps room for both of its axes.
    chart->setMinimumSize(240, 180);
    chart->installEventFilter(this);
    readOutLabel = new QLabel(chart);
    readOutLabel->setObjectName(QStringLiteral("readOutLabel"));
    readOutLabel->setFrameShape(QFrame::Panel);
    readOutLabel->setFrameShadow(QFrame::Raised);
    readOutLabel->setAutoFillBackground(true);
    readOutLabel->setMinimumWidth(160);
    readOutLabel->setMargin(2);
    m_chartSplitter->addWidget(chart);
    m_chartSplitter->addWidget(buildStatisticPanel());
    m_chartSplitter->setStretchFactor(0, 1);
    m_chartSplitter->setStretchFactor(1, 0);
    m_chartSplitter->setCollapsible(0, false);
    // The MAX, MIN and AVG rows stay readable; Line Cursor hides them.
    m_chartSplitter->setCollapsible(1, false);
    column->addWidget(m_chartSplitter, 1);

    m_splitter->addWidget(graphArea);
    m_splitter->setStretchFactor(0, 0);
    m_splitter->setStretchFactor(1, 1);

    connect(chart, &ChartWidget::mouseMoved, this, &GraphWindow::onChartMouseMove);
    connect(chart, &ChartWidget::dataHotSpotClicked, this, &GraphWindow::onChartDataHotSpot);
    connect(chart, &ChartWidget::clicked, this, &GraphWindow::onChartClicked);
    connect(chart, &ChartWidget::markHotSpotClicked, this, &GraphWindow::onChartMarkHotSpot);
    connect(chart, &ChartWidget::graphHotSpotClicked, this, &GraphWindow::onChartGraphHotSpot);
    connect(chart, &ChartWidget::zoomedIn, this, &GraphWindow::onChartZoomedIn);
    connect(chart, &ChartWidget::zoomedOut, this, &GraphWindow::onChartZoomedOut);
    connect(chart, &ChartWidget::customizeDialogRequested, this, &GraphWindow::onChartCustomizeDialog);
    connect(chart, &ChartWidget::viewChanged, this, &GraphWindow::updateLimitFigures);
    placeReadOut();
}

GraphWindow::~GraphWindow() = default;

QWidget* GraphWindow::buildToolsBar() {
    auto* bar = new QWidget(this);
    bar->setObjectName(QStringLiteral("toolsBar"));
    // A narrow window wraps the buttons onto a second row rather than cutting them off.
    auto* row = new FlowLayout(bar, 4);
    row->setContentsMargins(2, 2, 2, 0);

    graphStatisticButton =
        toolButton(bar, QStringLiteral("graphStatisticButton"), QStringLiteral("Statistic"),
                   QStringLiteral("Toggle Graph Statistic"), true);
    graphStatisticButton->setChecked(true);
    lineCursorStatisticButton =
        toolButton(bar, QStringLiteral("lineCursorStatisticButton"), QStringLiteral("Line Cursor"),
                   QStringLiteral("Toggle Line Cursor Statistic"), true);
    lineCursorStatisticButton->setChecked(true);
    normalCursorButton = toolButton(bar, QStringLiteral("normalCursorButton"), QStringLiteral("Normal"),
                                    QStringLiteral("Normal Cursor"), true);
    crossButton = toolButton(bar, QStringLiteral("crossButton"), QStringLiteral("Cross"),
                             QStringLiteral("Draw A Cross On Graph"), true);
    textButton =
        toolButton(bar, QStringLiteral("textButton"), QStringLiteral("Text"), QStringLiteral("Text"), true);
    markColorButton = toolButton(bar, QStringLiteral("markColorButton"), QStringLiteral("Color"),
                                 QStringLiteral("Set Annotation Color"), false);
    m_toolGroup = new QButtonGroup(bar);
    m_toolGroup->setExclusive(true);
    m_toolGroup->addButton(normalCursorButton);
    m_toolGroup->addButton(crossButton);
    m_toolGroup->addButton(textButton);
    normalCursorButton->setChecked(true);
    // Cross and Text need a chart with one Y axis; whoever prepares the chart enables them.
    setCrossAndTextEnabled(false);

    clearDivider = divider(bar);
    clearDivider->setObjectName(QStringLiteral("clearDivider"));
    clearButton = toolButton(bar, QStringLiteral("clearButton"), QStringLiteral("Clear"),
                             QStringLiteral("Clear"), false);
    clearDivider->hide();
    clearButton->hide();

    undoZoomButton = pushButton(bar, QStringLiteral("undoZoomButton"), QStringLiteral("Undo Zoom"));
    undoZoomButton->setEnabled(false);
    splitAxesBox = new QCheckBox(QStringLiteral("Split"), bar);
    splitAxesBox->setObjectName(QStringLiteral("splitAxesBox"));
    splitAxesBox->setChecked(true);
    splitAxesBox->hide();
    graphOptionButton = pushButton(bar, QStringLiteral("graphOptionButton"), QStringLiteral("Graph Option"),
                                   QStringLiteral("Graph Customization"));
    yAxisButton = pushButton(bar, QStringLiteral("yAxisButton"), QStringLiteral("Y Axis"),
                             QStringLiteral("set the maximum and minimum extent of the left y axis."));
    fontButton = pushButton(bar, QStringLiteral("fontButton"), QStringLiteral("Font"));
    limitsButton = pushButton(bar, QStringLiteral("limitsButton"), QStringLiteral("Limits"),
                              QStringLiteral("Limit lines, and the time spent above them"));
    savePictureButton = pushButton(bar, QStringLiteral("savePictureButton"), QStringLiteral("Save Picture"),
                                   QStringLiteral("Save the graph as a PNG, SVG or PDF picture"));

    for (QWidget* w : std::initializer_list<QWidget*>{
             graphStatisticButton, lineCursorStatisticButton, divider(bar), normalCursorButton, crossButton,
             textButton, markColorButton, clearDivider, clearButton, divider(bar), undoZoomButton,
             splitAxesBox, graphOptionButton, yAxisButton, fontButton, divider(bar), limitsButton,
             savePictureButton})
        row->addWidget(w);

    connect(graphStatisticButton, &QToolButton::clicked, this, &GraphWindow::onGraphStatisticClicked);
    connect(lineCursorStatisticButton, &QToolButton::clicked, this,
            &GraphWindow::onLineCursorStatisticClicked);
    connect(normalCursorButton, &QToolButton::clicked, this, &GraphWindow::onNormalCursorClicked);
    connect(crossButton, &QToolButton::clicked, this, &GraphWindow::onCrossClicked);
    connect(textButton, &QToolButton::clicked, this, &GraphWindow::onTextClicked);
    connect(markColorButton, &QToolButton::clicked, this, &GraphWindow::onMarkColorClicked);
    connect(undoZoomButton, &QPushButton::clicked, this, &GraphWindow::onUndoZoomClicked);
    connect(splitAxesBox, &QCheckBox::toggled, this, &GraphWindow::onSplitAxesClicked);
    connect(graphOptionButton, &QPushButton::clicked, this, &GraphWindow::onGraphOptionClicked);
    connect(yAxisButton, &QPushButton::clicked, this, &GraphWindow::onYAxisClicked);
    connect(fontButton, &QPushButton::clicked, this, &GraphWindow::onFontClicked);
    connect(limitsButton, &QPushButton::clicked, this, &GraphWindow::onLimitsClicked);
    connect(savePictureButton, &QPushButton::clicked, this, &GraphWindow::onSavePictureClicked);
    return bar;
}

QWidget* GraphWindow::buildChannelsBar() {
    auto* bar = new QWidget(this);
    bar->setObjectName(QStringLiteral("channelsBar"));
    auto* row = new QHBoxLayout(bar);
    row->setContentsMargins(2, 0, 2, 0);
    const auto box = [&](const QString& name, const QString& text) {
        auto* c = new QCheckBox(text, bar);
        c->setObjectName(name);
        c->setChecked(true);
        row->addWidget(c);
        connect(c, &QCheckBox::toggled, this, &GraphWindow::onChannelBoxClicked);
        return c;
    };
    ppmBox = box(QStringLiteral("ppmBox"), QStringLiteral("ppm"));
    humidityBox = box(QStringLiteral("humidityBox"), QStringLiteral("%RH"));
    temperatureBox = box(QStringLiteral("temperatureBox"), QStringLiteral("Temp."));
    row->addStretch(1);
    return bar;
}

QWidget* GraphWindow::buildStatisticStrip() {
    statisticStrip = new QFrame(this);
    statisticStrip->setObjectName(QStringLiteral("statisticStrip"));
    statisticStrip->setFrameShape(QFrame::StyledPanel);
    auto* lines = new QVBoxLayout(statisticStrip);
    lines->setContentsMargins(4, 2, 4, 2);
    lines->setSpacing(2);
    auto* row = new FlowLayout(nullptr, 8);
    lines->addLayout(row);

    // The time and count fields sit on disabled panels: shown, never edited.
    auto* startPanel = new QFrame(statisticStrip);
    startPanel->setObjectName(QStringLiteral("startTimePanel"));
    auto* startRow = new QHBoxLayout(startPanel);
    startRow->setContentsMargins(0, 0, 0, 0);
    startRow->addWidget(new QLabel(QStringLiteral("Start Time"), startPanel));
    startTimeField = field(startPanel, QStringLiteral("startTimeField"));
    startTimeField->setMinimumWidth(dateTimeWidth(startTimeField));
    startRow->addWidget(startTimeField);
    startPanel->setEnabled(false);
    row->addWidget(startPanel);

    samplingRatePanel = new QFrame(statisticStrip);
    samplingRatePanel->setObjectName(QStringLiteral("samplingRatePanel"));
    auto* rateRow = new QHBoxLayout(samplingRatePanel);
    rateRow->setContentsMargins(0, 0, 0, 0);
    auto* rateLabel = new QLabel(QStringLiteral("Sampling\nRate"), samplingRatePanel);
    rateRow->addWidget(rateLabel);
    minutesBox = new QComboBox(samplingRatePanel);
    minutesBox->setObjectName(QStringLiteral("minutesBox"));
    secondsBox = new QComboBox(samplingRatePanel);
    secondsBox->setObjectName(QStringLiteral("secondsBox"));
    for (QComboBox* c : {minutesBox, secondsBox}) {
        c->addItems(twoDigitItems());
        c->setCurrentIndex(0);
        rateRow->addWidget(c);
    }
    rateRow->addWidget(new QLabel(QStringLiteral("mm:ss"), samplingRatePanel));
    samplingRatePanel->setEnabled(false);
    row->addWidget(samplingRatePanel);

    auto* countPanel = new QFrame(statisticStrip);
    countPanel->setObjectName(QStringLiteral("sampleCountPanel"));
    auto* countRow = new QHBoxLayout(countPanel);
    countRow->setContentsMargins(0, 0, 0, 0);
    countRow->addWidget(new QLabel(QStringLiteral("Data No."), countPanel));
    sampleCountField = field(countPanel, QStringLiteral("sampleCountField"), QStringLiteral("0"));
    sampleCountField->setMaximumWidth(90);
    countRow->addWidget(sampleCountField);
    countPanel->setEnabled(false);
    row->addWidget(countPanel);

    showMaxMinButton = pushButton(statisticStrip, QStringLiteral("showMaxMinButton"),
                                  QStringLiteral("Show MAX/MIN on Graph"));
    row->addWidget(showMaxMinButton);
    connect(showMaxMinButton, &QPushButton::clicked, this, &GraphWindow::onShowMaxMinClicked);

    timeAboveLabel = new QLabel(statisticStrip);
    timeAboveLabel->setObjectName(QStringLiteral("timeAboveLabel"));
    inViewLabel = new QLabel(statisticStrip);
    inViewLabel->setObjectName(QStringLiteral("inViewLabel"));
    for (QLabel* l : {timeAboveLabel, inViewLabel}) {
        l->setWordWrap(true);
        l->setTextInteractionFlags(Qt::TextSelectableByMouse);
        l->hide();
        lines->addWidget(l);
    }
    return statisticStrip;
}

QWidget* GraphWindow::buildStatisticPanel() {
    statisticPanel = new QFrame(this);
    statisticPanel->setObjectName(QStringLiteral("statisticPanel"));
    statisticPanel->setFrameShape(QFrame::StyledPanel);
    auto* grid = new QGridLayout(statisticPanel);
    grid->setContentsMargins(4, 2, 4, 2);
    const QString names[3] = {QStringLiteral("ppm"), QStringLiteral("RH"), QStringLiteral("T1")};
    QLineEdit** fields[3][3] = {{&ppmMaxField, &ppmMinField, &ppmAvgField},
                                {&humidityMaxField, &humidityMinField, &humidityAvgField},
                                {&temperatureMaxField, &temperatureMinField, &temperatureAvgField}};
    for (int c = 0; c < 3; ++c) {
        const QString captions[3] = {names[c] + QStringLiteral(" MAX "), QStringLiteral("MIN"),
                                     QStringLiteral("AVG")};
        const QString keys[3] = {QStringLiteral("ppm"), QStringLiteral("humidity"),
                                 QStringLiteral("temperature")};
        const QString suffixes[3] = {QStringLiteral("MaxField"), QStringLiteral("MinField"),
                                     QStringLiteral("AvgField")};
        for (int k = 0; k < 3; ++k) {
            grid->addWidget(new QLabel(captions[k], statisticPanel), c, 2 * k);
            QLineEdit* e = field(statisticPanel, keys[c] + suffixes[k],
                                 k == 2 ? graphstats::kAvgPlaceholder : QString());
            // An extreme reads value "@" date-time: room for all of it; a mean, for five digits.
            if (k < 2)
                e->setMinimumWidth(dateTimeWidth(e, QStringLiteral("88888@")));
            else
                e->setMinimumWidth(e->fontMetrics().horizontalAdvance(QStringLiteral("-8888.8")) + 14);
            *fields[c][k] = e;
            grid->addWidget(e, c, 2 * k + 1);
        }
    }
    for (int k = 0; k < 3; ++k)
        grid->setColumnStretch(2 * k + 1, 1);
    return statisticPanel;
}

QLineEdit* GraphWindow::maxField(int channel) const {
    switch (channel) {
    case 0:
        return ppmMaxField;
    case 1:
        return humidityMaxField;
    default:
        return temperatureMaxField;
    }
}

QLineEdit* GraphWindow::minField(int channel) const {
    switch (channel) {
    case 0:
        return ppmMinField;
    case 1:
        return humidityMinField;
    default:
        return temperatureMinField;
    }
}

QLineEdit* GraphWindow::avgField(int channel) const {
    switch (channel) {
    case 0:
        return ppmAvgField;
    case 1:
        return humidityAvgField;
    default:
        return temperatureAvgField;
    }
}

void GraphWindow::setDataSetPane(QWidget* pane) {
    if (!pane || pane == m_dataSetPane)
        return;
    const int index = m_splitter->indexOf(m_dataSetPane);
    pane->hide();
    QWidget* old = m_splitter->replaceWidget(index, pane);
    m_dataSetPane = pane;
    delete old;
}

void GraphWindow::redraw() {
    chart->setPEactions(pe::sgResetImage);
    chart->setPEactions(pe::sgInvalidateImage);
}

void GraphWindow::configureGraph(int subsets, int points, double xStart, double xEnd, float ppmMin,
                                 float ppmMax, float otherMin, float otherMax) {
    QString error;
    if (!::configureGraph(*chart, subsets, points, xStart, xEnd, ppmMin, ppmMax, otherMin, otherMax, &error))
        m_prompter.message(
            QStringLiteral("The graph template could not be read, the standard look is used.\n") + error);
    applySharedLimits();
    updateCrossAndTextTools();
}

void GraphWindow::showChartState() {
    undoZoomButton->setEnabled(chart->isZoomed());
    // The boxes follow the chart; their own handler would rewrite its list in box order.
    const std::vector<int> drawn = chart->model().drawnSubsets();
    QCheckBox* const boxes[] = {ppmBox, humidityBox, temperatureBox};
    for (int s = 0; s < 3; ++s) {
        const QSignalBlocker quiet(boxes[s]);
        boxes[s]->setChecked(std::find(drawn.begin(), drawn.end(), s) != drawn.end());
    }
    updateCrossAndTextTools();
}

void GraphWindow::updateCrossAndTextTools() {
    setCrossAndTextEnabled(chart->MultiAxesProportions(0) == 1.0);
}

void GraphWindow::setCrossAndTextEnabled(bool on) {
    crossButton->setEnabled(on);
    textButton->setEnabled(on);
    // Disabled buttons still show their tips: say when they can be used, so they do not look broken.
    const QString when = on ? QString() : QString(u'\n') + kSingleAxisToolHint;
    crossButton->setToolTip(QStringLiteral("Draw A Cross On Graph") + when);
    textButton->setToolTip(QStringLiteral("Text") + when);
}

// ---------------------------------------------------------------------------------------------
// Channels, split, font and customization.

void GraphWindow::onChannelBoxClicked() {
    chart->setRandomSubsetsToGraph(-1, 0);
    int index = 0;
    if (ppmBox->isChecked())
        chart->setRandomSubsetsToGraph(index++, 0);
    if (humidityBox->isChecked())
        chart->setRandomSubsetsToGraph(index++, 1);
    if (temperatureBox->isChecked())
        chart->setRandomSubsetsToGraph(index++, 2);
    redraw();
    chart->setPEactions(pe::sgReinitAndReset);
}

void GraphWindow::onSplitAxesClicked() {
    if (splitAxesBox->isChecked())
        return;
    // One Y axis for all three subsets.
    chart->setMultiAxesSubsets(-1, 0);
    chart->setMultiAxesProportions(-1, 0.0);
    chart->setMultiAxesProportions(0, 1.0);
    setCrossAndTextEnabled(true);
    redraw();
    chart->setPEactions(pe::sgReinitAndReset);
}

void GraphWindow::onFontClicked() {
    QFont font(QStringLiteral("Tahoma"));
    if (!m_prompter.chooseFont(font))
        return;
    statisticPanel->setFont(font);
    statisticStrip->setFont(font);
}

void GraphWindow::onGraphOptionClicked() {
    const int xControl = chart->ManualScaleControlX();
    const double xMin = chart->ManualMinX();
    const double xMax = chart->ManualMaxX();
    chart->setPEactions(pe::sgCustomize);
    // The dialog may have touched the X range; the window keeps its own.
    chart->setManualScaleControlX(xControl);
    chart->setManualMinX(xMin);
    chart->setManualMaxX(xMax);
    chart->setWorkingAxis(0);
    chart->setPEactions(pe::sgUndoZoom);
    undoZoomButton->setEnabled(false);
    redraw();
}

void GraphWindow::onChartCustomizeDialog() {
    if (chart->DialogResult() != 1)
        return;
    if (m_prompter.question(QStringLiteral("Do you want to save the changes ?"), Prompter::YesNo) ==
        Prompter::Yes)
        saveTemplate();
}

void GraphWindow::saveTemplate() {
    // A fresh installation has no template folder yet.
    const QString file = graphTemplateFile();
    QDir().mkpath(QFileInfo(file).absolutePath());
    QString error;
    if (!writeGraphFile(*chart, file, &error))
        m_prompter.message(error);
}

// ---------------------------------------------------------------------------------------------
// Life cycle.

void GraphWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (event->spontaneous())
        return;
    // Showing any graph window makes the shared tool Normal again; other windows keep their buttons.
    m_shared.tool = GraphTool::Normal;
    normalCursorButton->setChecked(true);
    chart->setArrowCursor(pe::sgArrowCursor);
    placeReadOut();
}

bool GraphWindow::event(QEvent* event) {
    // Activation of a top-level graph window. Inside the main window's multi-document area every
    // child widget also gets this event whenever the main window itself becomes active again (after
    // any dialog), so there the area's own report of the active child is what counts.
    if (event->type() == QEvent::WindowActivate && isWindow())
        onActivated();
    return QWidget::event(event);
}

void GraphWindow::onActivated() {
    emit activated(this);
}

bool GraphWindow::mayClose() {
    const QString caption = windowTitle();
    if (m_shared.downloadUnsaved && caption == kDataLoggerCaption) {
        switch (m_prompter.question(QStringLiteral("Save DataLogger Data ?"), Prompter::YesNoCancel)) {
        case Prompter::Yes:
            // Saving the collection clears the flag. A save the user cancelled, or one that
            // failed, keeps the window and its data.
            emit saveRequested(this);
            if (m_shared.downloadUnsaved)
                return false;
            break;
        case Prompter::No:
            break;
        default:
            return false;
        }
    }
    if (m_shared.realTimeUnsaved && *m_shared.realTimeUnsaved && caption == kRealTimeCaption) {
        switch (m_prompter.question(QStringLiteral("Save Real-Time Graph ?"), Prompter::YesNoCancel)) {
        case Prompter::Yes:
            *m_shared.realTimeUnsaved = false;
            emit saveGraphRequested(this);
            break;
        case Prompter::No:
            *m_shared.realTimeUnsaved = false;
            break;
        default:
            return false;
        }
    }
    return true;
}

void GraphWindow::closeEvent(QCloseEvent* event) {
    const bool dataLogger = windowTitle() == kDataLoggerCaption;
    if (dataLogger && m_shared.downloadRunning) {
        m_prompter.message(kDownloadRunning);
        event->ignore();
        return;
    }
    const bool agreed = std::exchange(m_closeAgreed, false);
    if (!agreed && !mayClose()) {
        event->ignore();
        return;
    }
    event->accept();
    // The downloaded data are gone with this window only; other graph windows leave them alone.
    if (dataLogger)
        m_shared.downloadUnsaved = false;
    emit closedWindow(this);
}

bool GraphWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == chart && event->type() == QEvent::Resize)
        placeReadOut();
    return QWidget::eventFilter(watched, event);
}

void GraphWindow::placeReadOut() {
    readOutLabel->adjustSize();
    readOutLabel->move(0, 0);
    readOutLabel->raise();
}
