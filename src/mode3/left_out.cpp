#include "mode3/left_out.h"

#include <cstdio>
#include <string>
#include <vector>

#include "geometry/curve_chain.h"
#include "kinds/curve_reader.h"

namespace dxfprofile {
namespace {

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

void noteLeftOut(LeftOut& leftOut, std::string_view kind) {
    count(leftOut.kinds, kind.empty() ? std::string_view("(no kind)") : kind, &leftOut.otherKinds);
}

void noteTilted(LeftOut& leftOut, std::string_view kind, std::uint64_t line) {
    std::fprintf(stderr, "warning: %.*s on line %llu lies in a tilted plane; left out\n",
                 static_cast<int>(kind.size()), kind.data(), static_cast<unsigned long long>(line));
    count(leftOut.tilted, kind, nullptr);
}

void printLeftOut(const LeftOut& leftOut, const char* layerName) {
    if (leftOut.kinds.empty() && leftOut.tilted.empty()) return;
    std::fprintf(stderr, "Left out of layer %s:\n", layerName);
    for (const KindCount& entry : leftOut.kinds)
        std::fprintf(stderr, "  %s: %d\n", entry.kind.c_str(), entry.count);
    if (leftOut.otherKinds > 0) std::fprintf(stderr, "  other kinds: %d\n", leftOut.otherKinds);
    for (const KindCount& entry : leftOut.tilted)
        std::fprintf(stderr, "  %s in a tilted plane: %d\n", entry.kind.c_str(), entry.count);
}

void printApproximated(const char* layerName, const CurveStats& stats,
                       const CurveRecords& records) {
    int curves = stats.splines + stats.ellipses - stats.leftOut;
    int total = records.circles + records.arcs + records.lines;
    if (curves <= 0 || total == 0) return;
    std::string kinds;
    if (stats.splines > 0) kinds += "SPLINE " + std::to_string(stats.splines);
    if (stats.splines > 0 && stats.ellipses > 0) kinds += " and ";
    if (stats.ellipses > 0) kinds += "ELLIPSE " + std::to_string(stats.ellipses);
    std::vector<std::string> parts;
    if (records.circles > 0) parts.push_back(std::to_string(records.circles) + " CIRCLE");
    if (records.arcs > 0) parts.push_back(std::to_string(records.arcs) + " ARC");
    if (records.lines > 0) parts.push_back(std::to_string(records.lines) + " LINE");
    std::string made = parts[0];
    for (std::size_t i = 1; i < parts.size(); ++i)
        made += (i + 1 == parts.size() ? " and " : ", ") + parts[i];
    std::fprintf(stderr, "Approximated on layer %s: %s as %s, largest deviation %.4f\n", layerName,
                 kinds.c_str(), made.c_str(), stats.largestDeviation);
}

}  // namespace dxfprofile
