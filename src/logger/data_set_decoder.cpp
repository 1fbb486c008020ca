#include "data_set_decoder.h"

#include "platform/clock.h"

#include <QDate>
#include <bit>
#include <cmath>

namespace {

constexpr std::size_t HeaderBytes = 18; // marker, date and time, interval, unit, N, offsets
constexpr std::size_t RecordBytes = 8;
constexpr std::size_t TrailerBytes = 2; // end marker

uint16_t read16(std::span<const uint8_t> image, std::size_t at) {
    return static_cast<uint16_t>((image[at] << 8) | image[at + 1]);
}

uint32_t read32(const uint8_t* p) {
    return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | uint32_t{p[3]};
}

// A packed BCD byte as a decimal number, or -1 when either digit is above 9.
int bcdField(uint8_t b) {
    const int high = b >> 4;
    const int low = b & 0x0F;
    if (high > 9 || low > 9)
        return -1;
    return high * 10 + low;
}

// The interval digits are taken arithmetically: a digit above 9 just gives a larger number.
int intervalField(uint8_t b) {
    return (b >> 4) * 10 + (b & 0x0F);
}

int intervalSeconds(uint8_t minutesByte, uint8_t secondsByte) {
    int minutes = intervalField(minutesByte);
    int seconds = intervalField(secondsByte);
    if (minutes > 60)
        minutes = 0;
    if (seconds > 60)
        seconds = 2;
    if (minutes == 0 && seconds == 0)
        seconds = 2;
    return minutes * 60 + seconds;
}

// Date-time value of a calendar date and time of day, counted the way toDateTimeValue counts,
// without building a QDateTime.
double dateTimeValue(const QDate& date, int hour, int minute, int second) {
    static const qint64 epochDay = QDate(1899, 12, 30).toJulianDay();
    return static_cast<double>(date.toJulianDay() - epochDay) +
           (hour * 3600 + minute * 60 + second) / 86400.0;
}

double startTimeOf(std::span<const uint8_t, 6> stamp, const QDateTime& now, double nowValue) {
    const QDate today = now.date();
    const QTime clock = now.time();
    const int fallback[6] = {today.year() - 2000, today.month(),  today.day(),
                             clock.hour(),        clock.minute(), clock.second()};
    int field[6];
    for (std::size_t i = 0; i < 6; ++i) {
        const int v = bcdField(stamp[i]);
        // An unreadable hour falls back like the other fields, to the current clock's hour.
        field[i] = v < 0 ? fallback[i] : v;
    }
    const int year = 2000 + field[0];
    if (!QDate::isValid(year, field[1], field[2]) || field[3] > 23 || field[4] > 59 || field[5] > 59)
        return nowValue;
    return dateTimeValue(QDate(year, field[1], field[2]), field[3], field[4], field[5]);
}

float ppmValue(const uint8_t* p) {
    float v = std::bit_cast<float>(read32(p));
    if (std::isnan(v) || v < 0.0f || v > 40000.0f)
        v = OverRangeValue;
    return std::trunc(v);
}

float humidityValue(const uint8_t* p) {
    const float v = static_cast<float>(((p[0] << 8) | p[1]) * 0.1);
    return v > 100.0f ? OverRangeValue : v;
}

float temperatureValue(const uint8_t* p, bool fahrenheit) {
    const float celsius = static_cast<float>(((p[0] << 8) | p[1]) * 0.1);
    return fahrenheit ? static_cast<float>(celsius * 1.8 + 32.0) : celsius;
}

} // namespace

DecodedDataSets decodeDataSets(std::span<const uint8_t> image, const QDateTime& now) {
    DecodedDataSets out;
    if (image.size() < SetCountOffset + 2) {
        out.truncated = true;
        return out;
    }
    out.setsClaimed = read16(image, SetCountOffset);
    if (out.setsClaimed == 0)
        return out;
    if (out.setsClaimed > MaxDataSets) {
        out.code = DecodeTooManySets;
        return out;
    }

    const double nowValue = toDateTimeValue(now);

    // Header pass: the walk goes by the record counts alone. A set is kept only when all of it,
    // end marker included, lies inside the image; the walk stops at the first one that does not.
    out.sets.reserve(static_cast<std::size_t>(out.setsClaimed));
    std::size_t totalRecords = 0;
    std::size_t s = FirstSetOffset;
    for (int i = 0; i < out.setsClaimed; ++i) {
        if (s + HeaderBytes > image.size()) {
            out.truncated = true;
            break;
        }
        const std::size_t n = read16(image, s + 12);
        const std::size_t size = HeaderBytes + RecordBytes * n + TrailerBytes;
        if (size > image.size() - s) {
            out.truncated = true;
            break;
        }
        DataSet set;
        set.imageStart = static_cast<int32_t>(s);
        set.imageEnd = static_cast<int32_t>(s + size - 1);
        set.recordCount = static_cast<int32_t>(n);
        set.ppmOffset = static_cast<int16_t>(read16(image, s + 14));
        set.rhOffsetTenths = image[s + 16];
        set.tempOffsetTenths = image[s + 17];
        set.fahrenheit = image[s + 11];
        set.startTime = startTimeOf(image.subspan(s + 3).first<6>(), now, nowValue);
        set.intervalSeconds = intervalSeconds(image[s + 9], image[s + 10]);
        out.sets.push_back(set);
        totalRecords += n;
        s += size;
    }
    if (out.sets.empty()) {
        // Not one whole set in the image: as good as none.
        return out;
    }

    // Record pass.
    out.sampleValues.resize(3 * totalRecords);
    out.sampleTimes.resize(3 * totalRecords);
    float* value = out.sampleValues.data();
    double* time = out.sampleTimes.data();
    for (const DataSet& set : out.sets) {
        // Extended precision keeps k * D from drifting over tens of thousands of records.
        const long double start = set.startTime;
        const long double step = static_cast<long double>(set.intervalSeconds) / 86400.0L;
        const bool fahrenheit = set.fahrenheit != 0;
        const uint8_t* record = image.data() + set.imageStart + HeaderBytes;
        for (int32_t k = 0; k < set.recordCount; ++k, record += RecordBytes) {
            const double t = static_cast<double>(start + k * step);
            value[0] = ppmValue(record);
            value[1] = humidityValue(record + 6);
            value[2] = temperatureValue(record + 4, fahrenheit);
            time[0] = time[1] = time[2] = t;
            value += 3;
            time += 3;
        }
    }
    out.code = DecodeOk;
    return out;
}

int decodeDataSets(DataSetStore& store, const QDateTime& now, bool* truncated) {
    DecodedDataSets decoded = decodeDataSets(store.image, now);
    if (truncated)
        *truncated = decoded.truncated;
    if (decoded.code == DecodeOk) {
        store.sets = std::move(decoded.sets);
        store.sampleValues = std::move(decoded.sampleValues);
        store.sampleTimes = std::move(decoded.sampleTimes);
    }
    return decoded.code;
}
