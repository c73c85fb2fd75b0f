// Helpers shared by the unit tests: a temporary directory that removes
// itself, and files written from exact bytes.
#pragma once

#include <string>
#include <string_view>

namespace dxfprofile::testing {

class ScopedTempDir {
  public:
    ScopedTempDir();
    ~ScopedTempDir();
    ScopedTempDir(const ScopedTempDir&) = delete;
    ScopedTempDir& operator=(const ScopedTempDir&) = delete;

    const std::string& path() const { return path_; }
    std::string file(std::string_view name) const { return path_ + "/" + std::string(name); }

  private:
    std::string path_;
};

// Changes the working directory for the life of the object.
class ScopedWorkingDir {
  public:
    explicit ScopedWorkingDir(const std::string& path);
    ~ScopedWorkingDir();
    ScopedWorkingDir(const ScopedWorkingDir&) = delete;
    ScopedWorkingDir& operator=(const ScopedWorkingDir&) = delete;

  private:
    std::string previous_;
};

void writeFile(const std::string& path, std::string_view bytes);
std::string readFile(const std::string& path);
bool fileExists(const std::string& path);

// Lines like a drawing's groups and their near misses (code lines spelled in
// several ways, "ENDSEC", layer names, lines of 62 to 65 bytes around the
// piece length, lone CRs), with LF and CR LF ends, `size` bytes at least.
std::string groupLikeLines(unsigned seed, std::size_t size);

}  // namespace dxfprofile::testing
