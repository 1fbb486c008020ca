#pragma once
// The few hidapi calls HidMeterTransport makes, behind a small interface, so that tests can put a
// scripted device in its place and the simulated meter can be reached through HID reports.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

// One open HID device. Destroying it closes the device.
class HidDeviceIo {
  public:
    virtual ~HidDeviceIo() = default;
    // Sends one output report (report id first). Returns the bytes sent, or -1 on an error or when
    // the device has not taken the report within `timeoutMs`; it returns within that time either way.
    virtual int write(std::span<const uint8_t> report, int timeoutMs) = 0;
    // Reads one input report (payload only) into `report`, waiting at most `timeoutMs` for one
    // (0: only a report already queued). Returns its length, 0 when none came, -1 when the device
    // is gone.
    virtual int read(std::span<uint8_t> report, int timeoutMs) = 0;
    // The device's serial-number string: at most `maxChars` characters, then a terminating 0.
    virtual int serialNumber(wchar_t* text, std::size_t maxChars) = 0;
};

class HidBackend {
  public:
    virtual ~HidBackend() = default;
    // The first device with these identifiers, or nullptr when there is none.
    virtual std::unique_ptr<HidDeviceIo> open(uint16_t vendorId, uint16_t productId) = 0;
    // A monotonic millisecond count, for the transport's deadlines.
    virtual int64_t nowMs() const = 0;
};

// hidapi over the system's HID driver (hidraw on Linux). Writes run on a helper thread per open
// device, so that write() returns within its time-out even while the system holds a write to a
// stalled device for longer; such a write keeps the device until it returns, and then closes it.
std::unique_ptr<HidBackend> makeHidapiBackend();
