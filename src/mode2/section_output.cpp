#include "mode2/section_output.h"

#include <cstdio>

#include "io/output_file.h"

namespace dxfprofile {

SdxfFile::SdxfFile(const char* path) : path_(path), file_(new OutputFile) {}

SdxfFile::~SdxfFile() {
    if (file_->fd >= 0) discardOutput(*file_);
}

int SdxfFile::open() {
    if (openOutput(*file_, path_) == 0) return 0;
    std::printf("\ncan't open output file");
    return -1;
}

void SdxfFile::take(const char* data, std::size_t size) {
    writeOutput(*file_, data, size);
}

int SdxfFile::commit() {
    if (commitOutput(*file_) == 0) return 0;
    std::printf("\nError: can't write output file %s\n", path_);
    return -1;
}

void SdxfFile::discard() {
    discardOutput(*file_);
}

}  // namespace dxfprofile
