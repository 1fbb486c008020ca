#pragma once
#include <QDateTime>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

// The meter's 256 KiB logging memory as the meter keeps it and a download copies it. The bytes
// from 32 to 95 are the meter's settings; the information reply 'X' is a copy of them, which is
// why the cell numbers of 'W' (73, 74, 80) are 32 more than the reply offsets they change.
namespace meter_memory {

inline constexpr uint32_t Size = 262144;
inline constexpr uint32_t BlockSize = 32;
inline constexpr uint32_t BlockCount = Size / BlockSize; // blocks are numbered 1..BlockCount

inline constexpr uint32_t SettingsAt = 32; // 64 bytes, mirrored by the information reply
inline constexpr uint32_t SettingsSize = 64;
inline constexpr uint32_t SetCountAt = 36; // 16-bit number of data sets
inline constexpr uint32_t PositionAt = 38; // 24-bit address of the last byte in use
inline constexpr uint32_t IntervalAt = 41; // minutes, seconds (BCD)
inline constexpr uint32_t FirmwareAt = 47; // version in hundredths
inline constexpr uint32_t Col2000At = 50;  // 16-bit calibration points
inline constexpr uint32_t Col400At = 52;
inline constexpr uint32_t Col0At = 54;
inline constexpr uint32_t AlarmAt = 61;      // 1 = on
inline constexpr uint32_t AlarmHighAt = 62;  // 16-bit ppm
inline constexpr uint32_t AlarmLowAt = 64;   // 16-bit ppm
inline constexpr uint32_t AltitudeAt = 70;   // 16-bit metres
inline constexpr uint32_t UnitAt = 72;       // 0 = Celsius
inline constexpr uint32_t RhOffsetAt = 73;   // signed tenths of %RH
inline constexpr uint32_t TempOffsetAt = 74; // signed tenths of a degree Fahrenheit
inline constexpr uint32_t PpmOffsetAt = 75;  // signed 16-bit ppm
inline constexpr uint32_t PowerOffAt = 80;   // code 0..6

inline constexpr uint32_t FirstSetAt = 2816;
inline constexpr uint32_t LastAddress = 258815; // no data set byte lies beyond it
inline constexpr uint32_t HeaderSize = 18;
inline constexpr uint32_t RecordSize = 8;
inline constexpr uint32_t TrailerSize = 2;
inline constexpr uint8_t ErasedByte = 0xFF;

uint8_t toBcd(int value); // 0..99
int fromBcd(uint8_t bcd); // digits taken arithmetically, so 0x1A gives 20
// High byte first, as everything in the memory.
uint32_t read16(std::span<const uint8_t> m, uint32_t at);
uint32_t read24(std::span<const uint8_t> m, uint32_t at);
void write16(std::span<uint8_t> m, uint32_t at, uint32_t value);
void write24(std::span<uint8_t> m, uint32_t at, uint32_t value);

// What starts a data set: the header fields the meter copies from its clock and settings.
struct SetHeader {
    QDateTime start;
    uint8_t intervalMinutesBcd = 0x00;
    uint8_t intervalSecondsBcd = 0x02;
    uint8_t unit = 0; // 0 = Celsius
    int16_t ppmOffset = 0;
    uint8_t rhOffset = 0;
    uint8_t tempOffset = 0;
};

// One measurement as the meter holds it: temperature always in degrees Celsius.
struct Reading {
    float ppm = 0;
    float humidity = 0;
    float temperature = 0;
};

// Logging interval in seconds from its BCD bytes, with the meter's own limits (a field above 60
// reads as 0 minutes or 2 seconds, and a zero interval as 2 seconds).
int intervalSeconds(uint8_t minutesBcd, uint8_t secondsBcd);

// A memory with default settings and no data set: the data area erased, the position just
// before the first set.
std::vector<uint8_t> blankMemory();
// Forget every data set (settings stay).
void eraseDataSets(std::vector<uint8_t>& m);
// Starts a new, empty data set after the last one; its offset, or nothing when it does not fit.
std::optional<uint32_t> beginDataSet(std::vector<uint8_t>& m, const SetHeader& header);
// Appends a record to the set at `setStart`, which must be the last set; false when memory is full.
bool appendRecord(std::vector<uint8_t>& m, uint32_t setStart, const Reading& reading);

// The slowly drifting, deterministic values behind the demo data and the simulated live reading.
Reading demoReading(double seconds);
// A memory holding four demo data sets of 120, 500, 2000 and 48 records with different intervals,
// units and offsets.
std::vector<uint8_t> buildDemoMemory();

} // namespace meter_memory
