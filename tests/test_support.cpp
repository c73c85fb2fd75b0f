#include "test_support.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>

namespace dxfprofile::testing {

ScopedTempDir::ScopedTempDir() {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "dxfprofile-test-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
}

ScopedTempDir::~ScopedTempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

ScopedWorkingDir::ScopedWorkingDir(const std::string& path)
    : previous_(std::filesystem::current_path().string()) {
    std::filesystem::current_path(path);
}

ScopedWorkingDir::~ScopedWorkingDir() {
    std::error_code ignored;
    std::filesystem::current_path(previous_, ignored);
}

void writeFile(const std::string& path, std::string_view bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool fileExists(const std::string& path) {
    return std::filesystem::exists(path);
}

std::string groupLikeLines(unsigned seed, std::size_t size) {
    static const char* const LINES[] = {"  0",  "  8",    " 08",     "0",      "8",     "-0",
                                        "+8",   "\t8 ",   "100",     "108",    "80",    " 10",
                                        "0\r",  "ENDSEC", "ENDSECX", "EXXXXC", "WALLS", "WALLS ",
                                        "LINE", "",       "a\rb",    "SKIP"};
    const std::size_t words = std::size(LINES);
    std::mt19937 random(seed);
    std::string text;
    while (text.size() < size) {
        std::size_t pick = random() % (words + 4);
        if (pick < words) {
            text += LINES[pick];
        } else {
            for (std::size_t i = 0; i < 62 + pick - words; ++i) text += "x08 E\t"[random() % 6];
        }
        text += random() % 3 == 0 ? "\r\n" : "\n";
    }
    return text;
}

}  // namespace dxfprofile::testing
