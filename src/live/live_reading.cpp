#include "live_reading.h"

#include <bit>
#include <cmath>
#include <limits>

bool isLiveFrame(std::span<const uint8_t> reply) {
    return reply.size() >= 64 && reply[0] == 0x02 && reply[63] == 0x03;
}

float beFloat(std::span<const uint8_t, 4> b) {
    const uint32_t bits = (uint32_t(b[0]) << 24) | (uint32_t(b[1]) << 16) | (uint32_t(b[2]) << 8) | b[3];
    return std::bit_cast<float>(bits);
}

namespace {
// Truncates toward zero into int32, keeping NaN and huge values inside the type.
int32_t truncateToInt(float v) {
    if (std::isnan(v))
        return 0;
    if (v >= 2147483647.0f)
        return std::numeric_limits<int32_t>::max();
    if (v <= -2147483648.0f)
        return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(v);
}
} // namespace

void DecodeLiveReading(std::span<const uint8_t> reply, LiveReading& r) {
    if (!isLiveFrame(reply))
        return;
    const uint8_t battery = reply[1];
    if (battery & 0x04)
        r.batteryLevel = 3;
    else if (battery & 0x02)
        r.batteryLevel = 2;
    else if (battery & 0x01)
        r.batteryLevel = 1;
    else if (battery & 0x08)
        r.batteryLevel = 0;

    r.fahrenheit = reply[2] & 0x01;

    const uint8_t b3 = reply[3];
    r.alarm = b3 & 0x01;
    r.alarmHigh = b3 & 0x02;
    r.alarmLow = b3 & 0x04;
    r.memoryFull = b3 & 0x10;
    if (!r.memoryFull)
        r.recording = b3 & 0x08;
    r.hold = b3 & 0x20;
    r.statsFlashMode = b3 & 0x40;

    const uint8_t b4 = reply[4];
    r.minShown = b4 & 0x01;
    r.maxShown = b4 & 0x02;
    r.stelShown = b4 & 0x04;
    r.twaShown = b4 & 0x08;
    r.statsFlashAll = b4 & 0x10;

    r.rangeFlags = reply[6];
    r.ppmDashes = reply[5] & 0x03;

    float co2 = beFloat(reply.subspan<21, 4>());
    if (r.rangeFlags & 0x01)
        co2 = kLiveOutOfRange;
    r.ppm = truncateToInt(co2);

    float humidity = beFloat(reply.subspan<29, 4>());
    if (r.rangeFlags & 0x02)
        humidity = kLiveOutOfRange;
    r.humidity = humidity;

    float t = beFloat(reply.subspan<25, 4>());
    if (r.fahrenheit)
        t = static_cast<float>(static_cast<double>(t) * 1.8 + 32.0);
    if (r.rangeFlags & 0x0C)
        t = kLiveOutOfRange;
    r.temperature = t;
}
