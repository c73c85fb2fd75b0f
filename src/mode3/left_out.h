// What on the requested layer gave no record, reported on standard error
// after the run: entities by kind, and those that lie in a tilted plane.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace dxfprofile {

struct KindCount {
    std::string kind;
    int count = 0;
};

// Kinds past this many are counted together.
inline constexpr std::size_t MAX_LEFT_OUT_KINDS = 32;

struct LeftOut {
    std::vector<KindCount> kinds;
    int otherKinds = 0;
    std::vector<KindCount> tilted;
};

// An entity of a kind that gives no record.
void noteLeftOut(LeftOut& leftOut, std::string_view kind);
// An entity left out because it lies in a tilted plane: a warning at once.
void noteTilted(LeftOut& leftOut, std::string_view kind, std::uint64_t line);
void printLeftOut(const LeftOut& leftOut, const char* layerName);

struct CurveStats;
struct CurveRecords;
// What the curves of the layer became: "Approximated on layer L: SPLINE 24
// as 4 CIRCLE, largest deviation 0.0008".
void printApproximated(const char* layerName, const CurveStats& stats, const CurveRecords& records);

}  // namespace dxfprofile
