#include "fuzz_targets.h"

#include <cstdio>
#include <cstdlib>

[[noreturn]] void fuzz::broken(const char* rule) {
    std::fprintf(stderr, "fuzz: rule broken: %s\n", rule);
    std::abort();
}
