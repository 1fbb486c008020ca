#pragma once
// The Open and Save commands of the main window and the graph save they share with the graph
// windows' own save prompts. They route to the program's three file kinds by the active window and
// by the chosen name's extension: graph files (.ghf), tab- or comma-separated text (.txt, .csv) and
// data set collections (.407).
#include <QPointer>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <span>
#include <vector>

class Clock;
class ChartWidget;
class Prompter;
class QWidget;
class GraphWindow;
class TableWindow;
struct DataSetStore;
struct GraphSeries;
struct GraphShared;
struct OpenCollectionResult;

// Filters of the graph save and the single-file open, with and without the CSV type.
inline constexpr char GraphFileFilter[] =
    "Graph file(*.ghf,only for QZ407)|*.GHF|TXT file(*.txt,data seperated "
    "by tab)|*.TXT|EXCEL file format(*.CSV,seperated by comma)|*.CSV";
inline constexpr char GraphFileFilterNoCsv[] =
    "Graph file(*.ghf,only for QZ407)|*.GHF|TXT file(*.txt,data seperated by tab)|*.TXT";
inline constexpr char GraphDefaultExt[] = "GHF";

// The graph filter for the user's locale: no CSV where the decimal separator is a comma.
QString graphFileFilter();

// The points of a chart as the text export writes them: X of subset 0, Y of subsets 0-2.
GraphSeries graphSeriesOf(const ChartWidget& chart);

class FileCommands {
  public:
    struct Windows {
        // Creates a graph window with this caption in the MDI area and places it; a graph file
        // opened goes into one at the top left, as wide as the main window and 40 pixels less
        // high than its client area.
        std::function<GraphWindow*(const QString& caption)> createGraphWindow;
        // Adds a table window read from a text file to the MDI area and shows it.
        std::function<void(TableWindow*)> addTableWindow;
        // Creates, or restores to normal size, the "DataLogger" window (prepareDataLoggerWindow
        // for a new one). When empty, one is made with createGraphWindow("DataLogger") and
        // reused while it lives.
        std::function<GraphWindow*()> dataLoggerWindow;
        // Told after a graph window's chart was written to a graph or text file.
        std::function<void(GraphWindow&)> graphSaved;
        // The window the commands' own dialogs and progress displays belong to (the main window).
        QWidget* dialogParent = nullptr;
        // Told the name of each file opened, however it was chosen (the recent files).
        std::function<void(const QString& fileName)> fileOpened;
        // Told the name of each file written (the status bar).
        std::function<void(const QString& fileName)> fileWritten;
        // The folder a kind of file dialog ("graph", "collection") starts in; empty or not set: the
        // data folder. Told the file chosen in such a dialog, to start there next time.
        std::function<QString(const QString& kind)> startFolder;
        std::function<void(const QString& kind, const QString& fileName)> fileChosen;
    };

    // The message for a file the program does not open (its extension is none of its kinds).
    static QString notOursMessage(const QString& fileName);
    // The message for a named file that is not there.
    static QString missingMessage(const QString& fileName);

    // `dataFolder` is read at each use, so it follows the main window's dataFolderPath.
    FileCommands(Prompter& prompter, Clock& clock, const QString& dataFolder, DataSetStore& store,
                 GraphShared& shared, Windows windows);

    // The Save command on the active child window (an MDI sub-window or its widget): a table
    // window exports its rows; the data-logger window asks for the collection or the set on show;
    // another graph window saves its graph; anything else does nothing.
    void runSaveCommand(QWidget* activeChild);
    // The Open command: a collection or one file.
    void runOpenCommand();

    // Asks for a graph, text or CSV file name and writes the chart by the name's extension. True
    // when a file was written.
    bool saveGraph(GraphWindow& window);
    // The collection of the last download or open, copied from the temporary image file. The
    // unsaved-download flag is cleared unless the user cancelled or the file could not be written.
    void saveAllDataSets();
    // Asks for a graph or text file and opens it in a new window.
    void openSingleFile();
    // Opens a file already chosen as File > Open would open it, by its extension: a graph file,
    // a text file as a table window, or a collection listed in the data-logger window. True when
    // it opened; a file that cannot be read is reported exactly as the Open command reports it.
    bool openNamedFile(const QString& fileName);
    // Reads a graph file into a new graph window captioned with its name. A file that cannot be
    // read is reported and no window is made.
    GraphWindow* openGraphFile(const QString& fileName);
    // Asks for a collection file and lists its sets in the data-logger window, showing the first.
    void openCollectionFile();
    // The image of the sets on show when it could not be written as the temporary image file
    // (empty once a later one was): "save all data sets" saves it instead of that older file.
    void keepUnwrittenImage(std::span<const uint8_t> image) {
        m_unwrittenImage.assign(image.begin(), image.end());
    }

  private:
    GraphWindow* dataLoggerWindow();
    bool openGraphOrText(const QString& fileName);
    bool showOpenedCollection(OpenCollectionResult& result, QPointer<GraphWindow> window);
    QString startFolder(const QString& kind) const;
    void chosen(const QString& kind, const QString& fileName) const;
    void opened(const QString& fileName) const;
    void written(const QString& fileName) const;

    Prompter& m_prompter;
    Clock& m_clock;
    const QString& m_dataFolder;
    DataSetStore& m_store;
    GraphShared& m_shared;
    Windows m_windows;
    QPointer<GraphWindow> m_dataLogger; // the data-logger window made here, without dataLoggerWindow
    std::vector<uint8_t> m_unwrittenImage;
};
