// Graph files: the 4-byte length and the chart's stored state, restored as opening a graph file
// restores it, then the statistics and the text lines that a restored chart leads to.
#include "chart/chart_state.h"
#include "files/locale_formats.h"
#include "files/text_files.h"
#include "fuzz_targets.h"
#include "graph/graph_statistics.h"
#include "graph/limit_statistics.h"
#include "platform/clock.h"

#include <QLocale>
#include <QtEndian>
#include <algorithm>
#include <string>

namespace {

constexpr std::size_t kLengthBytes = 4;
constexpr std::size_t kStateHeader = 20; // magic, version, payload length, checksum
// Text lines written per input: enough to reach every formatting branch, few enough to stay fast.
constexpr int kGraphPointsChecked = 64;

void afterRestore(const ChartModel& model) {
    // What was accepted stores and restores to the very same bytes.
    const QByteArray stored = ChartState::store(model);
    ChartModel again;
    QString error;
    fuzz::require(ChartState::restore(stored, again, error), "a stored chart restores");
    fuzz::require(ChartState::store(again) == stored, "store after restore gives the same bytes");

    // The queries the drawing makes of every subset and axis.
    for (int s : model.drawnSubsets())
        fuzz::require(s >= 0 && s < model.subsets(), "drawn subsets exist");
    for (int s = 0; s < model.subsets(); ++s) {
        const int axis = model.axisOfSubset(s);
        fuzz::require(axis >= 0 && axis < model.axisCount(), "every subset has an axis");
        fuzz::require(model.xRow(s).size() == size_t(model.points()), "a row holds every point");
    }

    // The statistics of a graph opened from a file, in two locales.
    std::array<graphstats::Series, graphstats::kChannels> channels;
    for (int c = 0; c < graphstats::kChannels && c < model.subsets(); ++c)
        channels[size_t(c)] = {model.xRow(c), model.yRow(c)};
    const int points = model.subsets() >= graphstats::kChannels ? model.points() : 0;
    static const QLocale english(QLocale::English, QLocale::UnitedStates);
    static const QLocale german(QLocale::German, QLocale::Germany);
    graphstats::compute(channels, std::min(points, 4096), english);
    graphstats::compute(channels, std::min(points, 4096), german);

    // The time above the limit lines, as the window shows it, and the figures of a zoomed view.
    const limitstats::RecordingFigures figures = limitstats::computeRecording(model);
    for (const limitstats::LimitFigure& f : figures.limits) {
        fuzz::require(f.time.aboveSeconds >= 0.0 &&
                          f.time.aboveSeconds <= f.time.recordedSeconds * (1.0 + 1e-9),
                      "the time above a limit fits in the recorded time");
        limitstats::timeAboveText(f.time, german);
    }
    if (!model.zoomStack.empty()) {
        const limitstats::RangeFigures range = limitstats::computeRange(
            model, model.zoomStack.back().xMin, model.zoomStack.back().xMax, figures, english);
        fuzz::require(range.points.first >= 0 && range.points.end <= model.points() &&
                          range.points.count() >= 0,
                      "the points in view lie in the chart");
    }

    // Saved as text: the first points' lines.
    static const LocaleFormats formats(english);
    std::string out;
    for (int p = 0; p < std::min(points, kGraphPointsChecked); ++p) {
        std::array<float, 3> values{};
        for (int s = 0; s < 3; ++s)
            values[size_t(s)] = float(model.y(s, p));
        appendGraphTextLine(out, formats, model.x(0, p), values, '\t');
    }
    for (double x : model.xRow(0).first(std::min<size_t>(model.xRow(0).size(), kGraphPointsChecked)))
        fuzz::require(isDateTimeValue(x), "restored X values are dates");
}

void restoreState(const QByteArray& state) {
    ChartModel model;
    QString error;
    if (ChartState::restore(state, model, error))
        afterRestore(model);
    else
        fuzz::require(!error.isEmpty(), "a refused chart says why");
}

} // namespace

int fuzz::graphFile(const uint8_t* data, std::size_t size) {
    if (size < kLengthBytes)
        return 0;
    // As readGraphFile reads it: the length field must state exactly the rest of the file.
    const quint32 stated = qFromLittleEndian<quint32>(data);
    const QByteArray state(reinterpret_cast<const char*>(data + kLengthBytes),
                           qsizetype(size - kLengthBytes));
    if (stated == size - kLengthBytes)
        restoreState(state);

    // The state block carries its own length and checksum, which random changes almost never keep
    // right; set both so the changes reach the model's fields.
    if (size_t(state.size()) >= kStateHeader) {
        QByteArray fixed = state;
        auto* head = reinterpret_cast<uchar*>(fixed.data());
        const auto payload = std::span(reinterpret_cast<const quint8*>(fixed.constData()) + kStateHeader,
                                       size_t(fixed.size()) - kStateHeader);
        qToLittleEndian<quint32>(quint32(payload.size()), head + 12);
        qToLittleEndian<quint32>(ChartState::checksum(payload), head + 16);
        restoreState(fixed);
    }
    return 0;
}
