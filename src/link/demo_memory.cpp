#include "demo_memory.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <numbers>

namespace meter_memory {

uint8_t toBcd(int value) {
    value = std::clamp(value, 0, 99);
    return static_cast<uint8_t>((value / 10) << 4 | (value % 10));
}

int fromBcd(uint8_t bcd) {
    return (bcd >> 4) * 10 + (bcd & 0x0F);
}

uint32_t read16(std::span<const uint8_t> m, uint32_t at) {
    return uint32_t(m[at]) << 8 | m[at + 1];
}

uint32_t read24(std::span<const uint8_t> m, uint32_t at) {
    return uint32_t(m[at]) << 16 | uint32_t(m[at + 1]) << 8 | m[at + 2];
}

void write16(std::span<uint8_t> m, uint32_t at, uint32_t value) {
    m[at] = uint8_t(value >> 8);
    m[at + 1] = uint8_t(value);
}

void write24(std::span<uint8_t> m, uint32_t at, uint32_t value) {
    m[at] = uint8_t(value >> 16);
    m[at + 1] = uint8_t(value >> 8);
    m[at + 2] = uint8_t(value);
}

int intervalSeconds(uint8_t minutesBcd, uint8_t secondsBcd) {
    int minutes = fromBcd(minutesBcd);
    int seconds = fromBcd(secondsBcd);
    if (minutes > 60)
        minutes = 0;
    if (seconds > 60)
        seconds = 2;
    if (minutes == 0 && seconds == 0)
        seconds = 2;
    return minutes * 60 + seconds;
}

std::vector<uint8_t> blankMemory() {
    std::vector<uint8_t> m(Size, 0);
    std::fill(m.begin() + FirstSetAt, m.end(), ErasedByte);
    m[IntervalAt] = 0x00;
    m[IntervalAt + 1] = 0x10;
    m[FirmwareAt] = 105; // 1.05
    write16(m, Col2000At, 1873);
    write16(m, Col400At, 612);
    write16(m, Col0At, 147);
    m[AlarmAt] = 1;
    write16(m, AlarmHighAt, 1000);
    write16(m, AlarmLowAt, 500);
    m[PowerOffAt] = 1; // 10 minutes
    eraseDataSets(m);
    return m;
}

void eraseDataSets(std::vector<uint8_t>& m) {
    std::fill(m.begin() + FirstSetAt, m.end(), ErasedByte);
    write16(m, SetCountAt, 0);
    write24(m, PositionAt, FirstSetAt - 1);
}

std::optional<uint32_t> beginDataSet(std::vector<uint8_t>& m, const SetHeader& h) {
    const uint32_t count = read16(m, SetCountAt);
    // A position outside the data area (a foreign image) restarts the sets at the beginning.
    uint32_t s = read24(m, PositionAt) + 1;
    if (count == 0 || s < FirstSetAt)
        s = FirstSetAt;
    const uint32_t end = s + HeaderSize + TrailerSize - 1;
    if (count >= 0xFFFF || end > LastAddress)
        return std::nullopt;
    const QDate d = h.start.date();
    const QTime t = h.start.time();
    m[s] = 0xA5;
    m[s + 1] = 0x5A;
    m[s + 2] = 0x00;
    m[s + 3] = toBcd(d.year() % 100);
    m[s + 4] = toBcd(d.month());
    m[s + 5] = toBcd(d.day());
    m[s + 6] = toBcd(t.hour());
    m[s + 7] = toBcd(t.minute());
    m[s + 8] = toBcd(t.second());
    m[s + 9] = h.intervalMinutesBcd;
    m[s + 10] = h.intervalSecondsBcd;
    m[s + 11] = h.unit;
    write16(m, s + 12, 0);
    write16(m, s + 14, static_cast<uint16_t>(h.ppmOffset));
    m[s + 16] = h.rhOffset;
    m[s + 17] = h.tempOffset;
    m[s + HeaderSize] = 0x5A;
    m[s + HeaderSize + 1] = 0xA5;
    write16(m, SetCountAt, count + 1);
    write24(m, PositionAt, end);
    return s;
}

bool appendRecord(std::vector<uint8_t>& m, uint32_t setStart, const Reading& r) {
    const uint32_t n = read16(m, setStart + 12);
    const uint32_t at = setStart + HeaderSize + RecordSize * n;
    const uint32_t end = at + RecordSize + TrailerSize - 1;
    if (n >= 0xFFFF || end > LastAddress)
        return false;
    const uint32_t bits = std::bit_cast<uint32_t>(r.ppm);
    m[at] = uint8_t(bits >> 24);
    m[at + 1] = uint8_t(bits >> 16);
    m[at + 2] = uint8_t(bits >> 8);
    m[at + 3] = uint8_t(bits);
    const auto tenths = [](float v) {
        return static_cast<uint32_t>(std::clamp(std::lround(double(v) * 10.0), 0L, 65535L));
    };
    write16(m, at + 4, tenths(r.temperature));
    write16(m, at + 6, tenths(r.humidity));
    m[at + RecordSize] = 0x5A;
    m[at + RecordSize + 1] = 0xA5;
    write16(m, setStart + 12, n + 1);
    write24(m, PositionAt, end);
    return true;
}

Reading demoReading(double s) {
    constexpr double tau = 2 * std::numbers::pi;
    Reading r;
    // Slow swings with faster ripples on top: CO2 430-1930 ppm, 24-66 %RH, 16.2-28.8 degC.
    r.ppm = float(1180 + 560 * std::sin(tau * s / 1800) + 150 * std::sin(tau * s / 173 + 1) +
                  40 * std::sin(tau * s / 29));
    r.humidity = float(45 + 18 * std::sin(tau * s / 2400 + 2) + 3 * std::sin(tau * s / 97));
    r.temperature = float(22.5 + 5.5 * std::sin(tau * s / 3600 + 0.5) + 0.8 * std::sin(tau * s / 61));
    return r;
}

std::vector<uint8_t> buildDemoMemory() {
    struct DemoSet {
        SetHeader header;
        int records;
        double phase; // seconds into the demo waveform, so the sets differ
    };
    const QDateTime day(QDate(2026, 7, 27), QTime(10, 15, 0));
    const DemoSet sets[] = {
        {{day, 0x00, 0x02, 0, 0, 0, 0}, 120, 0},
        {{day.addDays(1).addSecs(-8100), 0x00, 0x30, 1, -25, 5, 9}, 500, 5000},
        {{day.addDays(2).addSecs(-9900), 0x01, 0x00, 0, 40, 0, 0}, 2000, 20000},
        {{day.addDays(3).addSecs(27900), 0x05, 0x00, 1, 0, 0xF6, 0xF7}, 48, 90000},
    };
    std::vector<uint8_t> m = blankMemory();
    for (const DemoSet& d : sets) {
        const uint32_t s = *beginDataSet(m, d.header);
        const int interval = intervalSeconds(d.header.intervalMinutesBcd, d.header.intervalSecondsBcd);
        for (int k = 0; k < d.records; ++k)
            appendRecord(m, s, demoReading(d.phase + double(k) * interval));
    }
    return m;
}

} // namespace meter_memory
