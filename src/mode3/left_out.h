// What on the requested layer gave no record, reported on standard error
// after the run: entities by kind, and those that lie in a tilted plane.
#pragma once

#include <cstdint>
#include <string_view>

namespace dxfprofile {

void resetLeftOut();
// An entity of a kind that gives no record.
void noteLeftOut(std::string_view kind);
// An entity left out because it lies in a tilted plane: a warning at once.
void noteTilted(std::string_view kind, std::uint64_t line);
void printLeftOut(const char* layerName);

struct CurveStats;
struct CurveRecords;
// What the curves of the layer became: "Approximated on layer L: SPLINE 24
// as 4 CIRCLE, largest deviation 0.0008".
void printApproximated(const char* layerName, const CurveStats& stats, const CurveRecords& records);

}  // namespace dxfprofile
