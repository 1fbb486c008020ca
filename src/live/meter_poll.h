#pragma once
#include <cstdint>
#include <span>

class Clock;
class MeterLink;
struct LiveReading;

// The meter side of one poll tick, without any window: the poll timer of the main window and the
// command line's live readings both go through it, so a meter is found, read and lost by the same
// rules everywhere.

// Failed live reads in a row that count as a lost meter.
inline constexpr int kPollFailLimit = 3;

enum class PollStep {
    NotFound, // no meter answered the probe, or one of another model
    Found,    // a probe found the meter: it is connected from now on
    Reading,  // a live reply was read and decoded into the reading
    Unframed, // a live reply was read but is not framed as one; nothing changed
    Missed,   // a live read failed, fewer than kPollFailLimit times in a row
    Lost,     // the kPollFailLimit-th failed read in a row: the meter is lost
};

// True when a probe reply names the supported model ('4','0','7' in bytes 23-25).
bool isSupportedMeter(std::span<const uint8_t> probeReply);

// While not `connected`, probes with 'K' and connects when the reply names our model (then waits
// 200 ms, as the meter needs). While connected, reads the live state and decodes a well-framed
// reply into `reading`; failed reads are counted in `failCount` and the kPollFailLimit-th in a row
// loses the meter (forgetMeter).
PollStep pollMeter(MeterLink& link, Clock& clock, LiveReading& reading, bool& connected, int& failCount);

// The record side of losing the meter: the flashing states are cleared, the count reset, and the
// meter no longer connected.
void forgetMeter(LiveReading& reading, bool& connected, int& failCount);
