// Writes the default graph template that the package installs: a chart prepared exactly as a new
// graph window prepares one without a template, stored in the graph file layout. A user who changes
// the look later ("Save this setting", the customization dialog) writes a template of their own.
//   qz407-make-template <output file>
#include "chart/chart_widget.h"
#include "graph/graph_file.h"
#include "graph/graph_window.h"
#include "platform/prompter.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <cstdio>

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fputs("usage: qz407-make-template <output file>\n", stderr);
        return 1;
    }
    // Point the template lookup at an empty folder, so an existing template cannot leak into the default.
    QTemporaryDir empty;
    setGraphProgramDirectory(empty.path());
    WidgetPrompter prompter;
    ChartWidget chart(prompter);
    configureGraph(chart, 3, 100, 0, 0, 0, 10000, -50, 100);
    const QString out = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(QFileInfo(out).absolutePath());
    QString error;
    if (!writeGraphFile(chart, out, &error)) {
        std::fprintf(stderr, "qz407-make-template: %s\n", qPrintable(error));
        return 1;
    }
    return 0;
}
