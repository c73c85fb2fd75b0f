#include "io/block_lines.h"

#include <unistd.h>

#include <cerrno>

namespace dxfprofile {

bool BlockLines::refill() {
    if (end_) return false;
    block_.erase(0, start_);
    start_ = 0;
    std::size_t filled = block_.size();
    std::uint64_t room = limit_ - offset_;
    std::size_t want = room < LINE_BLOCK ? static_cast<std::size_t>(room) : LINE_BLOCK;
    if (want == 0) {
        end_ = true;
        return false;
    }
    block_.resize(filled + want);
    ssize_t n;
    do {
        n = ::pread(fd_, block_.data() + filled, want, static_cast<off_t>(offset_));
    } while (n < 0 && errno == EINTR);
    block_.resize(filled + (n > 0 ? static_cast<std::size_t>(n) : 0));
    if (n <= 0) {
        end_ = true;
        return false;
    }
    offset_ += static_cast<std::uint64_t>(n);
    return true;
}

bool BlockLines::next(std::string_view& line) {
    std::size_t end;
    std::size_t from = start_;
    bool cut = false;
    while ((end = block_.find('\n', from)) == std::string::npos) {
        // A long line keeps its first LONGEST_LINE bytes; the rest is searched
        // once for the line's end, from where the last search ended.
        if (block_.size() - start_ > LONGEST_LINE) {
            block_.resize(start_ + LONGEST_LINE);
            cut = true;
        }
        std::size_t searched = block_.size() - start_;
        if (!refill()) {
            // The last line may end with the file.
            if (start_ == block_.size()) return false;
            end = block_.size();
            break;
        }
        from = start_ + searched;
    }
    line = std::string_view(block_).substr(start_, (cut ? start_ + LONGEST_LINE : end) - start_);
    if (!cut && end < block_.size() && !line.empty() && line.back() == '\r') line.remove_suffix(1);
    start_ = end < block_.size() ? end + 1 : end;
    return true;
}

}  // namespace dxfprofile
