#pragma once
// The line format of the program's graph text files, without any dialog: the graph window's export
// and the command line write their lines through these, so both give the same bytes.
#include <span>
#include <string>

class LocaleFormats;

// The marker a value of subset `subset` (0 ppm, 1 %RH, 2 temperature) is written as when it lies
// outside the subset's range: " OL", or " -OL" for a humidity below 0. Null within the range.
const char* overloadMarker(int subset, float value);

// The separator actually written for a requested one: the comma becomes the semicolon when the
// decimal separator is a comma.
char effectiveSeparator(char requested, const LocaleFormats& formats);

// Appends the line of one graph point, "date sep time sep ppm sep %RH sep temperature" and CR LF,
// each value in fixed one-decimal notation or as its overload marker. A point whose time is exactly
// 0 was never filled (as at the end of a real-time graph): nothing is written and the result is
// false, which ends an export.
bool appendGraphTextLine(std::string& out, const LocaleFormats& formats, double time,
                         std::span<const float, 3> values, char sep);
