#include "hid_report_framing.h"

#include <algorithm>

namespace hidframing {

std::vector<OutputReport> encodeOutput(std::span<const uint8_t> data) {
    std::vector<OutputReport> reports;
    std::size_t pos = 0;
    do {
        OutputReport r{};
        const std::size_t n = std::min(kMaxData, data.size() - pos);
        r[1] = static_cast<uint8_t>(n);
        std::copy_n(data.begin() + static_cast<std::ptrdiff_t>(pos), n, r.begin() + 2);
        reports.push_back(r);
        pos += n;
    } while (pos < data.size());
    return reports;
}

std::span<const uint8_t> outputData(std::span<const uint8_t> report) {
    if (report.size() < 2 || report[1] == 0 || report[1] > kMaxData || report.size() < 2u + report[1])
        return {};
    return report.subspan(2, report[1]);
}

std::vector<std::vector<uint8_t>> encodeInput(std::span<const uint8_t> reply) {
    std::vector<std::vector<uint8_t>> reports;
    for (std::size_t pos = 0; pos < reply.size(); pos += kMaxData) {
        const std::size_t n = std::min(kMaxData, reply.size() - pos);
        std::vector<uint8_t> r(kReportSize, 0);
        r[0] = static_cast<uint8_t>(n);
        std::copy_n(reply.begin() + static_cast<std::ptrdiff_t>(pos), n, r.begin() + 1);
        reports.push_back(std::move(r));
    }
    return reports;
}

bool ReplyAssembler::feed(std::span<const uint8_t> report) {
    if (report.empty() || complete())
        return complete();
    const std::size_t n = report[0];
    if (n == 0 || n > kMaxData || n + 1 > report.size())
        return complete();
    const std::size_t take = std::min(n, m_wanted - m_bytes.size());
    m_bytes.insert(m_bytes.end(), report.begin() + 1, report.begin() + 1 + static_cast<std::ptrdiff_t>(take));
    return complete();
}

} // namespace hidframing
