#pragma once
#include <QLocale>
#include <QString>
#include <array>
#include <cstdint>
#include <optional>
#include <span>

// The meter's answer to the information command 'X' (64 bytes, multi-byte values high byte
// first, clock and interval in BCD), decoded into its fields and the texts the setup dialog
// shows for them.
struct MeterInfo {
    uint16_t dataSets = 0;
    uint32_t memoryPosition = 0; // last address in use of the logging memory
    uint8_t intervalMinutesBcd = 0;
    uint8_t intervalSecondsBcd = 0;
    uint8_t firmware = 0; // hundredths
    uint16_t col2000 = 0;
    uint16_t col400 = 0;
    uint16_t col0 = 0;
    bool alarmOn = false;
    uint16_t alarmHigh = 0;
    uint16_t alarmLow = 0;
    uint16_t altitude = 0;
    bool fahrenheit = false;
    int8_t humidityOffset = 0;    // tenths of %RH
    int8_t temperatureOffset = 0; // tenths of a degree Fahrenheit
    int16_t ppmOffset = 0;
    uint8_t powerOffCode = 0;
    // BCD clock bytes.
    uint8_t seconds = 0, minutes = 0, hours = 0, day = 0, month = 0, year = 0;
};

inline constexpr std::size_t kMeterInfoSize = 64;
// The last address of the logging memory; free space is counted in 8-byte records up to it.
inline constexpr uint32_t kLastMemoryAddress = 0x3F2FF;

// Empty when fewer than 64 bytes are given.
std::optional<MeterInfo> decodeMeterInfo(std::span<const uint8_t> reply);

// Free 8-byte records after `position`; 0 once the position is past the end.
uint32_t memoryAvailable(uint32_t position);

// A BCD byte as its two hexadecimal digits, so a valid byte shows its two decimal digits.
QString bcdText(uint8_t bcd);
// "MM/DD/20YY   hh:mm:ss"
QString meterTimeText(const MeterInfo& info);
// "mm:ss"
QString intervalText(const MeterInfo& info);
QString firmwareText(uint8_t hundredths, const QLocale& locale = QLocale());
QString humidityOffsetText(int8_t tenths, const QLocale& locale = QLocale());
// Shown in the meter's unit: tenths of a degree Fahrenheit, or turned into degrees Celsius.
QString temperatureOffsetText(int8_t tenthsFahrenheit, bool fahrenheit, const QLocale& locale = QLocale());

// What the information group shows for a reply, read-out by read-out: the setup dialog fills its
// read-outs from it and the command line prints it. Numbers with decimals follow `locale`.
struct MeterInfoTexts {
    QString memoryAvailable, meterTime, interval, dataSets, firmware, serialNumber, alarm, high, low,
        powerOff, unit, rhOffset, temperatureOffset, ppmOffset, altitude, col2000, col400, col0;
};
MeterInfoTexts meterInfoTexts(const MeterInfo& info, const QString& serialNumber,
                              const QLocale& locale = QLocale());

// The read-outs in the order the information group lists them, with their captions.
struct MeterInfoLine {
    const char* caption;
    QString MeterInfoTexts::*text;
};
std::span<const MeterInfoLine> meterInfoLines();

// Automatic power-off codes 0..6: read-out text and list entry. Codes above 6 have neither.
inline constexpr int kPowerOffCodes = 7;
QString powerOffText(uint8_t code);
QString powerOffEntry(int index);
