#pragma once
// The fuzz targets: one per reader of outside bytes. Each takes any bytes and runs them through the
// same functions the program uses, aborting when a rule that must hold for every input is broken.
// libFuzzer builds call one of them from LLVMFuzzerTestOneInput; the replay program of the test
// suite runs the seed corpora and the kept regression inputs through all of them.
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace fuzz {

using Target = int (*)(const uint8_t* data, std::size_t size);

// A graph file: the 4-byte length and the chart's stored state.
int graphFile(const uint8_t* data, std::size_t size);
// A collection file: a logging-memory image.
int collectionFile(const uint8_t* data, std::size_t size);
// A tabular text file; the first byte picks the locale and the file kind.
int textImport(const uint8_t* data, std::size_t size);
// Live replies, 64 bytes each, decoded one after another into one reading.
int liveReply(const uint8_t* data, std::size_t size);
// An information reply.
int infoReply(const uint8_t* data, std::size_t size);
// USB input reports, 64 bytes each, assembled into a reply.
int usbReports(const uint8_t* data, std::size_t size);

struct NamedTarget {
    std::string_view name;
    Target run;
};

inline constexpr NamedTarget kTargets[] = {
    {"graph_file", graphFile}, {"collection_file", collectionFile}, {"text_import", textImport},
    {"live_reply", liveReply}, {"info_reply", infoReply},           {"usb_reports", usbReports},
};

// Stops the run loudly when a rule that must hold for every input is broken.
[[noreturn]] void broken(const char* rule);
inline void require(bool ok, const char* rule) {
    if (!ok)
        broken(rule);
}

} // namespace fuzz
