// The graph window's chart menu, opened by a right click on the chart that does not drag (a right
// drag pans) or by the menu key: Fit Y to data, One Y Axis for All Channels and Export Report. Each
// does what its button or switch does, so a command and its button never differ.
#include "chart/chart_widget.h"
#include "graph/graph_window.h"

#include <QAction>
#include <QCheckBox>
#include <QMenu>
#include <QSignalBlocker>
#include <QToolButton>

namespace {
// The humidity/temperature scale every graph window is prepared with.
constexpr double kOtherAxisMin = -50.0;
constexpr double kOtherAxisMax = 100.0;
} // namespace

void GraphWindow::buildChartMenu() {
    chartMenu = new QMenu(this);
    chartMenu->setObjectName(QStringLiteral("chartMenu"));
    fitYAction = chartMenu->addAction(QStringLiteral("Fit Y to data"));
    fitYAction->setObjectName(QStringLiteral("fitYAction"));
    oneAxisAction = chartMenu->addAction(QStringLiteral("One Y Axis for All Channels"));
    oneAxisAction->setObjectName(QStringLiteral("oneAxisAction"));
    oneAxisAction->setCheckable(true);
    oneAxisAction->setChecked(!splitAxesBox->isChecked());
    chartMenu->addSeparator();
    exportReportAction = chartMenu->addAction(QStringLiteral("Export Report"));
    exportReportAction->setObjectName(QStringLiteral("exportReportAction"));

    connect(fitYAction, &QAction::triggered, this, &GraphWindow::onFitYClicked);
    connect(oneAxisAction, &QAction::triggered, this, &GraphWindow::onOneAxisTriggered);
    connect(exportReportAction, &QAction::triggered, this, &GraphWindow::onExportReportClicked);
    // The check mark follows the switch, whoever sets it (opening a graph file does).
    connect(splitAxesBox, &QCheckBox::toggled, this, [this](bool split) {
        const QSignalBlocker quiet(oneAxisAction);
        oneAxisAction->setChecked(!split);
    });
    connect(chart, &ChartWidget::contextMenuRequested, this, &GraphWindow::onChartContextMenu);
}

void GraphWindow::onChartContextMenu(QPoint pos) {
    oneAxisAction->setChecked(!splitAxesBox->isChecked());
    chartMenu->popup(chart->mapToGlobal(pos));
}

void GraphWindow::onOneAxisTriggered(bool oneAxis) {
    // The zoom's views hold one Y range per axis: leave the zoom before the axes change.
    if (chart->isZoomed())
        onUndoZoomClicked();
    splitAxesBox->setChecked(!oneAxis);
}

void GraphWindow::splitAxes() {
    if (chart->MultiAxesSubsets(1) > 0)
        return; // already split
    chart->setMultiAxesSubsets(-1, 0);
    chart->setMultiAxesSubsets(0, 1);
    chart->setMultiAxesSubsets(1, 2);
    chart->setMultiAxesProportions(-1, 0.0);
    chart->setMultiAxesProportions(0, 0.5);
    chart->setMultiAxesProportions(1, 0.5);
    // A chart stored with one axis may never have had a scale for the second one: the default one.
    chart->setWorkingAxis(1);
    if (chart->ManualScaleControlY() != pe::sgManualMinAndMax) {
        chart->setManualScaleControlY(pe::sgManualMinAndMax);
        chart->setManualMinY(kOtherAxisMin);
        chart->setManualMaxY(kOtherAxisMax);
    }
    chart->setWorkingAxis(0);
    // Cross and Text need one Y axis: a window left on either goes back to the normal pointer.
    if (crossButton->isChecked() || textButton->isChecked()) {
        normalCursorButton->setChecked(true);
        onNormalCursorClicked();
    }
    setCrossAndTextEnabled(false);
    redraw();
    chart->setPEactions(pe::sgReinitAndReset);
}
