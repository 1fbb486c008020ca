#include "configure_graph.h"

#include "chart/chart_widget.h"
#include "graph/graph_file.h"
#include "platform/install_paths.h"

#include <QDir>
#include <QFileInfo>

namespace {

QString& programDirectoryOverride() {
    static QString dir;
    return dir;
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
