// Runs kept inputs through a fuzz target: the seed corpora and every input that once made a target
// fail. A target that crashes, trips a sanitizer or breaks a rule ends the run with a failure.
// Usage: qz407_fuzz_replay <target> <file or folder>...
#include "fuzz_targets.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace fs = std::filesystem;

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s <target> <file or folder>...\n", argv[0]);
        return 2;
    }
    const std::string_view name = argv[1];
    const auto target = std::find_if(std::begin(fuzz::kTargets), std::end(fuzz::kTargets),
                                     [&](const fuzz::NamedTarget& t) { return t.name == name; });
    if (target == std::end(fuzz::kTargets)) {
        std::fprintf(stderr, "unknown target %s\n", argv[1]);
        return 2;
    }
    std::vector<fs::path> files;
    for (int i = 2; i < argc; ++i) {
        const fs::path path = argv[i];
        if (fs::is_directory(path)) {
            for (const auto& entry : fs::directory_iterator(path))
                if (entry.is_regular_file() && entry.path().filename().string()[0] != '.')
                    files.push_back(entry.path());
        } else if (fs::exists(path)) {
            files.push_back(path);
        }
    }
    std::sort(files.begin(), files.end());
    for (const fs::path& file : files) {
        std::ifstream in(file, std::ios::binary);
        const std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        std::fprintf(stderr, "%s\n", file.string().c_str());
        target->run(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    }
    std::printf("%s: %zu inputs replayed\n", argv[1], files.size());
    return 0;
}
