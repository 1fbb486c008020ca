#pragma once
#include "graph/graph_tools.h"

#include <QString>
#include <QtGlobal>
#include <functional>
#include <vector>

class Settings;

// The limits new graph windows draw, per channel, as last set in any graph window; remembered in
// the settings. Temperature limits are kept per unit, as a chart's temperatures are in one or the
// other.
struct LimitValues {
    std::vector<double> ppm;
    std::vector<double> humidity;
    std::vector<double> celsius;
    std::vector<double> fahrenheit;
    bool operator==(const LimitValues&) const = default;
};
LimitValues readLimitValues(const Settings& settings);
void storeLimitValues(Settings& settings, const LimitValues& limits);

// Program-wide state of the graph windows, owned by the main window.
struct GraphShared {
    GraphTool tool = GraphTool::Normal;  // the tool of the next click, in any window
    AnnotationCounter annotationCounter; // index of the last mark created, in any window
    // Colour of new marks (red in the low byte); read from and written back to "AnnoColor".
    quint32 annoColor = 0;
    // Downloaded data not yet saved as a collection: set by the download, cleared by saving the
    // collection and by closing the "DataLogger" window (closing other graph windows keeps it).
    bool downloadUnsaved = false;
    // A memory download runs: the "DataLogger" window it fills refuses to close meanwhile.
    bool downloadRunning = false;
    // The real-time recording's Unsaved flag (RealTimeState::Unsaved); null until the recorder
    // hands it over.
    bool* realTimeUnsaved = nullptr;
    LimitValues limits;
    // The program's data folder, where the graph windows' own file dialogs start (empty: the
    // program's folder).
    QString dataFolder;
    // View > Show Units: Y axes titled with their units and units beside the MAX/MIN/AVG fields.
    bool showUnits = false;
    // Where a kind of file dialog ("picture") starts when it was used before (empty or unset: the
    // data folder); told the file chosen there; told each file written (the status bar).
    std::function<QString(const QString& kind)> startFolder;
    std::function<void(const QString& kind, const QString& fileName)> fileChosen;
    std::function<void(const QString& fileName)> fileWritten;
};
