#pragma once
#include <QDateTime>
#include <QString>
#include <array>
#include <cstdint>
#include <optional>
#include <span>

// Encoders and validators for the settings the setup dialog sends to the meter. They turn the
// editors' texts into the bytes that go out and say when the input must be refused; nothing here
// talks to the meter.
namespace meter_config {

inline const QString kInvalidInterval = QStringLiteral("Invalid Input");
inline const QString kInvalidHumidity = QStringLiteral("invalid data, must between 10.0 and -10.0");
inline const QString kInvalidTemperatureF = QStringLiteral("invalid data, must between 9.0 and -9.0");
inline const QString kInvalidTemperatureC = QStringLiteral("invalid data, must between 5.0 and -5.0");
inline const QString kInvalidCo2Offset = QStringLiteral("invalid data, must be integer between 400 and -400");
inline const QString kInvalidAltitude = QStringLiteral("invalid data, must be integer between 0 and 8848");
inline const QString kInvalidAlarm = QStringLiteral("invalid data, must be integer between 0 and 40000");
inline const QString kEraseQuestion =
    QStringLiteral("This will delete all data in the meter, are you sure ?");

// Settings-memory cells written with 'W'.
inline constexpr uint32_t kHumidityOffsetCell = 73;
inline constexpr uint32_t kTemperatureOffsetCell = 74;
inline constexpr uint32_t kPowerOffCell = 80;

// Two decimal digits packed into one byte, tens in the high nibble (0..99).
uint8_t toBcd(int value);

// The 32-byte time block of the clock command, written into `block` from `now`. Bytes 5 and 11-31
// are left as they are.
void writeTimeBlock(const QDateTime& now, std::span<uint8_t, 32> block);

struct Interval {
    uint8_t minutesBcd = 0;
    uint8_t secondsBcd = 0;
};
// Minutes and seconds editors, one or two digits each, at most 60 each and not both zero. The BCD
// bytes come from the typed digits, so "05" and "30" give 0x05 and 0x30.
std::optional<Interval> parseInterval(const QString& minutes, const QString& seconds);

// A decimal number typed in the user's locale, or with a point as the separator. Empty when the
// text is not a finite number.
std::optional<float> parseDecimal(const QString& text);

// Humidity offset in %RH (-10.0..10.0) as the signed byte of cell 73, in tenths.
std::optional<uint8_t> humidityOffsetCell(const QString& text);
// Temperature offset (-9.0..9.0 in degrees Fahrenheit, else -5.0..5.0 in degrees Celsius) as the
// signed byte of cell 74, in tenths of a degree Fahrenheit.
std::optional<uint8_t> temperatureOffsetCell(const QString& text, bool fahrenheit);
const QString& temperatureOffsetMessage(bool fahrenheit);

// CO2 offset in ppm, -400..400, as two bytes high first.
struct Co2Offset {
    enum class Status { Ok, NotInteger, OutOfRange } status = Status::NotInteger;
    std::array<uint8_t, 2> bytes{};
};
Co2Offset parseCo2Offset(const QString& text);

// Altitude in metres, 0..8848, as two bytes high first.
std::optional<std::array<uint8_t, 2>> parseAltitude(const QString& text);

// Alarm limits from the high and low editors. When the low limit is above the high one the two
// are exchanged (`swapped`), before the range check.
struct AlarmLimits {
    bool integers = false;
    bool swapped = false;
    bool inRange = false;
    int high = 0;
    int low = 0;
    bool ok() const { return integers && inRange; }
};
AlarmLimits parseAlarmLimits(const QString& highText, const QString& lowText);
// Parameter bytes 2-5 of the alarm command: high and low limit, or all 0xFF with the alarm off.
std::array<uint8_t, 4> alarmBytes(const std::optional<AlarmLimits>& on);

} // namespace meter_config
