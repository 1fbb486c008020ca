#pragma once
#include <array>
#include <cstdint>
#include <span>
#include <vector>

// How request frames and replies travel in HID reports. This is the one place that knows it.
//
// The layout below is our assumption: no meter, no description of its reports and no capture of its
// traffic was at hand when it was written. Should a meter frame its reports otherwise, nothing
// harmful follows: its replies do not assemble into the asked byte counts, or carry bytes where the
// probe expects the model digits '4','0','7', so the meter is never taken as connected ("Off
// Connection") and no command that changes its settings or memory is ever sent, since all of them
// need a connection. Only the probe 'K' goes out, and a meter that misreads it still sees no 'W',
// 'e', 't' or 'I'.
//
// Output (host to meter): each output report carries 64 payload bytes after the report id 0:
//   payload[0]      number of data bytes that follow in this report (1-63)
//   payload[1..n]   data bytes; the rest is zero
// A 7-byte command frame fits one report; the 32-byte clock block also fits one. Longer data is
// split over as many reports as needed, in order.
//
// Input (meter to host): each input report is 64 bytes with the same layout (count, then data).
// A reply of 32, 36 or 64 bytes is the concatenation of the data bytes of the input reports read
// until the asked count is in; reports with a zero or impossible count are ignored.
namespace hidframing {

inline constexpr std::size_t kReportSize = 64; // payload bytes, report id not counted
inline constexpr std::size_t kMaxData = kReportSize - 1;

using OutputReport = std::array<uint8_t, kReportSize + 1>; // [0] = report id 0
// Room for one input report as hidapi hands it over (no report id for a device without numbered
// reports; one byte to spare should one come).
using InputReport = std::array<uint8_t, kReportSize + 1>;

std::vector<OutputReport> encodeOutput(std::span<const uint8_t> data);
// The data bytes of one output report as encodeOutput made it (the device's side); empty when the
// report is not framed so.
std::span<const uint8_t> outputData(std::span<const uint8_t> report);
// A reply as the meter sends it: input reports of kReportSize bytes (the device's side).
std::vector<std::vector<uint8_t>> encodeInput(std::span<const uint8_t> reply);

// Collects reply bytes from input reports until `wanted` bytes are in.
class ReplyAssembler {
  public:
    explicit ReplyAssembler(std::size_t wanted) : m_wanted(wanted) { m_bytes.reserve(wanted); }
    // Feeds one input report (payload, without report id); returns true once complete.
    bool feed(std::span<const uint8_t> report);
    bool complete() const { return m_bytes.size() >= m_wanted; }
    const std::vector<uint8_t>& bytes() const { return m_bytes; }

  private:
    std::size_t m_wanted;
    std::vector<uint8_t> m_bytes;
};

} // namespace hidframing
