#pragma once
#include <cstdint>

// The meter's USB identity.
inline constexpr uint16_t MeterVendorId = 0x04D9;
inline constexpr uint16_t MeterProductId = 0xE000;

// The eight transport operations the program uses to reach the meter. Every result is 0 on
// success and non-zero otherwise. No handle passes between calls: each exchange begins with
// OpenDevice, also after an exchange that did not close.
class MeterTransport {
  public:
    virtual ~MeterTransport() = default;
    virtual int OpenDevice(uint16_t vendorId, uint16_t productId) = 0;
    virtual int SetTimeouts(uint32_t readTimeout, uint32_t writeTimeout) = 0;
    virtual int WriteFrame(uint32_t count, const uint8_t* bytes) = 0;
    virtual int FinishWrite() = 0;
    // 0 means `buffer` now holds `count` bytes from the meter.
    virtual int ReadReply(uint32_t count, uint8_t* buffer) = 0;
    virtual int CloseDevice() = 0;
    virtual int WriteBlock(uint32_t count, const uint8_t* bytes) = 0;
    // Fills `buffer` with a zero-terminated text of at most `size` bytes.
    virtual int ReadSerialNumber(int first, char* buffer, int size) = 0;
};
