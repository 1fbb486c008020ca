#pragma once
// The chart's stored state: one byte block holding the whole ChartModel.
//
// Layout (all integers little-endian):
//   8 bytes  magic "QZ407CHT"
//   u32      format version (kVersion)
//   u32      payload length in bytes
//   u32      CRC-32 (IEEE) of the payload
//   payload  the model, field after field; strings are a u32 byte count and UTF-8 bytes, lists a
//            u32 count and their items, doubles their IEEE-754 bits.
// Version 2 added the limit lines at the end of the payload; a version 1 block restores as a chart
// without any. Version 3 added one byte after them, 1 when the temperatures are in degrees
// Fahrenheit; older blocks restore as Celsius. Blocks are always written in the newest version.
// Restoring checks every length and count against the bytes present, and every value against
// what the model allows (X values must be dates, see isDateTimeValue); any inconsistency refuses
// the whole block.
#include "chart_model.h"

#include <QByteArray>
#include <QString>
#include <span>

class ChartState {
  public:
    static constexpr quint32 kVersion = 3;
    static constexpr quint32 kOldestVersion = 1;

    static QByteArray store(const ChartModel& model);
    // On success fills `model` and returns true; otherwise leaves `model` untouched and puts a
    // readable reason into `error`.
    static bool restore(const QByteArray& bytes, ChartModel& model, QString& error);
    // The CRC-32 (IEEE) that the header carries for the payload.
    static quint32 checksum(std::span<const quint8> payload);
};
