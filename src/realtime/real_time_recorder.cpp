#include "realtime/real_time_recorder.h"

#include "chart/chart_widget.h"
#include "graph/graph_statistics.h"
#include "link/meter_link.h"
#include "live/live_reading.h"
#include "platform/clock.h"
#include "platform/prompter.h"
#include "realtime/real_time_period.h"
#include "realtime/real_time_setup_dialog.h"
#include "realtime/recording_recovery.h"

#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QThread>
#include <QToolButton>

#include <algorithm>
#include <cmath>

namespace {

constexpr double kSecond = 1.0 / 86400.0; // one second in date-time days
constexpr int kInitialPoints = 100;
constexpr double kInitialSpanSeconds = 110.0;
constexpr double kRunSpanSeconds = 100.0;
constexpr float kPpmMin = 0.0f;
constexpr float kPpmMax = 10000.0f;
constexpr float kOtherMin = -50.0f;
constexpr float kOtherMax = 100.0f;
// Consecutive samples are always joined, also across a pause in the connection.
constexpr double kNoLineGaps = 1e20;
// Only values strictly inside this band enter an average: over-range marks (90000) and empty
// points (99999) stay out.
constexpr float kAverageLow = -300.0f;
constexpr float kAverageHigh = 3000.0f;

enum RangeBit : uint8_t {
    Co2Over = 0x01,
    HumidityOver = 0x02,
    TemperatureOver = 0x04,
    TemperatureUnder = 0x08
};

const QString kRunQuestion =
    QStringLiteral("There are datas in Real_Time graph ,it have to reset the graph.\n"
                   "Do you want to save the Real-Time graph ?");
const QString kRateQuestion =
    QStringLiteral("Sampling Rate is being changed and it is recording Real-Time data or there are data in "
                   "Real_Time graph."
                   "If you want to make new sampling rate effective,it have to reset the graph.\n"
                   "Do you want to save the Real-Time graph ?");
const QString kClearQuestion = QStringLiteral("Save Real-Time Graph ?");
const QString kNotValid = QStringLiteral(" is not valid.\n");

int boxIndex(const QComboBox* box) {
    return std::max(0, box->currentIndex());
}

} // namespace

RealTimeRecorder::RealTimeRecorder(RealTimeState& state, LiveReading& reading, Prompter& prompter,
                                   Clock& clock, MeterLink& link, std::function<bool()> connected,
                                   GraphShared& shared, std::function<GraphWindow*()> createWindow,
                                   QObject* parent)
    : QObject(parent), m_state(state), m_reading(reading), m_prompter(prompter), m_clock(clock), m_link(link),
      m_connected(std::move(connected)), m_shared(shared), m_createWindow(std::move(createWindow)),
      m_journal(clock) {
    // The real-time window's close question looks at the recording's Unsaved flag.
    m_shared.realTimeUnsaved = &m_state.Unsaved;
}

// ---------------------------------------------------------------------------------------------
// The window.

GraphWindow* RealTimeRecorder::createRealTimeGraph() {
    if (m_window)
        return m_window; // there is at most one real-time graph
    GraphWindow* w = m_createWindow ? m_createWindow() : nullptr;
    if (!w)
        return nullptr;
    m_window = w;
    w->setWindowTitle(GraphWindow::kRealTimeCaption);
    w->clearDivider->show();
    w->clearButton->show();

    const double now = m_clock.now();
    w->configureGraph(3, kInitialPoints, now, now + kInitialSpanSeconds * kSecond, kPpmMin, kPpmMax,
                      kOtherMin, kOtherMax);
    w->updateCrossAndTextTools();
    w->chart->setLineGapThreshold(kNoLineGaps);

    w->samplingRatePanel->setEnabled(true);
    setBoxes(m_state.RealTimeRate);

    connect(w->clearButton, &QToolButton::clicked, this, &RealTimeRecorder::onClearClicked);
    // activated: only the user's choice changes the rate; the boxes set from code do not.
    connect(w->minutesBox, &QComboBox::activated, this, &RealTimeRecorder::onSamplingRateChanged);
    connect(w->secondsBox, &QComboBox::activated, this, &RealTimeRecorder::onSamplingRateChanged);
    connect(w, &GraphWindow::closedWindow, this, &RealTimeRecorder::onWindowClosed);
    // Answered Yes to the window's close question (the save it asks for has run by now).
    connect(w, &GraphWindow::saveGraphRequested, this, [this] { m_closeSaveAsked = true; });
    return w;
}

GraphWindow* RealTimeRecorder::showRealTimeGraph() {
    if (m_window) {
        restoreWindow();
        return m_window;
    }
    return createRealTimeGraph();
}

void RealTimeRecorder::restoreWindow() {
    if (!m_window)
        return;
    if (auto* sub = qobject_cast<QMdiSubWindow*>(m_window->parentWidget()))
        sub->showNormal();
    else
        m_window->showNormal();
}

void RealTimeRecorder::endJournal() {
    // Its journal goes unless a save was asked for and did not take every sample (cancelled or
    // failed): then it is offered back at the next start.
    if (m_closeSaveAsked && m_savedSamples != m_state.SampleCount)
        m_journal.stop(m_clock.now());
    else
        m_journal.remove();
    m_closeSaveAsked = false;
}

void RealTimeRecorder::programEnding() {
    endJournal();
}

void RealTimeRecorder::onWindowClosed(GraphWindow* window) {
    if (window != m_window)
        return;
    // The recording ends with its window.
    endJournal();
    m_window = nullptr;
    m_state.Running = false;
    m_state.SampleCount = 0;
    emit buttonsChanged(m_connected(), false);
}

void RealTimeRecorder::redraw() {
    m_window->chart->setPEactions(pe::sgResetImage);
    m_window->chart->setPEactions(pe::sgInvalidateImage);
}

void RealTimeRecorder::clearStatisticFields() {
    for (int c = 0; c < graphstats::kChannels; ++c) {
        m_window->maxField(c)->clear();
        m_window->minField(c)->clear();
        m_window->avgField(c)->clear();
    }
}

int RealTimeRecorder::boxRate() const {
    return realtime::rateSeconds(boxIndex(m_window->minutesBox), boxIndex(m_window->secondsBox));
}

void RealTimeRecorder::setBoxes(int rate) {
    m_window->minutesBox->setCurrentIndex(rate / 60);
    m_window->secondsBox->setCurrentIndex(rate % 60);
}

// ---------------------------------------------------------------------------------------------
// Run and Stop.

void RealTimeRecorder::onRunClicked() {
    if (!m_connected())
        return;
    if (m_window) {
        restoreWindow();
        if (m_state.Running || m_state.SampleCount > 0) {
            switch (m_prompter.question(kRunQuestion, Prompter::YesNoCancel)) {
            case Prompter::Yes:
                emit saveGraphRequested(m_window);
                break;
            case Prompter::No:
                break;
            default:
                return;
            }
            if (!m_window)
                return; // closed while saving
        }
    } else if (!createRealTimeGraph()) {
        return;
    }

    RealTimeSetupDialog dialog(m_window);
    dialog.setRate(boxIndex(m_window->minutesBox), boxIndex(m_window->secondsBox));
    dialog.setPeriodText(realtime::formatRunPeriod(
        realtime::recordingPeriodSeconds(realtime::InitialRealTimeCount, m_state.RealTimeRate)));
    if (m_prompter.runDialog(dialog) != QDialog::Accepted || !m_window)
        return;

    m_window->minutesBox->setCurrentIndex(dialog.minutesIndex());
    m_window->secondsBox->setCurrentIndex(dialog.secondsIndex());
    const std::optional<int> count = realtime::parseRealTimeCount(dialog.countText());
    if (!count) {
        m_prompter.message(dialog.countText() + kNotValid);
        return;
    }
    m_state.RealTimeRate = boxRate();
    if (m_state.RealTimeRate == 0)
        return;

    ChartWidget& chart = *m_window->chart;
    chart.setPoints(*count);
    chart.setXDataII(-1, 0, 0.0);
    chart.setYData(-1, 0, kNullY);
    m_state.SampleCount = 0;
    m_state.RunningMax.fill(-99999.0f);
    m_state.RunningMin.fill(99999.0f);
    clearStatisticFields();
    const double now = m_clock.now();
    m_window->startTimeField->setText(graphstats::formatDateTime(now));
    chart.setManualScaleControlX(pe::sgManualMinAndMax);
    chart.setManualMinX(now);
    chart.setManualMaxX(now + kRunSpanSeconds * kSecond);
    chart.setShowTableAnnotation(false);
    m_window->clearButton->setEnabled(false);
    redraw();

    journal::Header header;
    header.startTime = now;
    header.xMin = chart.ManualMinX();
    header.xMax = chart.ManualMaxX();
    header.extendStep = m_state.ExtendStep;
    header.rate = m_state.RealTimeRate;
    header.countLimit = *count;
    header.fahrenheit = m_reading.fahrenheit;
    for (int a = 0; a < 2; ++a) {
        chart.setWorkingAxis(a);
        header.axes[size_t(a)] = {chart.ManualScaleControlY(), chart.ManualMinY(), chart.ManualMaxY()};
    }
    chart.setWorkingAxis(0);
    // Replaces the journal of the recording just reset.
    m_window->journalWarningLabel->hide();
    if (!m_journal.start(header) && m_journal.wanted()) {
        showJournalWarning();
        m_prompter.message(kNotProtected + m_journal.problem());
    }
    m_savedSamples = -1;

    m_state.Running = true;
    emit buttonsChanged(false, true);
}

void RealTimeRecorder::waitForPollTick() {
    // The poll tick runs on this thread, so it cannot end while Stop runs from inside it: Stop
    // called for a full chart goes on at once instead of freezing the window for the whole wait.
    if (m_inPollTick)
        return;
    // Other events are deliberately not handled here: a tick must not start in the middle of Stop.
    const int64_t start = m_clock.tickCount();
    while (m_link.PollBusy && m_clock.tickCount() - start < kStopWaitMs)
        QThread::msleep(1);
}

void RealTimeRecorder::onStopClicked() {
    waitForPollTick();
    m_state.Running = false;
    emit buttonsChanged(m_connected(), false);
    const double stopTime = m_clock.now();
    m_journal.stop(stopTime);
    if (!m_window)
        return;
    finishRecording(stopTime);
}

void RealTimeRecorder::finishRecording(double stopTime) {
    restoreWindow();
    m_window->clearButton->setEnabled(true);

    ChartWidget& chart = *m_window->chart;
    if (m_state.SampleCount < chart.Points()) {
        chart.setPoints(m_state.SampleCount); // the written samples stay
        redraw();
    }
    chart.setManualMaxX(stopTime);

    // A count of 0 still counts its one sample, which has no point in the chart: average only
    // over the points that exist.
    const int points = std::min(m_state.SampleCount, chart.Points());
    for (int s = 0; s < graphstats::kChannels; ++s) {
        double sum = 0.0;
        int n = 0;
        for (int p = 0; p < points; ++p) {
            const float y = chart.YData(s, p);
            if (y > kAverageLow && y < kAverageHigh) {
                sum += y;
                ++n;
            }
        }
        const double mean = n > 0 ? sum / n : 0.0;
        m_window->avgField(s)->setText(n > 0 && std::isfinite(mean) ? graphstats::formatFixed(mean, 1)
                                                                    : graphstats::kNoValue);
    }
    redraw();
}

// ---------------------------------------------------------------------------------------------
// Sampling.

void RealTimeRecorder::onSecondCounted() {
    ++m_state.SecondTicks;
    m_journal.syncIfDue();
}

void RealTimeRecorder::onLiveReadingValid(double sampleTime) {
    if (!m_state.takeSampleIfDue() || !m_window)
        return;
    // The recording's temperatures are in the unit the meter shows as it starts; its statistics
    // apply their limits in that unit (a room at 72 F is no "OL").
    if (m_state.SampleCount == 0 && m_window->temperatureFahrenheit() != m_reading.fahrenheit)
        m_window->setTemperatureFahrenheit(m_reading.fahrenheit);
    m_inPollTick = true;
    appendRealTimeSample(m_reading.ppm, m_reading.humidity, m_reading.temperature, m_reading.rangeFlags,
                         sampleTime);
    m_inPollTick = false;
    m_state.Unsaved = true;
}

void RealTimeRecorder::appendRealTimeSample(int ppm, float humidity, float temperature, uint8_t rangeFlags,
                                            double x) {
    if (!m_window)
        return;
    plotSample(ppm, humidity, temperature, rangeFlags, x);
    redraw();
    m_state.SampleCount += 1;
    m_window->sampleCountField->setText(QString::number(m_state.SampleCount));
    const bool journaling = m_journal.isOpen();
    m_journal.append({x, ppm, humidity, temperature, rangeFlags});
    if (journaling && !m_journal.isOpen() && m_state.Running)
        showJournalWarning(); // the disk filled during the recording
    if (m_state.SampleCount >= m_window->chart->Points())
        onStopClicked();
}

void RealTimeRecorder::plotSample(int ppm, float humidity, float temperature, uint8_t rangeFlags, double x) {
    ChartWidget& chart = *m_window->chart;
    const int n = m_state.SampleCount;

    if (chart.ManualMaxX() < x)
        chart.setManualMaxX(x + m_state.ExtendStep);

    const bool ppmOver = rangeFlags & Co2Over;
    const bool humidityOver = rangeFlags & HumidityOver;
    const bool temperatureOver = rangeFlags & TemperatureOver;
    const bool temperatureUnder = rangeFlags & TemperatureUnder;
    const float ys[3] = {ppmOver ? kOverRangeY : float(ppm), humidityOver ? kOverRangeY : humidity,
                         temperatureOver || temperatureUnder ? kOverRangeY : temperature};
    for (int s = 0; s < 3; ++s) {
        chart.setXDataII(s, n, x);
        chart.setYData(s, n, ys[s]);
    }

    // The extremes compare the values as passed; a flagged channel carries 99999 there, so its
    // MAX field reads "OL" for the rest of the recording.
    const float values[3] = {float(ppm), humidity, temperature};
    const auto text = [&](int channel) -> QString {
        const QString at = u'@' + graphstats::formatDateTime(x);
        switch (channel) {
        case graphstats::Ppm:
            return ppmOver ? graphstats::kOverRange : graphstats::formatFixed(ppm, 0) + at;
        case graphstats::Humidity:
            return humidityOver ? graphstats::kOverRange : graphstats::formatFixed(humidity, 1) + at;
        default:
            if (temperatureOver)
                return graphstats::kOverRange;
            if (temperatureUnder)
                return graphstats::kUnderRange;
            return graphstats::formatFixed(temperature, 1) + at;
        }
    };
    for (int c = 0; c < graphstats::kChannels; ++c) {
        const size_t i = size_t(c);
        if (values[c] > m_state.RunningMax[i]) {
            m_state.RunningMax[i] = values[c];
            m_window->maxField(c)->setText(text(c));
        }
        if (values[c] < m_state.RunningMin[i]) {
            m_state.RunningMin[i] = values[c];
            m_window->minField(c)->setText(text(c));
        }
    }
}

// ---------------------------------------------------------------------------------------------
// The window's Clear button, rate boxes and reset.

void RealTimeRecorder::onClearClicked() {
    if (!m_window || m_state.Running)
        return; // Clear is disabled while recording
    if (m_prompter.question(kClearQuestion, Prompter::YesNo) == Prompter::Yes)
        emit saveGraphRequested(m_window);
    if (!m_window)
        return;
    m_window->chart->setPEactions(pe::sgUndoZoom);
    m_window->undoZoomButton->setEnabled(false);
    resetGraph();
}

void RealTimeRecorder::resetGraph() {
    if (!m_window)
        return;
    ChartWidget& chart = *m_window->chart;
    chart.setXDataII(-1, 0, 0.0);
    chart.setYData(-1, 0, kNullY);
    m_window->sampleCountField->clear();
    clearStatisticFields();
    m_state.SampleCount = 0;
    m_journal.remove(); // the recording it kept is gone
    m_savedSamples = -1;
    // The user's marks go to the far left of any plotted time; their indices are free again.
    const int last = std::min(m_shared.annotationCounter.value(), chart.GraphAnnotationCount() - 1);
    for (int i = AnnotationCounter::kReserved; i <= last; ++i) {
        chart.setGraphAnnotationX(i, 0.0);
        chart.setGraphAnnotationY(i, 0.0);
    }
    m_shared.annotationCounter.reset();
    redraw();
}

void RealTimeRecorder::onSamplingRateChanged() {
    if (!m_window)
        return;
    const int rate = boxRate();
    if (rate == m_state.RealTimeRate)
        return;
    m_state.RealTimeRate = rate;
    if (rate == 0) {
        setBoxes(2);
        m_state.RealTimeRate = 2;
    }
    Prompter::Answer answer = Prompter::No;
    if (m_state.Running || m_state.SampleCount > 0) {
        answer = m_prompter.question(kRateQuestion, Prompter::YesNoCancel);
        if (answer != Prompter::Yes && answer != Prompter::No)
            return; // the new rate is in force, the recording goes on
    }
    m_state.Running = false;
    m_window->clearButton->setEnabled(true);
    emit buttonsChanged(m_connected(), false);
    if (answer == Prompter::Yes)
        emit saveGraphRequested(m_window);
    if (!m_window)
        return;
    resetGraph();
    m_window->chart->setLineGapThreshold(kNoLineGaps);
    m_state.ExtendStep = m_state.RealTimeRate * 100.0 * kSecond;
    redraw();
}

// ---------------------------------------------------------------------------------------------
// Connection changes.

void RealTimeRecorder::onConnectionMade() {
    if (m_window)
        m_window->clearButton->setEnabled(!m_state.Running);
    emit buttonsChanged(!m_state.Running, m_state.Running);
}

void RealTimeRecorder::onConnectionLost() {
    emit buttonsChanged(false, false);
}

// ---------------------------------------------------------------------------------------------
// The journal: saving, and recovery at start-up.

void RealTimeRecorder::showJournalWarning() {
    if (!m_window)
        return;
    m_window->journalWarningLabel->setText(kNotProtected + m_journal.problem());
    m_window->journalWarningLabel->show();
}

void RealTimeRecorder::recordingSaved() {
    m_savedSamples = m_state.SampleCount;
    // While the recording runs, the samples still to come need the journal.
    if (!m_state.Running)
        m_journal.remove();
}

void RealTimeRecorder::offerRecovery() {
    const QString path = m_journal.recoveryPath();
    const RecoveryOutcome outcome = offerRecordingRecovery(
        path, m_prompter, [this](const journal::Contents& contents) { restoreRecording(contents); });
    if (outcome == RecoveryOutcome::Restored && m_journal.path().isEmpty()) {
        // The place could not be locked (a full disk, a read-only folder): the recording is back in
        // memory, and its journal is left as it is until it can be dealt with.
        m_prompter.message(
            QStringLiteral("The recovered recording is only in memory: %1 Its journal stays in "
                           "%2 until there is room to save the recording.")
                .arg(m_journal.problem(), QDir::toNativeSeparators(path)));
    }
}

void RealTimeRecorder::restoreRecording(const journal::Contents& contents) {
    if (!createRealTimeGraph())
        return;
    restoreWindow();
    const journal::Header& header = contents.header;
    m_window->setTemperatureFahrenheit(header.fahrenheit);
    m_state.Running = false;
    m_state.RealTimeRate = header.rate;
    setBoxes(header.rate);
    m_state.ExtendStep = header.extendStep;

    // The chart as Run prepared it.
    ChartWidget& chart = *m_window->chart;
    chart.setPoints(header.countLimit);
    chart.setXDataII(-1, 0, 0.0);
    chart.setYData(-1, 0, kNullY);
    for (int a = 0; a < 2; ++a) {
        const journal::AxisSetup& axis = header.axes[size_t(a)];
        chart.setWorkingAxis(a);
        chart.setManualScaleControlY(axis.scaleControl);
        chart.setManualMinY(axis.min);
        chart.setManualMaxY(axis.max);
    }
    chart.setWorkingAxis(0);
    m_state.SampleCount = 0;
    m_state.RunningMax.fill(-99999.0f);
    m_state.RunningMin.fill(99999.0f);
    clearStatisticFields();
    m_window->startTimeField->setText(graphstats::formatDateTime(header.startTime));
    chart.setManualScaleControlX(pe::sgManualMinAndMax);
    chart.setManualMinX(header.xMin);
    chart.setManualMaxX(header.xMax);
    chart.setShowTableAnnotation(false);

    // The samples as they were taken, then Stop; a recording cut off ends at its last sample.
    for (const journal::Sample& s : contents.samples) {
        plotSample(s.ppm, s.humidity, s.temperature, s.rangeFlags, s.x);
        ++m_state.SampleCount;
    }
    m_window->sampleCountField->setText(QString::number(m_state.SampleCount));
    redraw();
    finishRecording(
        contents.stopTime.value_or(contents.samples.empty() ? header.startTime : contents.samples.back().x));
    m_state.Unsaved = true;
    m_savedSamples = -1;
    emit buttonsChanged(m_connected(), false);
}

QString RealTimeRecorder::journalProblem() const {
    if (m_journal.isOpen())
        return {};
    if (!m_journal.problem().isEmpty())
        return m_journal.problem();
    return QStringLiteral("no journal file is kept");
}
