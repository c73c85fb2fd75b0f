// Group pairs: a code line (an integer, blanks, tabs and CR around it
// trimmed) and its value line, read from a line source.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "bytes/line_source.h"
#include "dxf/group_code.h"

namespace dxfprofile {

struct Group {
    int code = 0;
    // Readable until the next read. A value longer than a piece is joined
    // when its code is one that a reader uses, and cut to its first piece
    // otherwise.
    std::string_view value;
    std::uint64_t line = 0;  // the line of its code
};

class GroupReader {
  public:
    // A quiet reader prints nothing: for the short passes that look at a
    // file beside a run (its units, its layer names).
    explicit GroupReader(LineSource& source, bool quiet = false) : source_(source), quiet_(quiet) {}

    LineSource& source() { return source_; }
    bool quiet() const { return quiet_; }

    // The next line of the source is a code line, and so is every second
    // line after it.
    void startHere() { codeParity_ = source_.lineNumber() & 1; }
    bool isCodeLine(std::uint64_t number) const { return (number & 1) == codeParity_; }
    std::uint64_t codeParity() const { return codeParity_; }

    // 1: a group; 0: the file ends before or inside the group; -1: the code
    // line holds no group code (the message is printed unless quiet).
    int next(Group& group);
    // The line of the last code line that held no group code, 0 when none.
    std::uint64_t faultLine() const { return faultLine_; }

    // Passes over groups up to the next group 0 (or, with `orLayer`, group
    // 8), whose code line is left unread: its code, 0 or 8. -1 when the file
    // ends first.
    int seekGroup(bool orLayer);

  private:
    LineSource& source_;
    std::uint64_t codeParity_ = 0;
    std::uint64_t faultLine_ = 0;
    bool quiet_ = false;
    std::string joined_;
};

}  // namespace dxfprofile
