#include "reader/left_out.h"

#include <cstdio>
#include <string>
#include <vector>

namespace dxfprofile {
namespace {

struct KindCount {
    std::string kind;
    int count = 0;
};

// Kinds past this many are counted together.
constexpr std::size_t MAX_LEFT_OUT_KINDS = 32;

struct LeftOut {
    std::vector<KindCount> kinds;
    int otherKinds = 0;
    std::vector<KindCount> tilted;
};
LeftOut leftOut;

void count(std::vector<KindCount>& counts, std::string_view kind, int* others) {
    for (KindCount& entry : counts) {
        if (entry.kind == kind) {
            ++entry.count;
            return;
        }
    }
    if (counts.size() == MAX_LEFT_OUT_KINDS) {
        if (others != nullptr) ++*others;
        return;
    }
    counts.push_back({std::string(kind.substr(0, 63)), 1});
}

}  // namespace

void resetLeftOut() {
    leftOut = LeftOut{};
}

void noteLeftOut(std::string_view kind) {
    count(leftOut.kinds, kind.empty() ? std::string_view("(no kind)") : kind, &leftOut.otherKinds);
}

void noteTilted(std::string_view kind, std::uint64_t line) {
    std::fprintf(stderr, "warning: %.*s on line %llu lies in a tilted plane; left out\n",
                 static_cast<int>(kind.size()), kind.data(), static_cast<unsigned long long>(line));
    count(leftOut.tilted, kind, nullptr);
}

void printLeftOut(const char* layerName) {
    if (leftOut.kinds.empty() && leftOut.tilted.empty()) return;
    std::fprintf(stderr, "Left out of layer %s:\n", layerName);
    for (const KindCount& entry : leftOut.kinds)
        std::fprintf(stderr, "  %s: %d\n", entry.kind.c_str(), entry.count);
    if (leftOut.otherKinds > 0) std::fprintf(stderr, "  other kinds: %d\n", leftOut.otherKinds);
    for (const KindCount& entry : leftOut.tilted)
        std::fprintf(stderr, "  %s in a tilted plane: %d\n", entry.kind.c_str(), entry.count);
}

}  // namespace dxfprofile
