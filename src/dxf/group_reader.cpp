#include "dxf/group_reader.h"

#include <cstdio>

namespace dxfprofile {
namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r';
}

// Values that no reader uses (text, names, handles, extended data) are not
// joined when they run over a piece.
bool isUsedValue(int code) {
    return code == 0 || code == 8 || (code >= 10 && code <= 99) || (code >= 200 && code <= 239);
}

// Accepts the code lines of group 0, and of group 8 when asked.
class CodeLineCheck final : public LineCheck {
  public:
    explicit CodeLineCheck(bool orLayer) : orLayer_(orLayer) {}

    bool accepts(const CandidateLine& line) override {
        int code = -1;
        if (!parseGroupCode(line.text, code)) return false;
        found = code;
        return code == 0 || (orLayer_ && code == 8);
    }

    int found = -1;

  private:
    bool orLayer_;
};

}  // namespace

bool parseGroupCode(std::string_view text, int& code) {
    // Most code lines are right-aligned in three columns.
    if (text.size() == 3 && text[0] == ' ' && text[2] >= '0' && text[2] <= '9') {
        if (text[1] == ' ') {
            code = text[2] - '0';
            return true;
        }
        if (text[1] >= '0' && text[1] <= '9') {
            code = (text[1] - '0') * 10 + (text[2] - '0');
            return true;
        }
    }
    std::size_t first = 0;
    std::size_t last = text.size();
    while (first < last && isBlank(text[first])) ++first;
    while (last > first && isBlank(text[last - 1])) --last;
    bool negative = false;
    if (first < last && (text[first] == '-' || text[first] == '+')) negative = text[first++] == '-';
    // Nine digits at most: no group code is near that, and it cannot overflow.
    if (first == last || last - first > 9) return false;
    int value = 0;
    for (std::size_t at = first; at < last; ++at) {
        char c = text[at];
        if (c < '0' || c > '9') return false;
        value = value * 10 + (c - '0');
    }
    code = negative ? -value : value;
    return true;
}

int GroupReader::next(Group& group) {
    group.line = source_.lineNumber();
    Piece piece;
    if (!source_.nextPiece(piece)) return 0;
    if (!piece.endsLine || !parseGroupCode(piece.text, group.code)) {
        if (!quiet_) {
            std::printf("\nError: line %llu is not a group code\n",
                        static_cast<unsigned long long>(group.line));
        }
        faultLine_ = group.line;
        return -1;
    }
    if (!source_.nextPiece(piece)) return 0;
    if (piece.endsLine) {
        group.value = piece.text;
        return 1;
    }
    joined_.assign(piece.text);
    if (!isUsedValue(group.code)) {
        group.value = joined_;
        return source_.skipRestOfLine(piece) ? 1 : 0;
    }
    do {
        if (!source_.nextPiece(piece)) return 0;
        joined_.append(piece.text);
    } while (!piece.endsLine);
    group.value = joined_;
    return 1;
}

int GroupReader::seekGroup(bool orLayer) {
    CodeLineCheck check(orLayer);
    DigitSet digits;
    if (orLayer) digits = DigitSet{{'0', '8'}, 2};
    if (!source_.seekDigitLine(digits, codeParity_, check)) return -1;
    return check.found;
}

}  // namespace dxfprofile
