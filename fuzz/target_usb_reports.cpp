// USB report framing: input reports of 64 bytes (the last one may be short) assembled into a reply
// of 32, 36 or 64 bytes, as the USB transport reads replies; and the same bytes sent as output
// reports must come back whole.
#include "fuzz_targets.h"
#include "link/hid_report_framing.h"

#include <algorithm>
#include <vector>

int fuzz::usbReports(const uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    static constexpr std::size_t kWanted[] = {32, 36, 64};
    const std::size_t wanted = kWanted[data[0] % 3];
    const std::span<const uint8_t> reports(data + 1, size - 1);

    hidframing::ReplyAssembler reply(wanted);
    for (std::size_t at = 0; at < reports.size(); at += hidframing::kReportSize) {
        const bool done =
            reply.feed(reports.subspan(at, std::min(hidframing::kReportSize, reports.size() - at)));
        require(done == reply.complete(), "feed tells whether the reply is complete");
        require(reply.bytes().size() <= wanted, "a reply never grows past the asked count");
    }
    require(!reply.complete() || reply.bytes().size() == wanted, "a complete reply holds the asked count");

    // Output: every report carries its count, and the counts and data give back the bytes sent.
    const std::vector<hidframing::OutputReport> out = hidframing::encodeOutput(reports);
    std::vector<uint8_t> sent;
    for (const auto& r : out) {
        require(r[0] == 0, "output reports carry report id 0");
        require(r[1] <= hidframing::kMaxData, "a report carries at most 63 data bytes");
        sent.insert(sent.end(), r.begin() + 2, r.begin() + 2 + r[1]);
    }
    require(std::equal(sent.begin(), sent.end(), reports.begin(), reports.end()),
            "output reports carry the bytes sent");
    return 0;
}
