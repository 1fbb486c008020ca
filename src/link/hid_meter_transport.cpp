#include "hid_meter_transport.h"

#include "hid_report_framing.h"

#include <algorithm>

HidMeterTransport::HidMeterTransport() : m_ownBackend(makeHidapiBackend()), m_backend(*m_ownBackend) {}

HidMeterTransport::HidMeterTransport(HidBackend& backend) : m_backend(backend) {}

HidMeterTransport::~HidMeterTransport() {
    closeDevice();
}

int HidMeterTransport::openDevice(uint16_t vendorId, uint16_t productId) {
    // Each exchange opens afresh, also after one that did not close.
    closeDevice();
    m_device = m_backend.open(vendorId, productId);
    return m_device ? 0 : 1;
}

int HidMeterTransport::setTimeouts(uint32_t readTimeout, uint32_t writeTimeout) {
    if (!m_device)
        return 1;
    m_readTimeout = static_cast<int>(std::min(readTimeout, kTimeoutMax));
    m_writeTimeout = static_cast<int>(std::min(writeTimeout, kTimeoutMax));
    return 0;
}

bool HidMeterTransport::drainStaleInput() {
    hidframing::InputReport report{};
    for (int i = 0; i < kDrainMax; ++i) {
        const int n = m_device->read(report, 0);
        if (n < 0)
            return false;
        if (n == 0)
            return true;
    }
    return true; // a device that keeps sending: the read's deadline copes with the rest
}

bool HidMeterTransport::waitOutLateReply() {
    hidframing::InputReport report{};
    for (int64_t left = m_lateUntil - m_backend.nowMs(); left > 0; left = m_lateUntil - m_backend.nowMs()) {
        if (m_device->read(report, static_cast<int>(left)) < 0)
            return false;
    }
    m_lateUntil = 0;
    return true;
}

int HidMeterTransport::write(uint32_t count, const uint8_t* bytes) {
    if (!m_device || !bytes)
        return 1;
    if (!drainStaleInput() || !waitOutLateReply()) {
        m_device.reset();
        return 1;
    }
    const int64_t deadline = m_backend.nowMs() + m_writeTimeout;
    for (const auto& report : hidframing::encodeOutput({bytes, count})) {
        const int left = static_cast<int>(std::max<int64_t>(deadline - m_backend.nowMs(), 0));
        if (m_device->write(report, left) < 0) {
            // Stalled or gone: a write may still be under way, so the device is not used again.
            m_device.reset();
            return 1;
        }
    }
    return 0;
}

int HidMeterTransport::writeFrame(uint32_t count, const uint8_t* bytes) {
    return write(count, bytes);
}

int HidMeterTransport::finishWrite() {
    return 0;
}

int HidMeterTransport::readReply(uint32_t count, uint8_t* buffer) {
    if (!m_device || !buffer)
        return 1;
    hidframing::ReplyAssembler assembler(count);
    hidframing::InputReport report{};
    const int64_t deadline = m_backend.nowMs() + m_readTimeout;
    while (!assembler.complete()) {
        const int64_t left = deadline - m_backend.nowMs();
        const int n = left > 0 ? m_device->read(report, static_cast<int>(left)) : 0;
        if (n < 0) {
            m_device.reset(); // unplugged between the write and the read
            return 1;
        }
        if (n == 0) {
            // Timed out: the rest of this reply may still come, after the next request went out.
            m_lateUntil = m_backend.nowMs() + kLateReplyWindowMs;
            return 1;
        }
        assembler.feed({report.data(), static_cast<std::size_t>(n)});
    }
    std::copy_n(assembler.bytes().begin(), count, buffer);
    return 0;
}

int HidMeterTransport::closeDevice() {
    m_device.reset();
    return 0;
}

int HidMeterTransport::writeBlock(uint32_t count, const uint8_t* bytes) {
    return write(count, bytes);
}

int HidMeterTransport::readSerialNumber(int /*first*/, char* buffer, int size) {
    if (!buffer || size <= 0)
        return 1;
    buffer[0] = '\0';
    if (!m_device && openDevice(MeterVendorId, MeterProductId) != 0)
        return 1;
    wchar_t wide[64] = {};
    if (m_device->serialNumber(wide, 63) != 0)
        return 1;
    int i = 0;
    for (; i < size - 1 && wide[i] != 0; ++i)
        buffer[i] = (wide[i] < 128) ? static_cast<char>(wide[i]) : '?';
    buffer[i] = '\0';
    return 0;
}
