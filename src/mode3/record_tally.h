// The entities of a layer that give the most records: named when the layer
// needs more records than a profile holds, so that the user knows what to
// split.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace dxfprofile {

inline constexpr int TALLY_SIZE = 3;

struct RecordSource {
    std::string kind;        // of the entity, or of the first curve of a chain
    std::uint64_t line = 0;  // of its group 0
    std::uint64_t records = 0;
    int curvesAfter = 0;  // the curves flushed with the first one
    bool beyond = false;  // the curves give more spans than a profile holds
};

struct RecordTally {
    std::array<RecordSource, TALLY_SIZE> most;  // by records, most first; equal ones in file order
    int used = 0;
    bool beyond = false;
    RecordSource chain;  // the curves waiting for the next flush
    int chainCurves = 0;
};

// `records` records from the entity of `kind` whose group 0 is on `line`.
void tallyRecords(RecordTally& tally, std::string_view kind, std::uint64_t line,
                  std::uint64_t records);
// The entity of `kind` on `line` gives more records than a profile holds,
// more than are worth counting (a block reference's array).
void tallyBeyond(RecordTally& tally, std::string_view kind, std::uint64_t line);
// A curve went to the chain of curves, whose records come at its flush.
void tallyCurve(RecordTally& tally, std::string_view kind, std::uint64_t line);
// The chain gave `records` records; with `beyond`, more than a profile holds.
void tallyCurveRecords(RecordTally& tally, std::uint64_t records, bool beyond);

// Notes the failure of a layer that needs `total` records.
void noteTooManyRecords(const RecordTally& tally, const char* layerName, std::uint64_t total);

}  // namespace dxfprofile
