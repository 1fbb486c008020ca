#include "graph_window.h"

#include "chart/chart_widget.h"
#include "graph/flow_layout.h"
#include "graph/graph_file.h"
#include "graph/graph_statistics.h"
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

#include <qcustomplot.h>
#include <utility>

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
    {
        // The box sits over the chart's top-left corner, where the top Y label is: a translucent
        // background lets that label show through, and an empty box is not shown at all.
        QPalette palette = readOutLabel->palette();
        QColor background = palette.color(QPalette::Window);
        background.setAlpha(kReadOutAlpha);
        palette.setColor(QPalette::Window, background);
        readOutLabel->setPalette(palette);
        readOutLabel->hide();
    }
    // The figures of the points in view lie over the plotting area's bottom-left corner while the
    // chart is zoomed: showing and hiding them never moves the chart.
    inViewLabel = new QLabel(chart);
    inViewLabel->setObjectName(QStringLiteral("inViewLabel"));
    inViewLabel->setTextFormat(Qt::RichText);
    inViewLabel->setFrameShape(QFrame::Panel);
    inViewLabel->setFrameShadow(QFrame::Raised);
    inViewLabel->setAutoFillBackground(true);
    inViewLabel->setPalette(readOutLabel->palette());
    inViewLabel->setMargin(2);
    inViewLabel->setAttribute(Qt::WA_TransparentForMouseEvents);
    inViewLabel->hide();
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
    // The plotting area changes size when scroll bars come and go: the in-view figures follow it.
    connect(chart->customPlot(), &QCustomPlot::afterLayout, this, &GraphWindow::placeInView);
    buildChartMenu();
    applyUnits();
    placeReadOut();
}

GraphWindow::~GraphWindow() = default;

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
    updateAxisUnitTitles(); // the axes may have changed: their unit titles follow
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
    if (splitAxesBox->isChecked()) {
        splitAxes();
        return;
    }
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
    if (watched == chart && event->type() == QEvent::Resize) {
        placeReadOut();
        placeInView();
    }
    return QWidget::eventFilter(watched, event);
}

void GraphWindow::placeInView() {
    if (inViewLabel->isHidden())
        return;
    inViewLabel->adjustSize();
    const QRect plot = chart->plottingRect();
    inViewLabel->move(plot.left() + 4, std::max(0, plot.bottom() - inViewLabel->height() - 4));
    inViewLabel->raise();
}

void GraphWindow::placeReadOut() {
    readOutLabel->adjustSize();
    readOutLabel->move(0, 0);
    readOutLabel->raise();
}
