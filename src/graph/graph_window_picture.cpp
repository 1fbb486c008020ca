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
    const QString remembered =
        m_shared.startFolder ? m_shared.startFolder(QStringLiteral("picture")) : QString();
    // As every other file dialog: where pictures were saved last, else the data folder.
    request.initialDir = remembered.isEmpty() ? dataFolderOrProgramFolder(m_shared.dataFolder) : remembered;
    request.overwritePrompt = true;
    if (!m_prompter.saveFile(request))
        return;
    QString fileName = request.fileName;
    if (m_shared.fileChosen)
        m_shared.fileChosen(QStringLiteral("picture"), fileName);
    const PictureType type = pictureTypeOf(request.filterIndex, fileName);
    QString error;
    if (!saveChartPicture(*chart->customPlot(), fileName, type, &error))
        m_prompter.message(error);
    else if (m_shared.fileWritten)
        m_shared.fileWritten(fileName);
}

// The graph window's "Export Report" command; the report itself is the program's to write.
void GraphWindow::onExportReportClicked() {
    emit exportReportRequested(this);
}
