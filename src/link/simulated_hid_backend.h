#pragma once
#include "hid_backend.h"

#include <cstdint>
#include <deque>
#include <vector>

class Clock;
class SimulatedMeter;

// The simulated meter seen through USB HID reports, so that HidMeterTransport can be run against it:
// output reports are unframed into requests for the SimulatedMeter, and its replies are framed into
// input reports that arrive latencyMs after the request, or lateMs after it (beyond the read
// time-out) when the meter's fault plan makes them late. Input reports queue as on a real device
// until they are read, and go with the handle that was open when they came (a reply still on its way
// when the device is opened again reaches the new handle). Time is the clock's
// tick count plus the time spent waiting in reads, so a test on a ManualClock never waits.
class SimulatedHidBackend : public HidBackend {
  public:
    SimulatedHidBackend(SimulatedMeter& meter, const Clock& clock);

    std::unique_ptr<HidDeviceIo> open(uint16_t vendorId, uint16_t productId) override;
    int64_t nowMs() const override;

    int latencyMs = 2;
    int lateMs = 150;
    // A meter that frames its replies otherwise than we assume: the reply's bytes straight in
    // 64-byte reports, without the count byte in front.
    bool rawReplies = false;

    // Every output report the device received, as sent (report id first).
    const std::vector<std::vector<uint8_t>>& outputReports() const { return m_output; }
    int opens() const { return m_opens; }

  private:
    friend class SimulatedHidDevice;
    struct Report {
        int64_t at = 0;
        std::vector<uint8_t> bytes;
    };
    void request(std::span<const uint8_t> report);

    SimulatedMeter& m_meter;
    const Clock& m_clock;
    int64_t m_waited = 0;
    std::deque<Report> m_input;
    std::vector<std::vector<uint8_t>> m_output;
    int m_opens = 0;
    uint64_t m_handle = 0; // the handle now open; older ones fail
};
