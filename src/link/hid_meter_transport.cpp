#include "hid_meter_transport.h"

#include "hid_report_framing.h"

#include <hidapi.h>

#include <algorithm>
#include <chrono>
#include <cstring>

HidMeterTransport::HidMeterTransport() {
    m_initialised = hid_init() == 0;
}

HidMeterTransport::~HidMeterTransport() {
    CloseDevice();
    if (m_initialised)
        hid_exit();
}

int HidMeterTransport::OpenDevice(uint16_t vendorId, uint16_t productId) {
    if (!m_initialised)
        return 1;
    // Each exchange opens afresh, also after one that did not close.
    CloseDevice();
    m_device = hid_open(vendorId, productId, nullptr);
    return m_device ? 0 : 1;
}

int HidMeterTransport::SetTimeouts(uint32_t readTimeout, uint32_t /*writeTimeout*/) {
    if (!m_device)
        return 1;
    m_readTimeout = static_cast<int>(std::min<uint32_t>(readTimeout, 10000));
    return 0;
}

int HidMeterTransport::write(uint32_t count, const uint8_t* bytes) {
    if (!m_device || !bytes)
        return 1;
    for (const auto& report : hidframing::encodeOutput({bytes, count})) {
        if (hid_write(m_device, report.data(), report.size()) < 0)
            return 1;
    }
    return 0;
}

int HidMeterTransport::WriteFrame(uint32_t count, const uint8_t* bytes) {
    return write(count, bytes);
}

int HidMeterTransport::FinishWrite() {
    return 0;
}

int HidMeterTransport::ReadReply(uint32_t count, uint8_t* buffer) {
    if (!m_device || !buffer)
        return 1;
    hidframing::ReplyAssembler assembler(count);
    uint8_t report[hidframing::kReportSize + 1];
    // The whole reply must arrive within one read time-out per report it needs, plus one.
    const auto deadline = std::chrono::steady_clock::now() +
                          std::chrono::milliseconds(m_readTimeout * (count / hidframing::kMaxData + 2));
    while (!assembler.complete()) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            return 1;
        const int n = hid_read_timeout(m_device, report, sizeof report, static_cast<int>(left.count()));
        if (n <= 0)
            return 1;
        assembler.feed({report, static_cast<std::size_t>(n)});
    }
    std::copy_n(assembler.bytes().begin(), count, buffer);
    return 0;
}

int HidMeterTransport::CloseDevice() {
    if (m_device) {
        hid_close(m_device);
        m_device = nullptr;
    }
    return 0;
}

int HidMeterTransport::WriteBlock(uint32_t count, const uint8_t* bytes) {
    return write(count, bytes);
}

int HidMeterTransport::ReadSerialNumber(int /*first*/, char* buffer, int size) {
    if (!buffer || size <= 0)
        return 1;
    buffer[0] = '\0';
    if (!m_device && OpenDevice(MeterVendorId, MeterProductId) != 0)
        return 1;
    wchar_t wide[64] = {};
    if (hid_get_serial_number_string(m_device, wide, 63) != 0)
        return 1;
    int i = 0;
    for (; i < size - 1 && wide[i] != 0; ++i)
        buffer[i] = (wide[i] < 128) ? static_cast<char>(wide[i]) : '?';
    buffer[i] = '\0';
    return 0;
}
