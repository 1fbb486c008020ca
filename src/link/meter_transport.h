#pragma once
#include <cstdint>

// The meter's USB identity.
inline constexpr uint16_t MeterVendorId = 0x04D9;
inline constexpr uint16_t MeterProductId = 0xE000;

// The eight transport operations the program uses to reach the meter. Every result is 0 on
// success and non-zero otherwise. No handle passes between calls: each exchange begins with
// openDevice, also after an exchange that did not close.
class MeterTransport {
  public:
    virtual ~MeterTransport() = default;
    virtual int openDevice(uint16_t vendorId, uint16_t productId) = 0;
    virtual int setTimeouts(uint32_t readTimeout, uint32_t writeTimeout) = 0;
    virtual int writeFrame(uint32_t count, const uint8_t* bytes) = 0;
    virtual int finishWrite() = 0;
    // 0 means `buffer` now holds `count` bytes from the meter.
    virtual int readReply(uint32_t count, uint8_t* buffer) = 0;
    virtual int closeDevice() = 0;
    virtual int writeBlock(uint32_t count, const uint8_t* bytes) = 0;
    // Fills `buffer` with a zero-terminated text of at most `size` bytes.
    virtual int readSerialNumber(int first, char* buffer, int size) = 0;
};
