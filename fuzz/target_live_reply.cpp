// Live replies: 64 bytes each (the last one padded with zeros), decoded one after another into the
// same reading, as the poll does, and turned into the panel's digits.
#include "fuzz_targets.h"
#include "live/live_reading.h"
#include "live/panel_digits.h"

#include <algorithm>
#include <array>
#include <bit>

namespace {
// Field by field; the values by their bits, so a NaN equals itself.
bool sameReading(const LiveReading& a, const LiveReading& b) {
    return a.batteryLevel == b.batteryLevel && a.fahrenheit == b.fahrenheit && a.alarm == b.alarm &&
           a.alarmHigh == b.alarmHigh && a.alarmLow == b.alarmLow && a.recording == b.recording &&
           a.memoryFull == b.memoryFull && a.hold == b.hold && a.statsFlashMode == b.statsFlashMode &&
           a.minShown == b.minShown && a.maxShown == b.maxShown && a.stelShown == b.stelShown &&
           a.twaShown == b.twaShown && a.statsFlashAll == b.statsFlashAll && a.ppmDashes == b.ppmDashes &&
           a.rangeFlags == b.rangeFlags && a.ppm == b.ppm &&
           std::bit_cast<uint32_t>(a.temperature) == std::bit_cast<uint32_t>(b.temperature) &&
           std::bit_cast<uint32_t>(a.humidity) == std::bit_cast<uint32_t>(b.humidity);
}
} // namespace

int fuzz::liveReply(const uint8_t* data, std::size_t size) {
    LiveReading reading;
    for (std::size_t at = 0; at < size; at += 64) {
        std::array<uint8_t, 64> reply{};
        std::copy_n(data + at, std::min<std::size_t>(64, size - at), reply.begin());
        const LiveReading before = reading;
        DecodeLiveReading(reply, reading);
        if (!isLiveFrame(reply))
            require(sameReading(before, reading), "a reply that is not a live frame changes nothing");
        const PanelDigits digits = computePanelDigits(reading);
        for (int g : digits.ppm)
            require(g >= 0 && g < 25, "ppm glyphs are 0 to 24");
        for (int g : digits.humidity)
            require(g >= 0 && g < 25, "humidity glyphs are 0 to 24");
        for (int g : digits.temperature)
            require(g >= 0 && g < 25, "temperature glyphs are 0 to 24");
    }
    return 0;
}
