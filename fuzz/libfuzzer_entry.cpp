// The libFuzzer entry point of one target, chosen when the program is built (QZ407_FUZZ_TARGET).
#include "fuzz_targets.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    return fuzz::QZ407_FUZZ_TARGET(data, size);
}
