#pragma once
#include "hid_backend.h"
#include "meter_transport.h"

#include <memory>

// The meter over USB HID, through a HidBackend (hidapi by default). Reports are framed as
// hid_report_framing.h describes. What each call is bounded by:
//   - writeFrame / writeBlock first drain the input reports already queued (at most 64, without
//     waiting), so a reply that came after its read had timed out is never taken for the reply to
//     this request. The write itself returns within the write time-out for all of its reports
//     together; a write that did not complete gives the device up (the next exchange opens afresh).
//   - readReply waits at most the read time-out for the whole reply, from its call to its last
//     wait: every wait for a report is cut to what is left of that time, so it returns at most one
//     report's hand-over after the time-out, however many reports come (a flood of reports that
//     carry no data included). A device that is gone fails the read at once and is given up.
//   - Time-outs are those of setTimeouts (100 ms each by default), clamped to 10 s.
// No call waits longer than these bounds, so an unplugged or stalled meter cannot hold the program.
class HidMeterTransport : public MeterTransport {
  public:
    HidMeterTransport();
    // Over another backend (tests); `backend` must outlive the transport.
    explicit HidMeterTransport(HidBackend& backend);
    ~HidMeterTransport() override;
    HidMeterTransport(const HidMeterTransport&) = delete;
    HidMeterTransport& operator=(const HidMeterTransport&) = delete;

    int openDevice(uint16_t vendorId, uint16_t productId) override;
    int setTimeouts(uint32_t readTimeout, uint32_t writeTimeout) override;
    int writeFrame(uint32_t count, const uint8_t* bytes) override;
    int finishWrite() override;
    int readReply(uint32_t count, uint8_t* buffer) override;
    int closeDevice() override;
    int writeBlock(uint32_t count, const uint8_t* bytes) override;
    int readSerialNumber(int first, char* buffer, int size) override;

    static constexpr int kDrainMax = 64;
    // After a read that timed out, the meter may still send that reply this long after: the next
    // request waits it out, so a late reply is never taken for the next one.
    static constexpr int kLateReplyWindowMs = 500;
    static constexpr uint32_t kTimeoutMax = 10000;

  private:
    int write(uint32_t count, const uint8_t* bytes);
    bool drainStaleInput();
    // Reads and drops what arrives until the late-reply window of the last timed-out read ends.
    bool waitOutLateReply();

    std::unique_ptr<HidBackend> m_ownBackend;
    HidBackend& m_backend;
    std::unique_ptr<HidDeviceIo> m_device; // declared after the backend: closed before it goes
    int m_readTimeout = 100;
    int m_writeTimeout = 100;
    // Until when a reply whose read timed out may still arrive (0: none is overdue). Kept across
    // opens: the report reaches whichever handle is open when it comes.
    int64_t m_lateUntil = 0;
};
