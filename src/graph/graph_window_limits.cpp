// The graph window's limit lines (the dialog, the remembered limits, the time above them) and the
// statistics of the points in view of a zoomed chart.
#include "chart/chart_widget.h"
#include "graph/graph_window.h"
#include "graph/limits_dialog.h"
#include "platform/prompter.h"
#include "platform/settings.h"

#include <QLabel>
#include <QStringList>
#include <algorithm>
#include <qcustomplot.h>

namespace {

using LC = Settings::LimitChannel;

void appendLines(std::vector<LimitLine>& lines, int subset, const std::vector<double>& values) {
    for (double v : values)
        lines.push_back({subset, v});
}

std::vector<double> valuesOf(const std::vector<LimitLine>& lines, int subset) {
    std::vector<double> values;
    for (const LimitLine& l : lines) {
        if (l.subset == subset)
            values.push_back(l.value);
    }
    return values;
}

QString limitFiguresText(const std::vector<limitstats::LimitFigure>& figures) {
    QStringList pieces;
    for (const limitstats::LimitFigure& f : figures)
        pieces << limitstats::limitName(f.channel, f.limit) + QStringLiteral(": ") +
                      limitstats::timeAboveText(f.time);
    return pieces.join(QStringLiteral("   "));
}

} // namespace

LimitValues readLimitValues(const Settings& settings) {
    return {settings.limits(LC::Ppm), settings.limits(LC::Humidity), settings.limits(LC::Celsius),
            settings.limits(LC::Fahrenheit)};
}

void storeLimitValues(Settings& settings, const LimitValues& limits) {
    settings.setLimits(LC::Ppm, limits.ppm);
    settings.setLimits(LC::Humidity, limits.humidity);
    settings.setLimits(LC::Celsius, limits.celsius);
    settings.setLimits(LC::Fahrenheit, limits.fahrenheit);
}

void GraphWindow::setTemperatureFahrenheit(bool on) {
    m_fahrenheit = on;
    chart->setTemperatureFahrenheit(on);
    applySharedLimits();
    applyUnits();
}

void GraphWindow::takeChartTemperatureUnit() {
    m_fahrenheit = chart->model().temperatureFahrenheit;
}

void GraphWindow::applySharedLimits() {
    std::vector<LimitLine> lines;
    appendLines(lines, graphstats::Ppm, m_shared.limits.ppm);
    appendLines(lines, graphstats::Humidity, m_shared.limits.humidity);
    appendLines(lines, graphstats::Temperature,
                m_fahrenheit ? m_shared.limits.fahrenheit : m_shared.limits.celsius);
    chart->setLimitLines(lines);
    updateLimitFigures();
    chart->setPEactions(pe::sgInvalidateImage);
}

void GraphWindow::onLimitsClicked() {
    LimitsDialog dialog(m_fahrenheit, this);
    dialog.setLimits(chart->limitLines());
    if (m_prompter.runDialog(dialog) != QDialog::Accepted)
        return;
    const std::vector<LimitLine> lines = dialog.limits();
    chart->setLimitLines(lines);
    // New graph windows start with the same limits.
    m_shared.limits.ppm = valuesOf(lines, graphstats::Ppm);
    m_shared.limits.humidity = valuesOf(lines, graphstats::Humidity);
    (m_fahrenheit ? m_shared.limits.fahrenheit : m_shared.limits.celsius) =
        valuesOf(lines, graphstats::Temperature);
    updateLimitFigures();
    redraw();
}

void GraphWindow::updateLimitFigures() {
    const ChartModel& m = chart->model();
    const bool sameData = m_figuresValid && m_figuresRevision == chart->dataRevision() &&
                          m_figuresLimits == m.limitLines && m_figuresFahrenheit == m_fahrenheit;
    if (!sameData) {
        m_recording = limitstats::computeRecording(m);
        m_figuresRevision = chart->dataRevision();
        m_figuresLimits = m.limitLines;
        m_figuresFahrenheit = m_fahrenheit;
        m_figuresValid = true;
        m_rangeValid = false;
        timeAboveLabel->setText(QStringLiteral("Time above: ") + limitFiguresText(m_recording.limits));
        timeAboveLabel->setVisible(!m_recording.limits.empty());
    }

    if (!chart->isZoomed()) {
        m_rangeValid = false;
        m_range = {};
        inViewLabel->hide();
        return;
    }
    const ZoomView& view = m.zoomStack.back();
    if (m_rangeValid && m_range.xMin == std::min(view.xMin, view.xMax) &&
        m_range.xMax == std::max(view.xMin, view.xMax)) {
        showLimitFigures(); // the same figures; the channels shown may have changed
        return;
    }
    m_range = limitstats::computeRange(m, view.xMin, view.xMax, m_recording, QLocale(),
                                       m_fahrenheit ? graphstats::TemperatureUnit::Fahrenheit
                                                    : graphstats::TemperatureUnit::Celsius);
    m_rangeValid = true;
    showLimitFigures();
}

void GraphWindow::showLimitFigures() {
    static const QString names[graphstats::kChannels] = {QStringLiteral("ppm"), QStringLiteral("RH"),
                                                         QStringLiteral("T1")};
    const std::vector<int> drawn = chart->model().drawnSubsets();
    const auto shown = [&](int c) { return std::find(drawn.begin(), drawn.end(), c) != drawn.end(); };
    const auto cell = [](const QString& text, bool header = false) {
        return QStringLiteral("<td style=\"padding: 0 6px 0 0;\">%1%2%3</td>")
            .arg(header ? QStringLiteral("<b>") : QString(), text.toHtmlEscaped(),
                 header ? QStringLiteral("</b>") : QString());
    };
    QString html = QStringLiteral("<b>In view</b>, %1 to %2 (%3 points)")
                       .arg(graphstats::formatDateTime(m_range.xMin).toHtmlEscaped(),
                            graphstats::formatDateTime(m_range.xMax).toHtmlEscaped())
                       .arg(m_range.points.count());
    QString rows;
    for (int c = 0; c < graphstats::kChannels; ++c) {
        if (!shown(c))
            continue;
        rows += QStringLiteral("<tr>") + cell(names[c], true) + cell(QStringLiteral("MAX")) +
                cell(m_range.stats.max[size_t(c)]) + cell(QStringLiteral("MIN")) +
                cell(m_range.stats.min[size_t(c)]) + cell(QStringLiteral("AVG")) +
                cell(m_range.stats.avg[size_t(c)].trimmed()) + QStringLiteral("</tr>");
    }
    if (!rows.isEmpty())
        html += QStringLiteral("<table cellspacing=\"0\">") + rows + QStringLiteral("</table>");
    std::vector<limitstats::LimitFigure> limits;
    for (const limitstats::LimitFigure& f : m_range.limits)
        if (shown(f.channel))
            limits.push_back(f);
    if (!limits.empty())
        html += QStringLiteral("Time above: ") + limitFiguresText(limits).toHtmlEscaped();
    if (html == inViewLabel->text() && inViewLabel->isVisible())
        return; // nothing new: a recording's redraws do not lay the label out again
    inViewLabel->setText(html);
    inViewLabel->show();
    placeInView();
}
