// Units in a graph window: View > Show Units titles the chart's Y axes with the units of what they
// show and puts the unit beside each row of MAX/MIN/AVG fields. Off by default, the axes keep their
// empty labels. The fields' tool tips name the unit whether or not it is shown.
#include "chart/chart_widget.h"
#include "graph/graph_statistics.h"
#include "graph/graph_window.h"

#include <QLabel>
#include <QLineEdit>

QString GraphWindow::channelUnit(int channel) const {
    switch (channel) {
    case graphstats::Ppm:
        return QStringLiteral("ppm");
    case graphstats::Humidity:
        return QStringLiteral("%RH");
    default:
        return m_fahrenheit ? QStringLiteral("°F") : QStringLiteral("°C");
    }
}

void GraphWindow::updateAxisUnitTitles() {
    if (!m_shared.showUnits) {
        chart->setYAxisUnitTitles({});
        return;
    }
    // Each axis is titled with the units of the channels it carries, in channel order.
    QStringList titles(std::max(1, chart->axisCount()));
    const int channels = std::min(chart->Subsets(), 3);
    for (int c = 0; c < channels; ++c) {
        const int axis = std::clamp(chart->model().axisOfSubset(c), 0, int(titles.size()) - 1);
        QString& title = titles[axis];
        if (!title.isEmpty())
            title += QStringLiteral(", ");
        title += channelUnit(c);
    }
    chart->setYAxisUnitTitles(titles);
}

void GraphWindow::applyUnits() {
    const QString captions[3] = {QStringLiteral("ppm"), QStringLiteral("RH"), QStringLiteral("T1")};
    for (int c = 0; c < 3; ++c) {
        const QString unit = channelUnit(c);
        maxField(c)->setToolTip(QStringLiteral("%1 MAX (%2)").arg(captions[c], unit));
        minField(c)->setToolTip(QStringLiteral("%1 MIN (%2)").arg(captions[c], unit));
        avgField(c)->setToolTip(QStringLiteral("%1 AVG (%2)").arg(captions[c], unit));
        unitLabels[c]->setText(unit);
        unitLabels[c]->setToolTip(unit);
        unitLabels[c]->setVisible(m_shared.showUnits);
    }
    updateAxisUnitTitles();
    chart->setPEactions(pe::sgResetImage);
    chart->setPEactions(pe::sgInvalidateImage);
}
