#pragma once
// The test rig of the real-time recording tests.
#include "chart/chart_widget.h"
#include "link/meter_link.h"
#include "link/simulated_meter.h"
#include "live/live_reading.h"
#include "live/poll_cycle.h"
#include "platform/clock.h"
#include "realtime/real_time_recorder.h"
#include "realtime/real_time_setup_dialog.h"
#include "support/scripted_prompter.h"

#include <QLineEdit>
#include <QPointer>
#include <QTemporaryDir>
#include <gtest/gtest.h>

constexpr double kSecond = 1.0 / 86400.0;

// The recorder's clock: the poll's virtual time, with a tick count that moves a little on every
// read, so a busy wait on it ends without real time passing.
struct SteppingClock : Clock {
    explicit SteppingClock(ManualClock& base) : base(base) {}
    QDateTime nowDateTime() const override { return base.nowDateTime(); }
    int64_t tickCount() const override { return base.tickCount() + 50 * ++reads; }
    void pumpWait(int ms) override { base.pumpWait(ms); }
    ManualClock& base;
    mutable int64_t reads = 0;
};

// A real-time recorder on the simulated meter, driven by the poll cycle on virtual time, with its
// window made bare (no main window) and its questions and dialogs answered by a script.
struct RecorderRig {
    QTemporaryDir programDir; // no chart template: the built-in look
    ManualClock clock;
    SteppingClock recorderClock{clock};
    SimulatedMeter meter{clock};
    MeterLink link{meter, clock};
    LiveReading reading;
    PollCycle poll{link, clock, reading};
    RealTimeState state;
    ScriptedPrompter prompter;
    GraphShared shared;
    QList<QPointer<GraphWindow>> windows;
    RealTimeRecorder recorder{state,
                              reading,
                              prompter,
                              recorderClock,
                              link,
                              [this] { return poll.Connected; },
                              shared,
                              [this] {
                                  windows << new GraphWindow(prompter, shared);
                                  return windows.back().data();
                              }};
    meter_memory::Reading value{800.0f, 45.5f, 22.5f};
    bool runEnabled = false, stopEnabled = false;
    int saves = 0;
    QString openedPeriod;
    std::pair<int, int> openedRate;

    RecorderRig() {
        setGraphProgramDirectory(programDir.path());
        meter.setReadingSource([this](int64_t) { return value; });
        QObject::connect(&poll, &PollCycle::secondCounted, &recorder, &RealTimeRecorder::onSecondCounted);
        QObject::connect(&poll, &PollCycle::liveReadingValid, &recorder,
                         &RealTimeRecorder::onLiveReadingValid);
        QObject::connect(&poll, &PollCycle::connectionMade, &recorder, &RealTimeRecorder::onConnectionMade);
        QObject::connect(&poll, &PollCycle::connectionLost, &recorder, &RealTimeRecorder::onConnectionLost);
        QObject::connect(&recorder, &RealTimeRecorder::buttonsChanged, [this](bool run, bool stop) {
            runEnabled = run;
            stopEnabled = stop;
        });
        QObject::connect(&recorder, &RealTimeRecorder::saveGraphRequested, [this] { ++saves; });
        recorder.createRealTimeGraph();
        tick(); // the probe connects
    }
    ~RecorderRig() {
        for (const auto& w : windows)
            delete w.data();
        setGraphProgramDirectory({});
    }

    GraphWindow& w() { return *recorder.window(); }
    ChartWidget& chart() { return *w().chart; }
    void tick() {
        clock.advance(500);
        poll.onPollTimer();
    }
    template <typename Pred> void tickUntil(Pred done) {
        for (int i = 0; i < 2000 && !done(); ++i)
            tick();
        ASSERT_TRUE(done());
    }
    // The meter's display unit, as the next live reading reports it.
    void setUnit(bool fahrenheit) {
        std::vector<uint8_t> image = meter.memory();
        image[meter_memory::UnitAt] = fahrenheit ? 1 : 0;
        meter.setMemory(std::move(image));
        tick();
    }
    void samples(int n) {
        tickUntil([&] { return state.SampleCount >= n; });
    }
    // Run with the setup dialog answered Start with this count and rate.
    void run(const QString& count, int minutes = 0, int seconds = 2) {
        prompter.dialogHandler = [=, this](QDialog& d) {
            auto& setup = dynamic_cast<RealTimeSetupDialog&>(d);
            openedPeriod = setup.periodText();
            openedRate = {setup.minutesIndex(), setup.secondsIndex()};
            setup.sampleCountEdit->setText(count);
            setup.setRate(minutes, seconds);
            return int(QDialog::Accepted);
        };
        recorder.onRunClicked();
    }
    double x(int p) { return chart().XDataII(0, p); }
};
