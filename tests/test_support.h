// Helpers shared by the unit tests: a temporary directory that removes
// itself, and files written from exact bytes.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "reader/line_source.h"

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

// What text-mode reads of at most 63 bytes deliver: CR LF becomes LF first,
// then pieces end after each LF or at 63 bytes.
std::vector<std::string> referencePieces(const std::string& bytes);

// Restores the line source settings that a test changes.
class SettingsGuard {
  public:
    SettingsGuard() : saved_(sourceSettings) {}
    ~SettingsGuard() { sourceSettings = saved_; }
    SettingsGuard(const SettingsGuard&) = delete;
    SettingsGuard& operator=(const SettingsGuard&) = delete;

  private:
    SourceSettings saved_;
};

}  // namespace dxfprofile::testing
