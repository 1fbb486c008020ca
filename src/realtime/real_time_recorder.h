#pragma once
// RealTimeRecorder: the real-time recording. It prepares the "Real-Time Graph" window, runs the
// Run and Stop commands, takes a sample from the live reading every RealTimeRate counted seconds,
// keeps the running MAX/MIN fields, and handles the window's Clear button and sampling-rate boxes.
//
// The main window owns the records and services and hands them over by reference. What only the
// main window may do it is asked for:
//   - createWindow (constructor argument) makes a bare graph window inside the MDI area; the
//     recorder then turns it into the real-time graph;
//   - buttonsChanged(run, stop) sets runButton/runAction and stopButton/stopAction;
//   - saveGraphRequested(window) runs saveGraph for the real-time chart, synchronously, before the
//     command that asked goes on.
// The poll cycle drives the sampling through onSecondCounted() and onLiveReadingValid().
//
// Every sample also goes into the recording journal (recording_journal.h) once the main window has
// named its file with setJournalPath; the journal goes when the recording is saved
// (recordingSaved), cleared, replaced by a new Run, or its window is closed without saving.
#include "graph/graph_window.h"
#include "realtime/real_time_state.h"
#include "realtime/recording_journal.h"

#include <QObject>
#include <QPointer>
#include <cstdint>
#include <functional>

class Clock;
class MeterLink;
class Prompter;
struct LiveReading;

class RealTimeRecorder : public QObject {
    Q_OBJECT
  public:
    // Over-range readings are plotted at this value (far above the scale, excluded from averages).
    static constexpr float kOverRangeY = 90000.0f;
    static constexpr float kNullY = 99999.0f;
    // Stop waits at most this long for a running poll tick.
    static constexpr int kStopWaitMs = 2500;

    RealTimeRecorder(RealTimeState& state, LiveReading& reading, Prompter& prompter, Clock& clock,
                     MeterLink& link, std::function<bool()> connected, GraphShared& shared,
                     std::function<GraphWindow*()> createWindow, QObject* parent = nullptr);

    // The real-time graph window, or null while there is none.
    GraphWindow* window() const { return m_window; }

    // Creates and prepares the real-time graph window (an existing one is returned as it is).
    GraphWindow* createRealTimeGraph();
    // View menu "Real Time &Graph": restores the window to normal size, or creates it.
    GraphWindow* showRealTimeGraph();

    // The start of the message that says a recording runs without its crash journal.
    static inline const QString kNotProtected =
        QStringLiteral("This recording is not protected against a crash: ");

    // The recording's own operations, public so the main window and the tests drive them.
    void appendRealTimeSample(int ppm, float humidity, float temperature, uint8_t rangeFlags, double x);
    void resetGraph();

    // The journal's file; empty (the default) keeps no journal. False when another running
    // program keeps its journal there: this one then keeps none.
    bool setJournalPath(const QString& path) { return m_journal.setPath(path); }
    QString journalPath() const { return m_journal.path(); }
    // Why the samples being taken go into no journal; empty while they go into one.
    QString journalProblem() const;
    // Puts a journal's recording back into the real-time graph as a stopped, unsaved recording:
    // the chart, fields and averages a Stop would have left.
    void restoreRecording(const journal::Contents& contents);

  public slots:
    // runButton and runAction.
    void onRunClicked();
    // stopButton and stopAction; also run when the chart is full.
    void onStopClicked();
    // The real-time window's Clear button.
    void onClearClicked();
    // The real-time window's sampling-rate boxes (the user's choice only).
    void onSamplingRateChanged();

    // PollCycle::secondCounted.
    void onSecondCounted();
    // PollCycle::liveReadingValid: a sample of the current LiveReading when one is due.
    void onLiveReadingValid(double sampleTime);
    // PollCycle::connectionMade / connectionLost: the button states of a connection change.
    // A recording is not stopped by a loss.
    void onConnectionMade();
    void onConnectionLost();

    // E&xit ends the program with the windows open, their questions answered: the journal goes as
    // when the real-time graph is closed.
    void programEnding();
    // The real-time chart was written to a file: a stopped recording no longer needs its journal.
    void recordingSaved();
    // At start-up: offers back a recording whose journal a run that did not end normally left.
    void offerRecovery();

  signals:
    // Enabled states of Run (runButton, runAction) and Stop (stopButton, stopAction).
    void buttonsChanged(bool runEnabled, bool stopEnabled);
    // Run saveGraph on this window's chart before returning.
    void saveGraphRequested(GraphWindow* window);

  private:
    void onWindowClosed(GraphWindow* window);
    // Writes one sample into the chart and its MAX/MIN fields, without redrawing.
    void plotSample(int ppm, float humidity, float temperature, uint8_t rangeFlags, double x);
    // Stop's work on the window: trims the points, fixes the X scale's end, fills the averages.
    void finishRecording(double stopTime);
    void restoreWindow();
    void redraw();
    void clearStatisticFields();
    void waitForPollTick();
    int boxRate() const;
    void setBoxes(int rate);

    RealTimeState& m_state;
    LiveReading& m_reading;
    Prompter& m_prompter;
    Clock& m_clock;
    MeterLink& m_link;
    std::function<bool()> m_connected;
    GraphShared& m_shared;
    std::function<GraphWindow*()> m_createWindow;
    QPointer<GraphWindow> m_window;
    // Set while a sample is written from inside a poll tick: that tick cannot end before Stop
    // returns, so Stop does not wait for it.
    // Shows in the real-time graph that its recording is not journaled, and why.
    void showJournalWarning();
    // The recording's window and questions are done with: keeps or removes the journal.
    void endJournal();
    bool m_inPollTick = false;
    RecordingJournal m_journal;
    // SampleCount when the real-time chart was last saved (-1: not since the recording began), and
    // whether the window's own close question was answered Yes.
    int m_savedSamples = -1;
    bool m_closeSaveAsked = false;
};
