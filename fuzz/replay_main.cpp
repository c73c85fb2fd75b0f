// Runs a fuzz target without libFuzzer: every argument is an input file, or
// a directory whose files are all replayed, in name order. Any fault aborts.
// With DXFPROFILE_SUBSET=N in the environment, only every Nth input of a
// directory runs (the sanitizer build, whose clang twin runs them all).
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "harness.h"

int main(int argc, char** argv) {
    const char* subset = std::getenv("DXFPROFILE_SUBSET");
    std::size_t every = subset != nullptr ? std::strtoul(subset, nullptr, 10) : 1;
    if (every == 0) every = 1;
    std::vector<std::filesystem::path> inputs;
    for (int i = 1; i < argc; ++i) {
        // Absolute, because the target works in a directory of its own.
        std::filesystem::path path = std::filesystem::absolute(argv[i]);
        if (std::filesystem::is_directory(path)) {
            std::vector<std::filesystem::path> files;
            for (const auto& entry : std::filesystem::directory_iterator(path)) {
                if (entry.is_regular_file()) files.push_back(entry.path());
            }
            std::sort(files.begin(), files.end());
            for (std::size_t at = 0; at < files.size(); at += every) inputs.push_back(files[at]);
        } else {
            inputs.push_back(path);
        }
    }
    if (inputs.empty()) {
        std::fprintf(stderr, "usage: %s CORPUS_DIRECTORY_OR_FILE...\n", argv[0]);
        return 1;
    }
    for (const std::filesystem::path& path : inputs) {
        std::ifstream in(path, std::ios::binary);
        if (!in) {
            std::fprintf(stderr, "cannot read %s\n", path.c_str());
            return 1;
        }
        std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
    }
    std::fprintf(stderr, "replayed %zu inputs\n", inputs.size());
    return 0;
}
