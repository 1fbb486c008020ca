// Collection files: a logging-memory image decoded as opening a collection (or a download) decodes
// it, then each set's row in the Data Sets pane and the statistics of the set on show.
#include "fuzz_targets.h"
#include "graph/graph_statistics.h"
#include "logger/data_set_decoder.h"
#include "logger/data_set_pane.h"

#include <QDateTime>
#include <QLocale>
#include <numeric>

namespace {
// Sets whose rows and statistics are worked out per input.
constexpr std::size_t kSetsShown = 16;
} // namespace

int fuzz::collectionFile(const uint8_t* data, std::size_t size) {
    static const QDateTime now(QDate(2026, 7, 31), QTime(14, 5, 9));
    const std::span<const uint8_t> image(data, size);
    const DecodedDataSets decoded = decodeDataSets(image, now);
    if (decoded.code != DecodeOk) {
        require(decoded.sets.empty() && decoded.sampleValues.empty(), "a refused image yields nothing");
        return 0;
    }
    require(!decoded.sets.empty(), "a decoded image has a set");
    require(decoded.sets.size() <= size_t(decoded.setsClaimed), "no more sets than claimed");
    std::size_t records = 0;
    for (const DataSet& set : decoded.sets) {
        require(set.imageStart >= 0 && set.imageEnd < int64_t(size), "every set lies inside the image");
        require(set.imageEnd == set.imageStart + 19 + 8 * set.recordCount, "a set ends after its records");
        require(set.intervalSeconds >= 1 && set.intervalSeconds <= 3660, "intervals are 1 to 3660 seconds");
        records += size_t(set.recordCount);
    }
    require(decoded.sampleValues.size() == 3 * records && decoded.sampleTimes.size() == 3 * records,
            "three samples per record");

    static const QLocale english(QLocale::English, QLocale::UnitedStates);
    std::size_t first = 0;
    for (std::size_t k = 0; k < decoded.sets.size() && k < kSetsShown; ++k) {
        const DataSet& set = decoded.sets[k];
        DataSetPane::rowTexts(int(k), set);
        // The set as its graph shows it: subset c holds every third sample from index c.
        const auto n = size_t(set.recordCount);
        std::array<std::vector<double>, 3> xs, ys;
        for (std::size_t c = 0; c < 3; ++c) {
            xs[c].resize(n);
            ys[c].resize(n);
            for (std::size_t p = 0; p < n; ++p) {
                xs[c][p] = decoded.sampleTimes[first + 3 * p + c];
                ys[c][p] = decoded.sampleValues[first + 3 * p + c];
            }
        }
        graphstats::compute({graphstats::Series{xs[0], ys[0]}, {xs[1], ys[1]}, {xs[2], ys[2]}}, int(n),
                            english);
        first += 3 * n;
    }
    return 0;
}
