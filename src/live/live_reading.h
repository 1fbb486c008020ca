#pragma once
#include <cstdint>
#include <optional>
#include <span>

// The program-wide record of the last decoded live reply.
struct LiveReading {
    std::optional<int> batteryLevel; // 0-3; empty until a reply carried a battery bit
    bool fahrenheit = false;
    bool alarm = false;
    bool alarmHigh = false;
    bool alarmLow = false;
    bool recording = false;
    bool memoryFull = false;
    bool hold = false;
    bool statsFlashMode = false;
    bool minShown = false;
    bool maxShown = false;
    bool stelShown = false;
    bool twaShown = false;
    bool statsFlashAll = false;
    bool ppmDashes = false;
    uint8_t rangeFlags = 0;
    int32_t ppm = 0;
    float temperature = 0;
    float humidity = 0;
};

// Value written for a channel that is out of range.
inline constexpr float kLiveOutOfRange = 99999.0f;

// True when the 64-byte reply is framed as a live reply (0x02 first, 0x03 last).
bool isLiveFrame(std::span<const uint8_t> reply);
// Big-endian IEEE-754 single from four bytes.
float beFloat(std::span<const uint8_t, 4> bytes);
// Updates `reading` from a 64-byte live reply; a reply that is not a live frame changes nothing.
void DecodeLiveReading(std::span<const uint8_t> reply, LiveReading& reading);
