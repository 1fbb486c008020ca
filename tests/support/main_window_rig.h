#pragma once
// The main window over a simulated meter, a manual clock, scripted answers and its own settings
// file and documents folder in a temporary folder: what every test of the whole program starts from.
#include "link/simulated_meter.h"
#include "platform/clock.h"
#include "platform/settings.h"
#include "shell/main_window.h"
#include "support/scripted_prompter.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

struct MainWindowRig : ::testing::Test {
    QTemporaryDir dir;
    ManualClock clock;
    SimulatedMeter meter{clock};
    ScriptedPrompter prompter;
    std::unique_ptr<Settings> settings;
    std::unique_ptr<MainWindow> main;

    // A program start over the same folders; the window before it goes without closing, as a
    // crash or kill would end it.
    void start() {
        main.reset();
        settings = std::make_unique<Settings>(dir.filePath("qz407.ini"));
        main = std::make_unique<MainWindow>(meter, clock, prompter, *settings);
        main->documentsOverride = dir.filePath("Documents");
    }
    // Shown, with the work it queues on showing done.
    void showMain() {
        main->show();
        QCoreApplication::processEvents();
    }
    // Half-second poll ticks of the main timer.
    void tick(int n = 1) {
        for (int i = 0; i < n; ++i) {
            clock.advance(500);
            main->poll().onPollTimer();
        }
    }
};
