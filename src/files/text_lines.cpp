#include "text_lines.h"

#include "files/locale_formats.h"

#include <cmath>

const char* overloadMarker(int subset, float value) {
    static constexpr char Over[] = " OL";
    static constexpr char Under[] = " -OL";
    if (std::isnan(value))
        return Over;
    switch (subset) {
    case 0:
        return value > 40000.0f || value < 0.0f ? Over : nullptr;
    case 1:
        if (value > 100.0f)
            return Over;
        return value < 0.0f ? Under : nullptr;
    default:
        return value > 200.0f || value < -40.0f ? Over : nullptr;
    }
}

char effectiveSeparator(char requested, const LocaleFormats& formats) {
    return requested == ',' && formats.decimalIsComma() ? ';' : requested;
}

bool appendGraphTextLine(std::string& out, const LocaleFormats& formats, double time,
                         std::span<const float, 3> values, char sep) {
    if (time == 0.0)
        return false;
    formats.appendDate(out, time);
    out += sep;
    formats.appendTime(out, time);
    for (int s = 0; s < 3; ++s) {
        out += sep;
        const float value = values[static_cast<std::size_t>(s)];
        if (const char* marker = overloadMarker(s, value))
            out += marker;
        else
            formats.appendFixed1(out, value);
    }
    out += "\r\n";
    return true;
}
