#include "mode3/record_tally.h"

#include <cstdio>

#include "entities/entity_table.h"
#include "io/diagnostics.h"
#include "io/text_encoding.h"

namespace dxfprofile {
namespace {

void keep(RecordTally& tally, const RecordSource& source) {
    int at = tally.used;
    while (at > 0 && tally.most[at - 1].records < source.records) --at;
    if (at == TALLY_SIZE) return;
    int last = tally.used < TALLY_SIZE ? tally.used++ : TALLY_SIZE - 1;
    for (int i = last; i > at; --i) tally.most[i] = tally.most[i - 1];
    tally.most[at] = source;
}

std::string describe(const RecordSource& source) {
    char text[160];
    std::snprintf(text, sizeof text, "%s on line %llu", source.kind.c_str(),
                  static_cast<unsigned long long>(source.line));
    std::string description = text;
    if (source.curvesAfter > 0) {
        std::snprintf(text, sizeof text, " and the %d curve%s after it", source.curvesAfter,
                      source.curvesAfter == 1 ? "" : "s");
        description += text;
    }
    if (source.beyond) {
        std::snprintf(text, sizeof text, " (more than %d)", MAX_ENTITIES);
    } else {
        std::snprintf(text, sizeof text, " (%llu)",
                      static_cast<unsigned long long>(source.records));
    }
    return description + text;
}

}  // namespace

void tallyRecords(RecordTally& tally, std::string_view kind, std::uint64_t line,
                  std::uint64_t records) {
    if (records == 0) return;
    keep(tally, {std::string(kind), line, records, 0, false});
}

void tallyBeyond(RecordTally& tally, std::string_view kind, std::uint64_t line) {
    keep(tally, {std::string(kind), line, std::uint64_t{1} << 62, 0, true});
    tally.beyond = true;
}

void tallyCurve(RecordTally& tally, std::string_view kind, std::uint64_t line) {
    if (tally.chainCurves++ == 0) tally.chain = {std::string(kind), line, 0, 0, false};
}

void tallyCurveRecords(RecordTally& tally, std::uint64_t records, bool beyond) {
    if (tally.chainCurves > 0 && records > 0) {
        tally.chain.records = records;
        tally.chain.curvesAfter = tally.chainCurves - 1;
        tally.chain.beyond = beyond;
        keep(tally, tally.chain);
    }
    tally.beyond = tally.beyond || beyond;
    tally.chainCurves = 0;
}

void noteTooManyRecords(const RecordTally& tally, const char* layerName, std::uint64_t total) {
    std::string sources;
    for (int i = 0; i < tally.used; ++i)
        sources += (i == 0 ? "; the most come from " : ", ") + describe(tally.most[i]);
    char needs[64];
    if (tally.beyond) {
        std::snprintf(needs, sizeof needs, "more than %d", MAX_ENTITIES);
    } else {
        std::snprintf(needs, sizeof needs, "%llu", static_cast<unsigned long long>(total));
    }
    noteFailure("layer %s needs %s records and a profile holds at most %d%s",
                shellQuoted(layerName).c_str(), needs, MAX_ENTITIES, sources.c_str());
}

}  // namespace dxfprofile
