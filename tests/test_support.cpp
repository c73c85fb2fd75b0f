#include "test_support.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
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

std::vector<std::string> referencePieces(const std::string& bytes) {
    std::vector<std::string> pieces;
    std::string piece;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') continue;
        piece += bytes[i];
        if (bytes[i] == '\n' || piece.size() == PIECE_LENGTH) {
            pieces.push_back(piece);
            piece.clear();
        }
    }
    if (!piece.empty()) pieces.push_back(piece);
    return pieces;
}

}  // namespace dxfprofile::testing
