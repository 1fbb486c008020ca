#pragma once
#include "meter_transport.h"

struct hid_device_;

// The meter over USB HID through hidapi. Reports are framed as hid_report_framing.h describes.
// Every blocking call is bounded by the time-outs (100 ms by default), so an unplugged meter makes
// calls fail quickly instead of hanging.
class HidMeterTransport : public MeterTransport {
  public:
    HidMeterTransport();
    ~HidMeterTransport() override;
    HidMeterTransport(const HidMeterTransport&) = delete;
    HidMeterTransport& operator=(const HidMeterTransport&) = delete;

    int OpenDevice(uint16_t vendorId, uint16_t productId) override;
    int SetTimeouts(uint32_t readTimeout, uint32_t writeTimeout) override;
    int WriteFrame(uint32_t count, const uint8_t* bytes) override;
    int FinishWrite() override;
    int ReadReply(uint32_t count, uint8_t* buffer) override;
    int CloseDevice() override;
    int WriteBlock(uint32_t count, const uint8_t* bytes) override;
    int ReadSerialNumber(int first, char* buffer, int size) override;

  private:
    int write(uint32_t count, const uint8_t* bytes);
    hid_device_* m_device = nullptr;
    int m_readTimeout = 100;
    bool m_initialised = false;
};
