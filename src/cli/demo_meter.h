#pragma once
// The simulated meter behind --demo, and what the tests and demonstrations may ask of it with the
// hidden option --demo-fault: a comma-separated list of
//   unplug-after=N      the cable is pulled after N request frames reached the meter
//   replug-after=MS     ... and plugged in again MS milliseconds (of the clock) later
//   absent              no meter is plugged in at all
//   recording           the meter logs (its REC key was pressed), so a download is refused
//   fail-block=N[+N]    the N-th block request ('P' and 'p' counted together) gets no reply
//   corrupt-checksum=B  the reply for block B carries a wrong checksum
//   refuse=LETTERS      setting commands with these letters are not acknowledged
//   memory=PATH         the meter's logging memory (with its settings) is the image in this file
//   range=BITS          the live reply's range flags (byte 6): 1 CO2 over, 2 humidity over,
//                       4 temperature over, 8 temperature under
// These are test and demo aids only; a real meter is never touched by them.
#include "link/fault_plan.h"
#include "link/meter_transport.h"
#include "link/simulated_meter.h"

#include <QString>
#include <cstdint>
#include <optional>
#include <vector>

class Clock;

struct DemoAids {
    FaultPlan faults;
    std::optional<int64_t> replugAfterMs;
    bool absent = false;
    bool recording = false;
    uint8_t rangeFlags = 0;
    std::optional<std::vector<uint8_t>> memory;
};

// Empty, with the reason in `error`, when the text is not a list of the aids above or a memory
// file cannot be read.
std::optional<DemoAids> parseDemoAids(const QString& plan, QString* error);

// The simulated meter with its aids applied; it comes back after an unplug when replugAfterMs says so.
class DemoMeter : public MeterTransport {
  public:
    DemoMeter(const Clock& clock, const DemoAids& aids);

    int openDevice(uint16_t vendorId, uint16_t productId) override;
    int setTimeouts(uint32_t readTimeout, uint32_t writeTimeout) override;
    int writeFrame(uint32_t count, const uint8_t* bytes) override;
    int finishWrite() override;
    int readReply(uint32_t count, uint8_t* buffer) override;
    int closeDevice() override;
    int writeBlock(uint32_t count, const uint8_t* bytes) override;
    int readSerialNumber(int first, char* buffer, int size) override;

    SimulatedMeter& meter() { return m_meter; }

  private:
    void replugWhenDue();

    const Clock& m_clock;
    SimulatedMeter m_meter;
    std::optional<int64_t> m_replugAfterMs;
    std::optional<int64_t> m_unpluggedAt;
};
