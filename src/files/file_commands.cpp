#include "file_commands.h"

#include "chart/chart_widget.h"
#include "files/collection_file.h"
#include "files/locale_formats.h"
#include "files/open_save_choice_dialog.h"
#include "files/text_files.h"
#include "graph/graph_file.h"
#include "graph/graph_window.h"
#include "logger/data_set.h"
#include "logger/data_set_pane.h"
#include "logger/table_window.h"
#include "platform/clock.h"
#include "platform/prompter.h"

#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QMdiSubWindow>
#include <QPointer>

#include <algorithm>
#include <memory>
#include <new>

namespace {

// The extension of a chosen file name in lower case, without the dot.
QString extensionOf(const QString& fileName) {
    return QFileInfo(fileName).suffix().toLower();
}

QWidget* childWidget(QWidget* activeChild) {
    if (auto* sub = qobject_cast<QMdiSubWindow*>(activeChild))
        return sub->widget();
    return activeChild;
}

} // namespace

QString graphFileFilter() {
    return QString::fromLatin1(LocaleFormats().decimalIsComma() ? GraphFileFilterNoCsv : GraphFileFilter);
}

GraphSeries graphSeriesOf(const ChartWidget& chart) {
    GraphSeries series;
    const ChartModel& model = chart.model();
    const std::span<const double> x = model.xRow(0);
    series.x.assign(x.begin(), x.end());
    const int subsets = std::min(chart.Subsets(), 3);
    series.y.assign(3, {});
    for (int s = 0; s < subsets; ++s) {
        const std::span<const double> y = model.yRow(s);
        series.y[size_t(s)].assign(y.begin(), y.end()); // the chart keeps floats' values as doubles
        series.labels[s] = chart.SubsetLabels(s);
    }
    series.pointCount = chart.Points();
    return series;
}

FileCommands::FileCommands(Prompter& prompter, Clock& clock, const QString& dataFolder, DataSetStore& store,
                           GraphShared& shared, Windows windows)
    : m_prompter(prompter), m_clock(clock), m_dataFolder(dataFolder), m_store(store), m_shared(shared),
      m_windows(std::move(windows)) {}

void FileCommands::runSaveCommand(QWidget* activeChild) {
    QWidget* child = childWidget(activeChild);
    if (!child)
        return;
    if (auto* table = qobject_cast<TableWindow*>(child)) {
        QString writtenName;
        if (exportTableText(m_prompter, table->model(), m_dataFolder, table,
                            startFolder(QStringLiteral("text")), &writtenName) == TextExportResult::Written) {
            chosen(QStringLiteral("text"), writtenName);
            written(writtenName);
        }
        return;
    }
    auto* graph = qobject_cast<GraphWindow*>(child);
    if (!graph)
        return; // the meter panel and any other window have nothing to save
    if (graph->windowTitle() != GraphWindow::kDataLoggerCaption) {
        saveGraph(*graph);
        return;
    }
    OpenSaveChoiceDialog choice(m_windows.dialogParent);
    choice.setupForSave();
    const QPointer<GraphWindow> alive(graph);
    switch (m_prompter.runDialog(choice)) {
    case OpenSaveChoiceDialog::ResultOk:
        saveAllDataSets();
        break;
    case OpenSaveChoiceDialog::ResultNo:
        if (alive)
            saveGraph(*graph);
        break;
    default:
        break;
    }
}

void FileCommands::runOpenCommand() {
    OpenSaveChoiceDialog choice(m_windows.dialogParent);
    choice.setupForOpen(LocaleFormats().decimalIsComma());
    switch (m_prompter.runDialog(choice)) {
    case OpenSaveChoiceDialog::ResultOk:
        openCollectionFile();
        break;
    case OpenSaveChoiceDialog::ResultNo:
        openSingleFile();
        break;
    default:
        break;
    }
}

bool FileCommands::saveGraph(GraphWindow& window) {
    Prompter::FileRequest request;
    request.title = QStringLiteral("Save As");
    request.filter = graphFileFilter();
    request.filterIndex = 1;
    request.initialDir = startFolder(QStringLiteral("graph"));
    request.defaultExt = QString::fromLatin1(GraphDefaultExt);
    request.overwritePrompt = true;
    const QPointer<GraphWindow> alive(&window);
    if (!m_prompter.saveFile(request) || !alive)
        return false;
    chosen(QStringLiteral("graph"), request.fileName);

    const QString extension = extensionOf(request.fileName);
    if (extension == QLatin1String("ghf")) {
        QString error;
        if (!writeGraphFile(*window.chart, request.fileName, &error)) {
            m_prompter.message(error);
            return false;
        }
        if (m_windows.graphSaved)
            m_windows.graphSaved(window);
        written(request.fileName);
        return true;
    }
    if (extension == QLatin1String("txt") || extension == QLatin1String("csv")) {
        // A typed ".csv" writes comma-separated text even where the filter offers no CSV; in
        // comma-decimal locales the text files use the semicolon between fields instead.
        const char sep = extension == QLatin1String("csv") ? ',' : '\t';
        const bool written = exportGraphText(m_prompter, graphSeriesOf(*window.chart), request.fileName, sep,
                                             &window) == TextExportResult::Written;
        if (written && alive && m_windows.graphSaved)
            m_windows.graphSaved(window);
        if (written)
            this->written(request.fileName);
        return written;
    }
    return false; // names with other extensions are not ours to write
}

void FileCommands::saveAllDataSets() {
    QString saved;
    const SaveCollectionResult result = saveCollection(m_prompter, m_dataFolder, m_unwrittenImage,
                                                       startFolder(QStringLiteral("collection")), &saved);
    if (result == SaveCollectionResult::Saved) {
        m_shared.downloadUnsaved = false;
        chosen(QStringLiteral("collection"), saved);
        written(saved);
    }
}

void FileCommands::openSingleFile() {
    Prompter::FileRequest request;
    request.title = QStringLiteral("Open");
    request.filter = graphFileFilter();
    request.filterIndex = 1;
    request.initialDir = startFolder(QStringLiteral("graph"));
    request.fileName.clear();
    if (!m_prompter.openFile(request))
        return;
    chosen(QStringLiteral("graph"), request.fileName);
    openGraphOrText(request.fileName);
}

bool FileCommands::openGraphOrText(const QString& fileName) {
    const QString extension = extensionOf(fileName);
    bool opened = false;
    try {
        if (extension == QLatin1String("ghf")) {
            opened = openGraphFile(fileName) != nullptr;
        } else if (extension == QLatin1String("txt") || extension == QLatin1String("csv")) {
            std::unique_ptr<TableWindow> table(importTableText(m_prompter, fileName, m_windows.dialogParent));
            opened = table != nullptr;
            if (table && m_windows.addTableWindow)
                m_windows.addTableWindow(table.release());
        }
    } catch (const std::bad_alloc&) {
        // Whatever the open had built is gone with the stack; the user's other windows stay.
        m_prompter.message(
            QStringLiteral("There is not enough memory to open %1.").arg(QDir::toNativeSeparators(fileName)));
        return false;
    }
    if (opened)
        this->opened(fileName);
    return opened;
}

QString FileCommands::notOursMessage(const QString& fileName) {
    return QStringLiteral("%1 is not a file this program opens: it opens graph files (.ghf), text files "
                          "(.txt, .csv) and data set collections (.407).")
        .arg(QDir::toNativeSeparators(fileName));
}

bool FileCommands::openNamedFile(const QString& fileName) {
    if (!QFileInfo(fileName).isFile()) {
        m_prompter.message(missingMessage(fileName));
        return false;
    }
    const QString extension = extensionOf(fileName);
    if (extension == QLatin1String("407")) {
        const QPointer<GraphWindow> window = dataLoggerWindow();
        OpenCollectionResult result =
            ::openCollectionFile(m_prompter, m_store, m_dataFolder, m_clock.nowDateTime(), fileName);
        return showOpenedCollection(result, window);
    }
    if (extension == QLatin1String("ghf") || extension == QLatin1String("txt") ||
        extension == QLatin1String("csv"))
        return openGraphOrText(fileName);
    m_prompter.message(notOursMessage(fileName));
    return false;
}

QString FileCommands::missingMessage(const QString& fileName) {
    return QStringLiteral("%1 could not be opened: there is no such file.")
        .arg(QDir::toNativeSeparators(fileName));
}

QString FileCommands::startFolder(const QString& kind) const {
    const QString folder = m_windows.startFolder ? m_windows.startFolder(kind) : QString();
    return folder.isEmpty() ? effectiveDataFolder(m_dataFolder) : folder;
}

void FileCommands::chosen(const QString& kind, const QString& fileName) const {
    if (m_windows.fileChosen)
        m_windows.fileChosen(kind, fileName);
}

void FileCommands::opened(const QString& fileName) const {
    if (m_windows.fileOpened)
        m_windows.fileOpened(fileName);
}

void FileCommands::written(const QString& fileName) const {
    if (m_windows.fileWritten)
        m_windows.fileWritten(fileName);
}

GraphWindow* FileCommands::openGraphFile(const QString& fileName) {
    // Read into a chart of our own first: a file that cannot be read gets no window at all.
    QString error;
    QByteArray state;
    {
        ChartWidget probe(m_prompter);
        if (!readGraphFile(probe, fileName, &error)) {
            m_prompter.message(error);
            return nullptr;
        }
        state = probe.storeState();
    }
    if (!m_windows.createGraphWindow)
        return nullptr;
    GraphWindow* window = m_windows.createGraphWindow(fileName);
    if (!window)
        return nullptr;
    ChartWidget& chart = *window->chart;
    bool loaded = false;
    try {
        loaded = chart.loadState(state);
    } catch (...) {
        window->close(); // no half-filled window stays behind
        throw;
    }
    if (!loaded) {
        m_prompter.message(chart.lastError());
        window->close();
        return nullptr;
    }
    window->takeChartTemperatureUnit();
    window->computeGraphStatistics();
    // Unchecking "Split" puts all subsets on one Y axis, as the file has them.
    window->splitAxesBox->setChecked(chart.MultiAxesSubsets(1) > 0);
    chart.setPEactions(pe::sgReinitAndReset);
    window->showChartState();
    chart.setAllowGraphAnnotHotSpots(true);
    return window;
}

void FileCommands::openCollectionFile() {
    // The data-logger window is made or restored first, as the download does; an open that ends
    // early leaves it as it was.
    const QPointer<GraphWindow> window = dataLoggerWindow();
    OpenCollectionResult result = openCollection(m_prompter, m_store, m_dataFolder, m_clock.nowDateTime(),
                                                 startFolder(QStringLiteral("collection")));
    if (result.outcome != OpenCollectionResult::Cancelled)
        chosen(QStringLiteral("collection"), result.path);
    showOpenedCollection(result, window);
}

bool FileCommands::showOpenedCollection(OpenCollectionResult& result, QPointer<GraphWindow> window) {
    if (result.outcome != OpenCollectionResult::Decoded &&
        result.outcome != OpenCollectionResult::TempFolderFailed)
        return false;
    m_unwrittenImage = std::move(result.unwrittenImage); // empty once the temporary file holds it
    if (!window)                                         // closed while the file dialog was open
        window = dataLoggerWindow();
    if (!window)
        return false;
    installDataSetPane(*window, m_store)->listDataSets(m_store);
    if (result.outcome == OpenCollectionResult::Decoded)
        showDataSet(*window, m_store, 0);
    opened(result.path);
    return true;
}

GraphWindow* FileCommands::dataLoggerWindow() {
    GraphWindow* window = nullptr;
    if (m_windows.dataLoggerWindow) {
        window = m_windows.dataLoggerWindow();
        if (window)
            installDataSetPane(*window, m_store);
    } else if (m_dataLogger) {
        window = m_dataLogger;
    } else if (m_windows.createGraphWindow) {
        window = m_windows.createGraphWindow(GraphWindow::kDataLoggerCaption);
        if (window)
            prepareDataLoggerWindow(*window, m_store, m_clock.now());
        m_dataLogger = window;
    }
    return window;
}
