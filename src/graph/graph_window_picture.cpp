#include "chart/chart_picture.h"
#include "chart/chart_widget.h"
#include "graph/graph_window.h"
#include "platform/data_folder.h"
#include "platform/prompter.h"

// The graph window's "Save Picture" command.
void GraphWindow::onSavePictureClicked() {
    Prompter::FileRequest request;
    request.title = QStringLiteral("Save Picture");
    request.filter = pictureFileFilter();
    request.filterIndex = 1;
    request.initialDir = dataFolderOrProgramFolder(m_shared.dataFolder); // as every other file dialog
    request.overwritePrompt = true;
    if (!m_prompter.saveFile(request))
        return;
    QString fileName = request.fileName;
    const PictureType type = pictureTypeOf(request.filterIndex, fileName);
    QString error;
    if (!saveChartPicture(*chart->customPlot(), fileName, type, &error))
        m_prompter.message(error);
}

// The graph window's "Export Report" command; the report itself is the program's to write.
void GraphWindow::onExportReportClicked() {
    emit exportReportRequested(this);
}
