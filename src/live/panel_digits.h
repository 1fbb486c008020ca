#pragma once
#include "live_reading.h"

#include <array>

// Glyph indices of the panel's digit positions: 0-9 digits (0 also the letter O), 10 blank,
// 17 minus, 18 letter L.
namespace glyph {
inline constexpr int Blank = 10;
inline constexpr int Minus = 17;
inline constexpr int LetterL = 18;
inline constexpr int Count = 25;
} // namespace glyph

struct PanelDigits {
    std::array<int, 5> ppm{};         // ppmD0..ppmD4
    std::array<int, 4> humidity{};    // RHD1..RHD4
    std::array<int, 4> temperature{}; // T1D1..T1D4
    bool operator==(const PanelDigits&) const = default;
};

// The digits the panel shows for a reading. Values the positions cannot hold without a range flag
// (negative, or too many digits) show as dashes, so no index ever leaves 0-24.
PanelDigits computePanelDigits(const LiveReading& reading);
