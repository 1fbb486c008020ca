#pragma once
// InfluxDB line protocol for readings: measurement qz407, tag serial, float fields co2, humidity and
// temperature, string field unit, nanosecond UTC timestamp:
//   qz407,serial=QZ4070012345 co2=1180.0,humidity=45.2,temperature=22.5,unit="C" 1785499509000000000
// A value outside its range is left out and a string field names it with the text file's marker,
// so a database never holds a made-up number:
//   qz407,serial=QZ4070012345 humidity=45.2,temperature=22.5,unit="C",co2_flag="OL" 1785...
#include <QDateTime>

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace influx {

// A tag value with the characters the protocol gives a meaning (comma, equals sign, space) and the
// backslash escaped; control characters, which no line may hold, are left out.
void appendTagValue(std::string& out, std::string_view value);
// A string field value in double quotes, with quote and backslash escaped.
void appendStringField(std::string& out, std::string_view value);

// One line and its LF. `values` are ppm, %RH and temperature in the meter's unit; an empty serial
// leaves the tag out.
void appendLine(std::string& out, std::string_view serial, int64_t epochNs, std::span<const float, 3> values,
                bool fahrenheit);

// The local zone's offset from UTC, in milliseconds, at a date-time value of local time (days
// since 30 Dec 1899, see platform/clock.h); 0 for a value that is not a date.
int64_t utcOffsetMs(double dateTimeValue);
// Nanoseconds since 1970 UTC of a local date-time value read with the given offset.
int64_t epochNs(double dateTimeValue, int64_t offsetMs);

} // namespace influx
