#include "tfrm_graph.h"

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

bool ConfigureGraph(PESGraph& chart, int subsets, int points, double xStart, double xEnd, float ppmMin,
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

TfrmGraph::TfrmGraph(Prompter& prompter, GraphShared& shared, QWidget* parent)
    : QWidget(parent), m_prompter(prompter), m_shared(shared), m_colorDialogColor(shared.annoColor) {
    setObjectName(QStringLiteral("frmGraph"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Graph"));
    resize(1160, 615);

    auto* outer = new QHBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    m_splitter = new QSplitter(Qt::Horizontal, this);
    m_splitter->setObjectName(QStringLiteral("Splitter1"));
    outer->addWidget(m_splitter);

    m_dataSetPane = new QWidget(m_splitter);
    m_dataSetPane->setObjectName(QStringLiteral("pnlDataSets"));
    m_dataSetPane->hide();
    m_splitter->addWidget(m_dataSetPane);

    auto* graphArea = new QWidget(m_splitter);
    graphArea->setObjectName(QStringLiteral("pnlGraph"));
    auto* column = new QVBoxLayout(graphArea);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(2);
    column->addWidget(buildToolBar1());
    column->addWidget(buildToolBar2());
    column->addWidget(buildStatisticStrip());

    m_chartSplitter = new QSplitter(Qt::Vertical, graphArea);
    m_chartSplitter->setObjectName(QStringLiteral("Splitter2"));
    PESGraph1 = new PESGraph(prompter, m_chartSplitter);
    PESGraph1->setObjectName(QStringLiteral("PESGraph1"));
    // However small the window, the chart keeps room for both of its axes.
    PESGraph1->setMinimumSize(240, 180);
    PESGraph1->installEventFilter(this);
    Panel12 = new QLabel(PESGraph1);
    Panel12->setObjectName(QStringLiteral("Panel12"));
    Panel12->setFrameShape(QFrame::Panel);
    Panel12->setFrameShadow(QFrame::Raised);
    Panel12->setAutoFillBackground(true);
    Panel12->setMinimumWidth(160);
    Panel12->setMargin(2);
    m_chartSplitter->addWidget(PESGraph1);
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

    connect(PESGraph1, &PESGraph::OnMouseMove, this, &TfrmGraph::PESGraph1MouseMove);
    connect(PESGraph1, &PESGraph::OnDataHotSpot, this, &TfrmGraph::PESGraph1DataHotSpot);
    connect(PESGraph1, &PESGraph::OnClick, this, &TfrmGraph::PESGraph1Click);
    connect(PESGraph1, &PESGraph::OnGraphAnnotHotSpot, this, &TfrmGraph::PESGraph1GraphAnnotHotSpot);
    connect(PESGraph1, &PESGraph::OnGraphHotSpot, this, &TfrmGraph::PESGraph1GraphHotSpot);
    connect(PESGraph1, &PESGraph::OnZoomIn, this, &TfrmGraph::PESGraph1ZoomIn);
    connect(PESGraph1, &PESGraph::OnZoomOut, this, &TfrmGraph::PESGraph1ZoomOut);
    connect(PESGraph1, &PESGraph::OnCustomizeDlg, this, &TfrmGraph::PESGraph1CustomizeDlg);
    connect(PESGraph1, &PESGraph::OnViewChanged, this, &TfrmGraph::updateLimitFigures);
    movePanel12();
}

TfrmGraph::~TfrmGraph() = default;

QWidget* TfrmGraph::buildToolBar1() {
    auto* bar = new QWidget(this);
    bar->setObjectName(QStringLiteral("ToolBar1"));
    // A narrow window wraps the buttons onto a second row rather than cutting them off.
    auto* row = new FlowLayout(bar, 4);
    row->setContentsMargins(2, 2, 2, 0);

    ToolButton1 = toolButton(bar, QStringLiteral("ToolButton1"), QStringLiteral("Statistic"),
                             QStringLiteral("Toggle Graph Statistic"), true);
    ToolButton1->setChecked(true);
    ToolButton2 = toolButton(bar, QStringLiteral("ToolButton2"), QStringLiteral("Line Cursor"),
                             QStringLiteral("Toggle Line Cursor Statistic"), true);
    ToolButton2->setChecked(true);
    ToolButton4 = toolButton(bar, QStringLiteral("ToolButton4"), QStringLiteral("Normal"),
                             QStringLiteral("Normal Cursor"), true);
    ToolButton5 = toolButton(bar, QStringLiteral("ToolButton5"), QStringLiteral("Cross"),
                             QStringLiteral("Draw A Cross On Graph"), true);
    ToolButton9 =
        toolButton(bar, QStringLiteral("ToolButton9"), QStringLiteral("Text"), QStringLiteral("Text"), true);
    ToolButton15 = toolButton(bar, QStringLiteral("ToolButton15"), QStringLiteral("Color"),
                              QStringLiteral("Set Annotation Color"), false);
    m_toolGroup = new QButtonGroup(bar);
    m_toolGroup->setExclusive(true);
    m_toolGroup->addButton(ToolButton4);
    m_toolGroup->addButton(ToolButton5);
    m_toolGroup->addButton(ToolButton9);
    ToolButton4->setChecked(true);
    // Cross and Text need a chart with one Y axis; whoever prepares the chart enables them.
    setCrossAndTextEnabled(false);

    tbntClrDivider = divider(bar);
    tbntClrDivider->setObjectName(QStringLiteral("ToolButton3"));
    tbntClr =
        toolButton(bar, QStringLiteral("tbntClr"), QStringLiteral("Clear"), QStringLiteral("Clear"), false);
    tbntClrDivider->hide();
    tbntClr->hide();

    UndoZoom = pushButton(bar, QStringLiteral("UndoZoom"), QStringLiteral("Undo Zoom"));
    UndoZoom->setEnabled(false);
    chkSplit = new QCheckBox(QStringLiteral("Split"), bar);
    chkSplit->setObjectName(QStringLiteral("chkSplit"));
    chkSplit->setChecked(true);
    chkSplit->hide();
    Button1 = pushButton(bar, QStringLiteral("Button1"), QStringLiteral("Graph Option"),
                         QStringLiteral("Graph Customization"));
    btnChangeScale = pushButton(bar, QStringLiteral("btnChangeScale"), QStringLiteral("Y Axis"),
                                QStringLiteral("set the maximum and minimum extent of the left y axis."));
    Button3 = pushButton(bar, QStringLiteral("Button3"), QStringLiteral("Font"));
    btnLimits = pushButton(bar, QStringLiteral("btnLimits"), QStringLiteral("Limits"),
                           QStringLiteral("Limit lines, and the time spent above them"));
    btnSavePicture = pushButton(bar, QStringLiteral("btnSavePicture"), QStringLiteral("Save Picture"),
                                QStringLiteral("Save the graph as a PNG, SVG or PDF picture"));

    for (QWidget* w : std::initializer_list<QWidget*>{
             ToolButton1, ToolButton2, divider(bar), ToolButton4, ToolButton5, ToolButton9, ToolButton15,
             tbntClrDivider, tbntClr, divider(bar), UndoZoom, chkSplit, Button1, btnChangeScale, Button3,
             divider(bar), btnLimits, btnSavePicture})
        row->addWidget(w);

    connect(ToolButton1, &QToolButton::clicked, this, &TfrmGraph::ToolButton1Click);
    connect(ToolButton2, &QToolButton::clicked, this, &TfrmGraph::ToolButton2Click);
    connect(ToolButton4, &QToolButton::clicked, this, &TfrmGraph::ToolButton4Click);
    connect(ToolButton5, &QToolButton::clicked, this, &TfrmGraph::ToolButton5Click);
    connect(ToolButton9, &QToolButton::clicked, this, &TfrmGraph::ToolButton9Click);
    connect(ToolButton15, &QToolButton::clicked, this, &TfrmGraph::ToolButton15Click);
    connect(UndoZoom, &QPushButton::clicked, this, &TfrmGraph::UndoZoomClick);
    connect(chkSplit, &QCheckBox::toggled, this, &TfrmGraph::chkSplitClick);
    connect(Button1, &QPushButton::clicked, this, &TfrmGraph::Button1Click);
    connect(btnChangeScale, &QPushButton::clicked, this, &TfrmGraph::btnChangeScaleClick);
    connect(Button3, &QPushButton::clicked, this, &TfrmGraph::Button3Click);
    connect(btnLimits, &QPushButton::clicked, this, &TfrmGraph::btnLimitsClick);
    connect(btnSavePicture, &QPushButton::clicked, this, &TfrmGraph::btnSavePictureClick);
    return bar;
}

QWidget* TfrmGraph::buildToolBar2() {
    auto* bar = new QWidget(this);
    bar->setObjectName(QStringLiteral("ToolBar2"));
    auto* row = new QHBoxLayout(bar);
    row->setContentsMargins(2, 0, 2, 0);
    const auto box = [&](const QString& name, const QString& text) {
        auto* c = new QCheckBox(text, bar);
        c->setObjectName(name);
        c->setChecked(true);
        row->addWidget(c);
        connect(c, &QCheckBox::toggled, this, &TfrmGraph::chkppmClick);
        return c;
    };
    chkppm = box(QStringLiteral("chkppm"), QStringLiteral("ppm"));
    chkRH = box(QStringLiteral("chkRH"), QStringLiteral("%RH"));
    chkT1 = box(QStringLiteral("chkT1"), QStringLiteral("Temp."));
    row->addStretch(1);
    return bar;
}

QWidget* TfrmGraph::buildStatisticStrip() {
    pnlGraphStatistic = new QFrame(this);
    pnlGraphStatistic->setObjectName(QStringLiteral("pnlGraphStatistic"));
    pnlGraphStatistic->setFrameShape(QFrame::StyledPanel);
    auto* lines = new QVBoxLayout(pnlGraphStatistic);
    lines->setContentsMargins(4, 2, 4, 2);
    lines->setSpacing(2);
    auto* row = new FlowLayout(nullptr, 8);
    lines->addLayout(row);

    // The time and count fields sit on disabled panels: shown, never edited.
    auto* startPanel = new QFrame(pnlGraphStatistic);
    startPanel->setObjectName(QStringLiteral("pnlStartTime"));
    auto* startRow = new QHBoxLayout(startPanel);
    startRow->setContentsMargins(0, 0, 0, 0);
    startRow->addWidget(new QLabel(QStringLiteral("Start Time"), startPanel));
    txtStartTime = field(startPanel, QStringLiteral("txtStartTime"));
    txtStartTime->setMinimumWidth(dateTimeWidth(txtStartTime));
    startRow->addWidget(txtStartTime);
    startPanel->setEnabled(false);
    row->addWidget(startPanel);

    pnlSamplingRate = new QFrame(pnlGraphStatistic);
    pnlSamplingRate->setObjectName(QStringLiteral("pnlSamplingRate"));
    auto* rateRow = new QHBoxLayout(pnlSamplingRate);
    rateRow->setContentsMargins(0, 0, 0, 0);
    auto* rateLabel = new QLabel(QStringLiteral("Sampling\nRate"), pnlSamplingRate);
    rateRow->addWidget(rateLabel);
    ComboBox1 = new QComboBox(pnlSamplingRate);
    ComboBox1->setObjectName(QStringLiteral("ComboBox1"));
    ComboBox2 = new QComboBox(pnlSamplingRate);
    ComboBox2->setObjectName(QStringLiteral("ComboBox2"));
    for (QComboBox* c : {ComboBox1, ComboBox2}) {
        c->addItems(twoDigitItems());
        c->setCurrentIndex(0);
        rateRow->addWidget(c);
    }
    rateRow->addWidget(new QLabel(QStringLiteral("mm:ss"), pnlSamplingRate));
    pnlSamplingRate->setEnabled(false);
    row->addWidget(pnlSamplingRate);

    auto* countPanel = new QFrame(pnlGraphStatistic);
    countPanel->setObjectName(QStringLiteral("pnlDataNo"));
    auto* countRow = new QHBoxLayout(countPanel);
    countRow->setContentsMargins(0, 0, 0, 0);
    countRow->addWidget(new QLabel(QStringLiteral("Data No."), countPanel));
    txtDataNo = field(countPanel, QStringLiteral("txtDataNo"), QStringLiteral("0"));
    txtDataNo->setMaximumWidth(90);
    countRow->addWidget(txtDataNo);
    countPanel->setEnabled(false);
    row->addWidget(countPanel);

    Button2 =
        pushButton(pnlGraphStatistic, QStringLiteral("Button2"), QStringLiteral("Show MAX/MIN on Graph"));
    row->addWidget(Button2);
    connect(Button2, &QPushButton::clicked, this, &TfrmGraph::Button2Click);

    lblTimeAbove = new QLabel(pnlGraphStatistic);
    lblTimeAbove->setObjectName(QStringLiteral("lblTimeAbove"));
    lblRangeStatistic = new QLabel(pnlGraphStatistic);
    lblRangeStatistic->setObjectName(QStringLiteral("lblRangeStatistic"));
    for (QLabel* l : {lblTimeAbove, lblRangeStatistic}) {
        l->setWordWrap(true);
        l->setTextInteractionFlags(Qt::TextSelectableByMouse);
        l->hide();
        lines->addWidget(l);
    }
    return pnlGraphStatistic;
}

QWidget* TfrmGraph::buildStatisticPanel() {
    pnlStatistic = new QFrame(this);
    pnlStatistic->setObjectName(QStringLiteral("pnlStatistic"));
    pnlStatistic->setFrameShape(QFrame::StyledPanel);
    auto* grid = new QGridLayout(pnlStatistic);
    grid->setContentsMargins(4, 2, 4, 2);
    const QString names[3] = {QStringLiteral("ppm"), QStringLiteral("RH"), QStringLiteral("T1")};
    QLineEdit** fields[3][3] = {{&txtppmMax, &txtppmMin, &txtppmAvg},
                                {&txtRHMax, &txtRHMin, &txtRHAvg},
                                {&txtT1Max, &txtT1Min, &txtT1Avg}};
    for (int c = 0; c < 3; ++c) {
        const QString captions[3] = {names[c] + QStringLiteral(" MAX "), QStringLiteral("MIN"),
                                     QStringLiteral("AVG")};
        const QString suffixes[3] = {QStringLiteral("Max"), QStringLiteral("Min"), QStringLiteral("Avg")};
        for (int k = 0; k < 3; ++k) {
            grid->addWidget(new QLabel(captions[k], pnlStatistic), c, 2 * k);
            QLineEdit* e = field(pnlStatistic, QStringLiteral("txt") + names[c] + suffixes[k],
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
    return pnlStatistic;
}

QLineEdit* TfrmGraph::maxField(int channel) const {
    switch (channel) {
    case 0:
        return txtppmMax;
    case 1:
        return txtRHMax;
    default:
        return txtT1Max;
    }
}

QLineEdit* TfrmGraph::minField(int channel) const {
    switch (channel) {
    case 0:
        return txtppmMin;
    case 1:
        return txtRHMin;
    default:
        return txtT1Min;
    }
}

QLineEdit* TfrmGraph::avgField(int channel) const {
    switch (channel) {
    case 0:
        return txtppmAvg;
    case 1:
        return txtRHAvg;
    default:
        return txtT1Avg;
    }
}

void TfrmGraph::setDataSetPane(QWidget* pane) {
    if (!pane || pane == m_dataSetPane)
        return;
    const int index = m_splitter->indexOf(m_dataSetPane);
    pane->hide();
    QWidget* old = m_splitter->replaceWidget(index, pane);
    m_dataSetPane = pane;
    delete old;
}

void TfrmGraph::redraw() {
    PESGraph1->setPEactions(pe::sgResetImage);
    PESGraph1->setPEactions(pe::sgInvalidateImage);
}

void TfrmGraph::ConfigureGraph(int subsets, int points, double xStart, double xEnd, float ppmMin,
                               float ppmMax, float otherMin, float otherMax) {
    QString error;
    if (!::ConfigureGraph(*PESGraph1, subsets, points, xStart, xEnd, ppmMin, ppmMax, otherMin, otherMax,
                          &error))
        m_prompter.message(
            QStringLiteral("The graph template could not be read, the standard look is used.\n") + error);
    applySharedLimits();
    updateCrossAndTextTools();
}

void TfrmGraph::showChartState() {
    UndoZoom->setEnabled(PESGraph1->isZoomed());
    // The boxes follow the chart; their own handler would rewrite its list in box order.
    const std::vector<int> drawn = PESGraph1->model().drawnSubsets();
    QCheckBox* const boxes[] = {chkppm, chkRH, chkT1};
    for (int s = 0; s < 3; ++s) {
        const QSignalBlocker quiet(boxes[s]);
        boxes[s]->setChecked(std::find(drawn.begin(), drawn.end(), s) != drawn.end());
    }
    updateCrossAndTextTools();
}

void TfrmGraph::updateCrossAndTextTools() {
    setCrossAndTextEnabled(PESGraph1->MultiAxesProportions(0) == 1.0);
}

void TfrmGraph::setCrossAndTextEnabled(bool on) {
    ToolButton5->setEnabled(on);
    ToolButton9->setEnabled(on);
    // Disabled buttons still show their tips: say when they can be used, so they do not look broken.
    const QString when = on ? QString() : QString(u'\n') + kSingleAxisToolHint;
    ToolButton5->setToolTip(QStringLiteral("Draw A Cross On Graph") + when);
    ToolButton9->setToolTip(QStringLiteral("Text") + when);
}

// ---------------------------------------------------------------------------------------------
// Channels, split, font and customization.

void TfrmGraph::chkppmClick() {
    PESGraph1->setRandomSubsetsToGraph(-1, 0);
    int index = 0;
    if (chkppm->isChecked())
        PESGraph1->setRandomSubsetsToGraph(index++, 0);
    if (chkRH->isChecked())
        PESGraph1->setRandomSubsetsToGraph(index++, 1);
    if (chkT1->isChecked())
        PESGraph1->setRandomSubsetsToGraph(index++, 2);
    redraw();
    PESGraph1->setPEactions(pe::sgReinitAndReset);
}

void TfrmGraph::chkSplitClick() {
    if (chkSplit->isChecked())
        return;
    // One Y axis for all three subsets.
    PESGraph1->setMultiAxesSubsets(-1, 0);
    PESGraph1->setMultiAxesProportions(-1, 0.0);
    PESGraph1->setMultiAxesProportions(0, 1.0);
    setCrossAndTextEnabled(true);
    redraw();
    PESGraph1->setPEactions(pe::sgReinitAndReset);
}

void TfrmGraph::Button3Click() {
    QFont font(QStringLiteral("Tahoma"));
    if (!m_prompter.chooseFont(font))
        return;
    pnlStatistic->setFont(font);
    pnlGraphStatistic->setFont(font);
}

void TfrmGraph::Button1Click() {
    const int xControl = PESGraph1->ManualScaleControlX();
    const double xMin = PESGraph1->ManualMinX();
    const double xMax = PESGraph1->ManualMaxX();
    PESGraph1->setPEactions(pe::sgCustomize);
    // The dialog may have touched the X range; the window keeps its own.
    PESGraph1->setManualScaleControlX(xControl);
    PESGraph1->setManualMinX(xMin);
    PESGraph1->setManualMaxX(xMax);
    PESGraph1->setWorkingAxis(0);
    PESGraph1->setPEactions(pe::sgUndoZoom);
    UndoZoom->setEnabled(false);
    redraw();
}

void TfrmGraph::PESGraph1CustomizeDlg() {
    if (PESGraph1->DialogResult() != 1)
        return;
    if (m_prompter.question(QStringLiteral("Do you want to save the changes ?"), Prompter::YesNo) ==
        Prompter::Yes)
        saveTemplate();
}

void TfrmGraph::saveTemplate() {
    // A fresh installation has no template folder yet.
    const QString file = graphTemplateFile();
    QDir().mkpath(QFileInfo(file).absolutePath());
    QString error;
    if (!writeGraphFile(*PESGraph1, file, &error))
        m_prompter.message(error);
}

// ---------------------------------------------------------------------------------------------
// Life cycle.

void TfrmGraph::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (event->spontaneous())
        return;
    // Showing any graph window makes the shared tool Normal again; other windows keep their buttons.
    m_shared.tool = GraphTool::Normal;
    ToolButton4->setChecked(true);
    PESGraph1->setArrowCursor(pe::sgArrowCursor);
    movePanel12();
}

bool TfrmGraph::event(QEvent* event) {
    // Activation of a top-level graph window. Inside the main window's multi-document area every
    // child widget also gets this event whenever the main window itself becomes active again (after
    // any dialog), so there the area's own report of the active child is what counts.
    if (event->type() == QEvent::WindowActivate && isWindow())
        FormActivate();
    return QWidget::event(event);
}

void TfrmGraph::FormActivate() {
    emit activated(this);
}

bool TfrmGraph::FormCloseQuery() {
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

void TfrmGraph::closeEvent(QCloseEvent* event) {
    const bool dataLogger = windowTitle() == kDataLoggerCaption;
    if (dataLogger && m_shared.downloadRunning) {
        m_prompter.message(kDownloadRunning);
        event->ignore();
        return;
    }
    const bool agreed = std::exchange(m_closeAgreed, false);
    if (!agreed && !FormCloseQuery()) {
        event->ignore();
        return;
    }
    event->accept();
    // The downloaded data are gone with this window only; other graph windows leave them alone.
    if (dataLogger)
        m_shared.downloadUnsaved = false;
    emit closedWindow(this);
}

bool TfrmGraph::eventFilter(QObject* watched, QEvent* event) {
    if (watched == PESGraph1 && event->type() == QEvent::Resize)
        movePanel12();
    return QWidget::eventFilter(watched, event);
}

void TfrmGraph::movePanel12() {
    Panel12->adjustSize();
    Panel12->move(0, 0);
    Panel12->raise();
}
