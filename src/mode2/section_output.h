// Where mode 2 writes the section it copies: the SDXF file, or memory.
#pragma once

#include <memory>

#include "bytes/line_source.h"

namespace dxfprofile {

struct OutputFile;

// Opened once the section is found; takes the section's bytes as they
// are copied (CR LF already joined), then is committed or discarded.
class SectionOutput : public ByteSink {
  public:
    // 0, or -1 when it cannot be opened (the message is printed).
    virtual int open() = 0;
    // 0, or -1 when it could not be written whole (the message is printed).
    virtual int commit() = 0;
    virtual void discard() = 0;

  protected:
    ~SectionOutput() = default;
};

// The SDXF file at `path`, complete or absent.
class SdxfFile final : public SectionOutput {
  public:
    explicit SdxfFile(const char* path);
    ~SdxfFile();
    SdxfFile(const SdxfFile&) = delete;
    SdxfFile& operator=(const SdxfFile&) = delete;

    int open() override;
    void take(const char* data, std::size_t size) override;
    int commit() override;
    void discard() override;

  private:
    const char* path_;
    std::unique_ptr<OutputFile> file_;
};

}  // namespace dxfprofile
