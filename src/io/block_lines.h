// Whole lines of a file, read in large blocks with pread from the file's
// start, so that the descriptor's own offset stays where it was. A CR LF
// line end reads as LF. For the short passes that look at a drawing beside
// the converter's own reading: the drawing's units, the names of its layers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace dxfprofile {

inline constexpr std::size_t LINE_BLOCK = 1 << 16;
// Longer lines are cut to this many bytes.
inline constexpr std::size_t LONGEST_LINE = 1 << 16;

class BlockLines {
  public:
    // Reads at most `limit` bytes of the file open on `fd`.
    explicit BlockLines(int fd, std::uint64_t limit = UINT64_MAX) : fd_(fd), limit_(limit) {}

    // The next line without its line end (its first LONGEST_LINE bytes),
    // readable until the next call; false at the end of the file, at the
    // limit or on a failed read.
    bool next(std::string_view& line);

  private:
    bool refill();

    int fd_;
    std::uint64_t limit_;
    std::uint64_t offset_ = 0;  // of the next byte to read
    std::string block_;
    std::size_t start_ = 0;  // of the next line in block_
    bool end_ = false;
};

}  // namespace dxfprofile
