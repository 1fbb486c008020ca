#include "meter_info.h"

#include <QLocale>

namespace {

uint16_t be16(std::span<const uint8_t> b, std::size_t at) {
    return static_cast<uint16_t>(b[at] << 8 | b[at + 1]);
}

const std::array<const char*, kPowerOffCodes> kPowerOffTexts{"OFF",     "10 minutes", "30 minutes", "1 hour",
                                                             "2 hours", "4 hours",    "8 hours"};
const std::array<const char*, kPowerOffCodes> kPowerOffEntries{
    "Off", "10 minutes", "30 minutes", "1 hour", "2 hours", "4 hours", "8 hours"};

} // namespace

std::optional<MeterInfo> decodeMeterInfo(std::span<const uint8_t> r) {
    if (r.size() < kMeterInfoSize)
        return std::nullopt;
    MeterInfo info;
    info.dataSets = be16(r, 4);
    info.memoryPosition = uint32_t(r[6]) << 16 | uint32_t(r[7]) << 8 | r[8];
    info.intervalMinutesBcd = r[9];
    info.intervalSecondsBcd = r[10];
    info.firmware = r[15];
    info.col2000 = be16(r, 18);
    info.col400 = be16(r, 20);
    info.col0 = be16(r, 22);
    info.alarmOn = r[29] == 1;
    info.alarmHigh = be16(r, 30);
    info.alarmLow = be16(r, 32);
    info.altitude = be16(r, 38);
    info.fahrenheit = r[40] != 0;
    info.humidityOffset = static_cast<int8_t>(r[41]);
    info.temperatureOffset = static_cast<int8_t>(r[42]);
    info.ppmOffset = static_cast<int16_t>(be16(r, 43));
    info.powerOffCode = r[48];
    info.seconds = r[49];
    info.minutes = r[50];
    info.hours = r[51];
    info.day = r[52];
    info.month = r[53];
    info.year = r[55];
    return info;
}

uint32_t memoryAvailable(uint32_t position) {
    return position > kLastMemoryAddress ? 0 : (kLastMemoryAddress - position) / 8;
}

QString bcdText(uint8_t bcd) {
    return QStringLiteral("%1").arg(bcd, 2, 16, QLatin1Char('0')).toUpper();
}

QString meterTimeText(const MeterInfo& i) {
    return bcdText(i.month) + "/" + bcdText(i.day) + "/20" + bcdText(i.year) + "   " + bcdText(i.hours) +
           ":" + bcdText(i.minutes) + ":" + bcdText(i.seconds);
}

QString intervalText(const MeterInfo& i) {
    return bcdText(i.intervalMinutesBcd) + ":" + bcdText(i.intervalSecondsBcd);
}

QString firmwareText(uint8_t hundredths, const QLocale& locale) {
    return locale.toString(hundredths * 0.01, 'f', 2);
}

QString humidityOffsetText(int8_t tenths, const QLocale& locale) {
    return locale.toString(tenths * 0.1, 'f', 1);
}

QString temperatureOffsetText(int8_t tenthsFahrenheit, bool fahrenheit, const QLocale& locale) {
    return locale.toString(fahrenheit ? tenthsFahrenheit * 0.1 : tenthsFahrenheit / 18.0, 'f', 1);
}

QString powerOffText(uint8_t code) {
    return code < kPowerOffCodes ? QString::fromLatin1(kPowerOffTexts[code]) : QString();
}

QString powerOffEntry(int index) {
    return index >= 0 && index < kPowerOffCodes ? QString::fromLatin1(kPowerOffEntries[index]) : QString();
}

MeterInfoTexts meterInfoTexts(const MeterInfo& info, const QString& serialNumber, const QLocale& locale) {
    MeterInfoTexts t;
    t.memoryAvailable = QString::number(memoryAvailable(info.memoryPosition));
    t.meterTime = meterTimeText(info);
    t.interval = intervalText(info);
    t.dataSets = QString::number(info.dataSets);
    t.firmware = firmwareText(info.firmware, locale);
    t.serialNumber = serialNumber;
    t.alarm = info.alarmOn ? QStringLiteral("ON") : QStringLiteral("OFF");
    t.high = QString::number(info.alarmHigh);
    t.low = QString::number(info.alarmLow);
    t.powerOff = powerOffText(info.powerOffCode);
    t.unit = info.fahrenheit ? QStringLiteral("F") : QStringLiteral("C");
    t.rhOffset = humidityOffsetText(info.humidityOffset, locale);
    t.temperatureOffset = temperatureOffsetText(info.temperatureOffset, info.fahrenheit, locale);
    t.ppmOffset = QString::number(info.ppmOffset);
    t.altitude = QString::number(info.altitude);
    t.col2000 = QString::number(info.col2000);
    t.col400 = QString::number(info.col400);
    t.col0 = QString::number(info.col0);
    return t;
}

std::span<const MeterInfoLine> meterInfoLines() {
    using T = MeterInfoTexts;
    static const MeterInfoLine lines[] = {
        {"Memory Available:", &T::memoryAvailable},
        {"Meter Time:", &T::meterTime},
        {"Recording Interval:", &T::interval},
        {"Data Sets In Memory:", &T::dataSets},
        {"FirmWare Version:", &T::firmware},
        {"SN:", &T::serialNumber},
        {"ALARM:", &T::alarm},
        {"Hi:", &T::high},
        {"Lo:", &T::low},
        {"time to off:", &T::powerOff},
        {"Unit Type:", &T::unit},
        {"RH offset:", &T::rhOffset},
        {"Temp. offset:", &T::temperatureOffset},
        {"ppm offset:", &T::ppmOffset},
        {"altitude compensation:", &T::altitude},
        {"Col 2000", &T::col2000},
        {"Col 400", &T::col400},
        {"Col 0", &T::col0},
    };
    return lines;
}
