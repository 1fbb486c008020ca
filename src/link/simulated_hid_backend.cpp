#include "simulated_hid_backend.h"

#include "hid_report_framing.h"
#include "platform/clock.h"
#include "simulated_meter.h"

#include <algorithm>

class SimulatedHidDevice : public HidDeviceIo {
  public:
    SimulatedHidDevice(SimulatedHidBackend& backend, uint64_t handle)
        : m_backend(backend), m_handle(handle) {}

    int write(std::span<const uint8_t> report, int) override {
        if (!current() || !m_backend.m_meter.pluggedIn())
            return -1;
        m_backend.request(report);
        return static_cast<int>(report.size());
    }

    int read(std::span<uint8_t> report, int timeoutMs) override {
        if (!current() || !m_backend.m_meter.pluggedIn())
            return -1;
        auto& input = m_backend.m_input;
        const int64_t now = m_backend.nowMs();
        if (input.empty() || input.front().at > now + timeoutMs) {
            m_backend.m_waited += std::max(timeoutMs, 0);
            return 0;
        }
        if (input.front().at > now)
            m_backend.m_waited += input.front().at - now;
        const std::vector<uint8_t> bytes = std::move(input.front().bytes);
        input.pop_front();
        const std::size_t n = std::min(bytes.size(), report.size());
        std::copy_n(bytes.begin(), n, report.begin());
        return static_cast<int>(n);
    }

    int serialNumber(wchar_t* text, std::size_t maxChars) override {
        if (!current())
            return -1;
        char narrow[64] = {};
        if (m_backend.m_meter.readSerialNumber(0, narrow, int(std::min<std::size_t>(maxChars + 1, 64))) != 0)
            return -1;
        std::size_t i = 0;
        for (; i < maxChars && narrow[i] != 0; ++i)
            text[i] = static_cast<wchar_t>(static_cast<unsigned char>(narrow[i]));
        text[i] = 0;
        return 0;
    }

  private:
    bool current() const { return m_handle == m_backend.m_handle; }
    SimulatedHidBackend& m_backend;
    uint64_t m_handle;
};

SimulatedHidBackend::SimulatedHidBackend(SimulatedMeter& meter, const Clock& clock)
    : m_meter(meter), m_clock(clock) {}

int64_t SimulatedHidBackend::nowMs() const {
    return m_clock.tickCount() + m_waited;
}

std::unique_ptr<HidDeviceIo> SimulatedHidBackend::open(uint16_t vendorId, uint16_t productId) {
    ++m_opens;
    if (m_meter.openDevice(vendorId, productId) != 0)
        return nullptr;
    // Reports that came while the old handle was open went with it; those still on their way
    // arrive at the new one.
    const int64_t now = nowMs();
    std::erase_if(m_input, [now](const Report& r) { return r.at <= now; });
    return std::make_unique<SimulatedHidDevice>(*this, ++m_handle);
}

void SimulatedHidBackend::request(std::span<const uint8_t> report) {
    m_output.emplace_back(report.begin(), report.end());
    const std::span<const uint8_t> data = hidframing::outputData(report);
    if (data.empty())
        return;
    const auto count = static_cast<uint32_t>(data.size());
    if (count == 7)
        m_meter.writeFrame(count, data.data());
    else
        m_meter.writeBlock(count, data.data());
    const auto reply = m_meter.takeReply();
    if (!reply)
        return;
    // The meter answers in turn: no reply overtakes a late one before it.
    int64_t at = nowMs() + (reply->late ? lateMs : latencyMs);
    if (!m_input.empty())
        at = std::max(at, m_input.back().at);
    const std::vector<uint8_t>& bytes = reply->bytes;
    if (!rawReplies) {
        for (auto& r : hidframing::encodeInput(bytes))
            m_input.push_back({at, std::move(r)});
        return;
    }
    // Another meter's framing: the reply's bytes straight in the reports, no count in front.
    for (std::size_t pos = 0; pos < bytes.size(); pos += hidframing::kReportSize) {
        const std::size_t n = std::min(hidframing::kReportSize, bytes.size() - pos);
        Report r{at, std::vector<uint8_t>(hidframing::kReportSize, 0)};
        std::copy_n(bytes.begin() + std::ptrdiff_t(pos), n, r.bytes.begin());
        m_input.push_back(std::move(r));
    }
}
