#include "panel_digits.h"

#include <cmath>

namespace {
constexpr std::array<int, 4> kOverRange{glyph::Blank, glyph::Blank, 0, glyph::LetterL};

// One decimal, tenths cut off (never carried up), in four positions; dashes when it cannot fit.
std::array<int, 4> tenths(float value) {
    const double scaled = std::trunc(static_cast<double>(value) * 10.0);
    if (!(scaled >= 0 && scaled <= 9999))
        return {glyph::Minus, glyph::Minus, glyph::Minus, glyph::Minus};
    const int m = static_cast<int>(scaled);
    const int d1 = m / 1000;
    return {d1 == 0 ? glyph::Blank : d1, (m % 1000) / 100, (m % 100) / 10, m % 10};
}
} // namespace

PanelDigits computePanelDigits(const LiveReading& r) {
    PanelDigits d;
    const int n = r.ppm;
    if (r.ppmDashes || (!(r.rangeFlags & 0x01) && (n < 0 || n > 99999))) {
        d.ppm.fill(glyph::Minus);
    } else if (r.rangeFlags & 0x01) {
        d.ppm = {glyph::Blank, glyph::Blank, glyph::Blank, 0, glyph::LetterL};
    } else {
        int d0 = n / 10000;
        int d1 = (n % 10000) / 1000;
        if (d0 == 0) {
            d0 = glyph::Blank;
            if (d1 == 0)
                d1 = glyph::Blank;
        }
        d.ppm = {d0, d1, (n % 1000) / 100, (n % 100) / 10, n % 10};
    }

    d.humidity = (r.rangeFlags & 0x02) ? kOverRange : tenths(r.humidity);

    if (r.rangeFlags & 0x0C) {
        d.temperature = kOverRange;
        if (r.rangeFlags & 0x08)
            d.temperature[1] = glyph::Minus;
    } else {
        d.temperature = tenths(r.temperature);
    }
    return d;
}
