#include "graph_report.h"

#include "chart/chart_widget.h"
#include "graph/graph_window.h"
#include "logger/data_set_pane.h"
#include "platform/data_folder.h"
#include "platform/prompter.h"

#include <QDir>
#include <QPrinter>
#include <QRegularExpression>
#include <QTableWidget>

namespace report {

Section sectionOf(GraphWindow& window) {
    Section s;
    s.chart = window.chart;
    s.title = window.chart->MainTitle().trimmed();
    if (s.title.isEmpty())
        s.title = window.windowTitle();
    if (const DataSetPane* pane = dataSetPaneOf(window); pane && pane->setCount() > 0) {
        const int row = pane->dataSetGrid->currentRow();
        if (row >= 0 && row < pane->setCount())
            s.subtitle = QStringLiteral("Data set %1 of %2").arg(row + 1).arg(pane->setCount());
    }
    s.unit = window.temperatureFahrenheit() ? graphstats::TemperatureUnit::Fahrenheit
                                            : graphstats::TemperatureUnit::Celsius;
    s.facts = factsOf(*window.chart);
    return s;
}

QString suggestedFileName(const QString& title) {
    QString name = title.trimmed();
    name.replace(QRegularExpression(QStringLiteral(R"([\\/:*?"<>|\x00-\x1f])")), QStringLiteral("_"));
    if (name.isEmpty())
        name = QStringLiteral("Report");
    return name + QStringLiteral(".pdf");
}

bool exportGraphReport(GraphWindow& window, QString* writtenName) {
    const Section section = sectionOf(window);
    Prompter& prompter = window.prompter();
    Prompter::FileRequest request;
    request.title = QStringLiteral("Export Report");
    request.filter = QStringLiteral("PDF Document (*.pdf)|*.pdf");
    request.defaultExt = QStringLiteral("pdf");
    const GraphShared& shared = window.shared();
    const QString remembered = shared.startFolder ? shared.startFolder(QStringLiteral("report")) : QString();
    request.initialDir = remembered.isEmpty() ? dataFolderOrProgramFolder(shared.dataFolder) : remembered;
    request.fileName = suggestedFileName(section.title);
    request.overwritePrompt = true;
    if (!prompter.saveFile(request))
        return false;
    if (shared.fileChosen)
        shared.fileChosen(QStringLiteral("report"), request.fileName);
    QString error;
    if (!writePdf(request.fileName, {section}, window.chart->printOptions(), &error)) {
        prompter.message(error);
        return false;
    }
    if (writtenName)
        *writtenName = request.fileName;
    return true;
}

ChartPageRenderer rendererOf(GraphWindow& window) {
    return [&window](QPrinter& printer, const ChartPrintOptions& options) {
        return render(printer, {sectionOf(window)}, options);
    };
}

} // namespace report
