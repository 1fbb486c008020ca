#pragma once
// Shared pieces of the benchmark programs: a prompter that opens nothing, and a main() body that
// runs the benchmarks inside an offscreen QApplication (windows and dialogs need one).
#include "platform/prompter.h"

#include <QApplication>
#include <QDialog>
#include <benchmark/benchmark.h>

class SilentPrompter : public Prompter {
  public:
    void message(const QString&) override {}
    Answer question(const QString&, Buttons) override { return Cancel; }
    bool saveFile(FileRequest&) override { return false; }
    bool openFile(FileRequest&) override { return false; }
    bool chooseColor(QColor&) override { return false; }
    bool chooseFont(QFont&) override { return false; }
    int runDialog(QDialog&) override { return QDialog::Rejected; }
};

inline int runBenchmarks(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
