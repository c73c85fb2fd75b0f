#include "kinds/readers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "entities/entity_table.h"
#include "kinds/curve_reader.h"
#include "kinds/kind_table.h"

namespace dxfprofile {
namespace {

// The table that the tests fill.
EntityTable entityTable;

struct Record {
    std::uint16_t type = 0;
    std::array<float, ENTITY_VALUES> values = {};
    bool operator==(const Record&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Record& record) {
    out << record.type << ":";
    for (float value : record.values) out << " " << value;
    return out;
}

Record line(float x1, float y1, float x2, float y2) {
    return {ENTITY_LINE, {x1, y1, x2, y2}};
}
Record arc(float x, float y, float r, float end, float start, float sa, float ea) {
    return {ENTITY_ARC, {x, y, r, end, start, sa, ea}};
}

// A coordinate of 0 (or a missing one) as a line, point, circle or arc
// record holds it: moved 5e-8 away from zero.
constexpr float NUDGED_ZERO = 5e-8f;
// The mirrored end angle of a polyline arc that ends at 0 degrees: 360 minus
// the nudged 0, lowered by 360.
constexpr float MIRRORED_ZERO = -0x1.ad7f2p-25f;

// The half circles of bulge 1 from (0, 0) to (10, 0) and back.
const Record ARC_BELOW = arc(5, 0, 5, 180, MIRRORED_ZERO, 180, 0);
const Record ARC_ABOVE = arc(5, 0, 5, 360, 180, 0, 180);

struct Row {
    const char* name;    // the entity's kind, then what the row tests
    std::string groups;  // "code=value ..."
    EntityOutcome outcome;
    std::vector<Record> records;
    std::vector<const char*> vertices = {};  // the groups of a POLYLINE's VERTEX entities
};

// The entity's group 0 stands on line 1, the value of its group i on line
// 4 + 2i.
EntityGroups entityOf(const std::string& kind, const std::string& groups) {
    EntityGroups entity{kind, 1, {}};
    std::istringstream pairs(groups);
    int code = 0;
    std::string value;
    while (pairs >> code && pairs.ignore(1) && pairs >> value)
        entity.groups.push_back({code, value, 3 + 2 * entity.groups.size()});
    return entity;
}

// The records that each entity appends, and what it notes: a polyline
// notes each segment, seg for a line and bulge1 for an arc. The entities
// stand in a block that `placement` places.
void checkRows(const std::vector<Row>& rows, const Placement& placement = IDENTITY_PLACEMENT) {
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        std::string kind(row.name, std::strcspn(row.name, " ,"));
        EntityGroups entity = entityOf(kind, row.groups);
        resetEntityTable(entityTable);
        std::vector<EntityGroups> vertices;
        for (const char* groups : row.vertices) vertices.push_back(entityOf("VERTEX", groups));
        CurveChain chain;
        KindResult result = readEntity(kindOf(kind), entity, vertices, chain, 0, placement);
        appendShapes(result, entityTable);
        std::vector<SegmentNote> notes;
        for (const Record& record : row.records) {
            if (kind.ends_with("POLYLINE")) {
                notes.push_back(record.type == ENTITY_LINE ? SegmentNote::seg
                                                           : SegmentNote::bulge1);
            }
        }
        EXPECT_EQ(result.notes, notes);
        EXPECT_EQ(result.outcome, row.outcome);
        std::vector<Record> records;
        for (std::uint32_t i = 0; i < entityTable.entityCount && i < MAX_ENTITIES; ++i) {
            records.push_back({entityTable.records[i].type, {}});
            std::copy_n(entityTable.records[i].values, ENTITY_VALUES,
                        records.back().values.begin());
        }
        EXPECT_EQ(records, row.records);
    }
}

TEST(KindReaders, LinesPointsCirclesAndArcsReadTheirGroupsByCode) {
    using enum EntityOutcome;
    const std::string ARC = "10=2 20=3 40=1 50=30 51=120";
    const Record below = arc(-2, 3, 1, 210, 300, 60, 150);
    checkRows({
        {"LINE in any order", "21=4 31=8 11=3 20=-2.5 30=7 10=1.5", read, {line(1.5, -2.5, 3, 4)}},
        {"LINE, the first 10, 0 if missing",
         "10=1 10=9 21=7",
         read,
         {line(1, NUDGED_ZERO, NUDGED_ZERO, 7)}},
        {"POINT in any order", "30=3 20=2 10=-1", read, {{ENTITY_POINT, {-1, 2, 3}}}},
        {"CIRCLE, the first 40 counts", "40=6 40=9 10=4 20=5", read, {{ENTITY_CIRCLE, {4, 5, 6}}}},
        {"CIRCLE seen from below", "10=4 20=5 40=6 230=-1", read, {{ENTITY_CIRCLE, {-4, 5, 6}}}},
        {"ARC", ARC, read, {arc(2, 3, 1, 240, 330, 30, 120)}},
        {"ARC over 0 degrees",
         "40=1 50=350 51=10",
         read,
         {arc(NUDGED_ZERO, NUDGED_ZERO, 1, -10, 10, 350, 10)}},
        {"ARC seen from below", ARC + " 210=0 220=0 230=-1", read, {below}},
        {"ARC within 1e-12 of below", ARC + " 210=1e-13 220=-1e-13 230=-1", read, {below}},
        {"ARC in a tilted plane", ARC + " 220=1e-9 230=1", tilted, {}},
        {"CIRCLE in a plane without z", "40=1 220=1 230=0", tilted, {}},
        {"CIRCLE, normal (0, 0, 0) for none",
         "10=4 20=5 40=6 230=0",
         read,
         {{ENTITY_CIRCLE, {4, 5, 6}}}},
        {"ARC, normal (0, 0, 0) for none",
         ARC + " 210=0 220=0 230=0",
         read,
         {arc(2, 3, 1, 240, 330, 30, 120)}},
    });
}

TEST(KindReaders, PolylinesWalkTheirSegments) {
    using enum EntityOutcome;
    const Record first = line(0, 0, 10, 0), second = line(10, 0, 10, 5);
    const Record closing = line(10, 5, 0, 0);
    const std::string TRIANGLE = " 10=0 20=0 10=10 20=0 10=10 20=5";
    const std::string HALVES = " 10=0 20=0 42=1 10=10 20=0 42=1";  // bulges of 1
    const std::vector<const char*> twoVertices = {"10=0", "10=10"};
    const char* const frame = "10=99 20=99 70=16";
    checkRows({
        {"LWPOLYLINE open", "90=3" + TRIANGLE, read, {first, second}},
        {"LWPOLYLINE closed", "70=1 90=3" + TRIANGLE, read, {first, second, closing}},
        {"LWPOLYLINE, fewer passes", "70=1 90=1" + TRIANGLE, read, {first}},
        {"LWPOLYLINE, more passes",
         "70=1 90=5" + TRIANGLE,
         read,
         {first, second, closing, closing, closing}},
        {"LWPOLYLINE without 90", TRIANGLE, read, {}},
        {"LWPOLYLINE, stray 20 and 42", "20=9 42=1 90=2 10=0 20=0 20=7 10=10 20=0", read, {first}},
        {"LWPOLYLINE closed with bulges", "70=1 90=2" + HALVES, read, {ARC_BELOW, ARC_ABOVE}},
        {"LWPOLYLINE open, a last bulge", "90=2 10=0 20=0 10=10 20=0 42=1", read, {first}},
        {"LWPOLYLINE seen from below",
         "230=-1 70=1 90=2" + HALVES,
         read,
         {arc(-5, 0, 5, 180, MIRRORED_ZERO, 180, 0), arc(-5, 0, 5, 360, 180, 0, 180)}},
        {"LWPOLYLINE tilted", "210=0.6 230=0.8 90=2" + HALVES, tilted, {}},
        {"LWPOLYLINE, normal (0, 0, 0)",
         "210=0 220=0 230=0 90=3" + TRIANGLE,
         read,
         {first, second}},
        {"POLYLINE, normal (0, 0, 0)", "210=0 220=0 230=-0", read, {first}, twoVertices},
        {"POLYLINE closed with bulges",
         "70=1",
         read,
         {ARC_BELOW, ARC_ABOVE},
         {"10=0 42=1", "10=10 42=1"}},
        {"POLYLINE, spline frame dropped",
         "70=4",
         read,
         {first},
         {frame, "10=0 70=8", frame, "10=10", frame}},
        {"POLYLINE with a linetype flag", "70=129", read, {first, line(10, 0, 0, 0)}, twoVertices},
        {"POLYLINE 3D", "70=8", leftOut, {}, twoVertices},
        {"POLYLINE 3D and closed", "70=9", leftOut, {}, twoVertices},
        {"POLYLINE mesh", "70=16", leftOut, {}, twoVertices},
        {"POLYLINE polyface mesh", "70=64", leftOut, {}, twoVertices},
    });
}

// The first value out of range names its line, values read and narrowed
// one by one; a polyline says only the segments before it.
TEST(KindReaders, TheFirstValueOutOfRangeNamesItsLine) {
    struct FaultRow {
        const char* kind;
        const char* groups;
        std::uint64_t line;
        std::size_t notes;
    };
    const FaultRow rows[] = {
        {"LINE", "10=1e39 20=nan 11=1 21=1", 4, 0},
        {"LINE", "10=1 20=nan 11=1e39 21=1", 6, 0},
        {"POINT", "10=1 20=1 30=1e39", 8, 0},
        {"ARC", "10=1 20=1 40=1 50=1e39 51=2", 10, 0},
        {"LWPOLYLINE", "90=3 10=0 20=0 10=5 20=0 10=1e39 20=0", 14, 1},
        {"LWPOLYLINE", "90=4 10=1e39 20=0 10=5 20=0 42=1e155 10=10 20=0", 6, 0},
    };
    for (const FaultRow& row : rows) {
        SCOPED_TRACE(row.groups);
        resetEntityTable(entityTable);
        CurveChain chain;
        KindResult result = readEntity(kindOf(row.kind), entityOf(row.kind, row.groups), {}, chain,
                                       0, IDENTITY_PLACEMENT);
        appendShapes(result, entityTable);
        EXPECT_EQ(result.outcome, EntityOutcome::outOfRange);
        EXPECT_EQ(result.faultLine, row.line);
        EXPECT_EQ(result.notes.size(), row.notes);
        EXPECT_EQ(entityTable.entityCount, row.notes);
    }
}

// A straight segment whose bulge is noise is a LINE, however small the
// bulge; a bulge whose arc single precision cannot hold, on a chord that
// does not stay within the tolerance of it, refuses the entity.
TEST(KindReaders, BulgesOverTheirWholeRange) {
    using enum EntityOutcome;
    struct Row {
        const char* bulge;
        EntityOutcome outcome;
        std::uint16_t type;  // of the record, when there is one
    };
    const Row rows[] = {
        {"1e-300", read, ENTITY_LINE},   {"-1.2246467991473532e-16", read, ENTITY_LINE},
        {"3e-15", read, ENTITY_LINE},    {"1e-6", read, ENTITY_LINE},
        {"4.9e-324", read, ENTITY_LINE}, {"1", read, ENTITY_ARC},
        {"1e38", outOfRange, 0},         {"1e153", outOfRange, 0},
        {"1e155", outOfRange, 0},
    };
    for (const char* chord : {"5", "10", "100"}) {
        for (const Row& row : rows) {
            SCOPED_TRACE(std::string(row.bulge) + " on a chord of " + chord);
            EntityGroups entity = entityOf("LWPOLYLINE", std::string("90=2 10=0 20=0 42=") +
                                                             row.bulge + " 10=" + chord + " 20=0");
            resetEntityTable(entityTable);
            KindResult result = readPolyline(entity, 0);
            appendShapes(result, entityTable);
            EXPECT_EQ(result.outcome, row.outcome);
            EXPECT_EQ(result.notes,
                      std::vector<SegmentNote>{row.type == ENTITY_LINE ? SegmentNote::seg
                                                                       : SegmentNote::bulge1});
            EXPECT_EQ(entityTable.entityCount, row.type == 0 ? 0u : 1u);
            if (row.type == 0) continue;
            // A LINE along the chord, or a half circle of radius half the chord.
            EXPECT_EQ(entityTable.records[0].type, row.type);
            float expected = row.type == ENTITY_LINE ? std::stof(chord) : std::stof(chord) / 2;
            EXPECT_EQ(entityTable.records[0].values[2], expected);
        }
    }
}

// Turned by 90 degrees, scaled by 2 and moved to (10, 20); mirrored about the
// y axis, as a reference seen from below places its block.
constexpr Placement TURNED{0, -2, 10, 2, 0, 20, 1, 0};
constexpr Placement MIRRORED{-1, 0, 0, 0, 1, 0, -1, 0};

// Under a similarity an arc stays an arc that runs anticlockwise, its ends
// exchanged when mirrored, and values out of range after placing still
// refuse the entity.
TEST(KindReaders, PlacedShapesStayExact) {
    using enum EntityOutcome;
    const std::string ARC = "10=2 20=3 40=1 50=30 51=120";
    checkRows({{"ARC turned", ARC, read, {arc(4, 24, 2, 150, 240, 120, 210)}},
               {"LINE turned", "10=1 20=2 11=3 21=4", read, {line(6, 22, 2, 26)}},
               {"POINT turned, z kept", "10=1 20=2 30=5", read, {{ENTITY_POINT, {6, 22, 5}}}},
               {"ARC a full turn", "40=1 50=0 51=360", read, {arc(10, 20, 2, -90, 270, 90, 450)}},
               {"LWPOLYLINE turned",
                "70=1 90=2 10=0 20=0 42=1 10=10 20=0 42=1",
                read,
                {arc(10, 30, 10, 90, -90, 270, 90), arc(10, 30, 10, 270, 90, 90, 270)}},
               {"LINE out of range once placed", "10=2e38", outOfRange, {}}},
              TURNED);
    // Mirrored as the readers see a normal down.
    checkRows({{"ARC mirrored", ARC, read, {arc(-2, 3, 1, 210, 300, 60, 150)}},
               {"POINT mirrored", "10=1 20=2 30=5", read, {{ENTITY_POINT, {-1, 2, -5}}}},
               {"ARC, an angle out of range", "40=1 50=1e39 51=2", outOfRange, {}}},
              MIRRORED);
}

// Stretched, the shapes of an entity with a circle or an arc become curves
// in the chain, in order; the faults of the placed values name their line.
TEST(KindReaders, StretchedRoundShapesBecomeCurves) {
    constexpr Placement STRETCHED{2, 0, 1, 0, 1, 0, 1, 0};
    struct Row {
        const char* kind;
        const char* groups;
        EntityOutcome outcome;
        std::uint64_t faultLine;
        int splines;
        int ellipses;
    };
    const Row rows[] = {
        {"CIRCLE", "10=0 20=0 40=1", EntityOutcome::read, 0, 0, 1},
        {"LWPOLYLINE", "90=3 10=0 20=0 10=0 20=0 10=10 20=0 42=1 10=20 20=0", EntityOutcome::read,
         0, 1, 1},
        {"LINE", "10=0 20=0 11=1 21=1", EntityOutcome::read, 0, 0, 0},
        {"CIRCLE", "10=0 20=0 40=2e38", EntityOutcome::outOfRange, 8, 0, 0},
        {"CIRCLE", "10=0 20=0 40=0", EntityOutcome::leftOut, 0, 0, 1},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.groups);
        CurveChain chain;
        KindResult result =
            readEntity(kindOf(row.kind), entityOf(row.kind, row.groups), {}, chain, 0, STRETCHED);
        EXPECT_EQ(result.outcome, row.outcome);
        EXPECT_EQ(result.faultLine, row.faultLine);
        EXPECT_EQ(result.shapes.size(), row.kind == std::string("LINE") ? 1u : 0u);
        EXPECT_EQ(chain.stats.splines, row.splines);
        EXPECT_EQ(chain.stats.ellipses, row.ellipses);
        if (row.kind == std::string("LWPOLYLINE")) {
            // The notes stay; a line of no length adds no curve.
            using enum SegmentNote;
            EXPECT_EQ(result.notes, (std::vector<SegmentNote>{seg, seg, bulge1}));
        }
        std::vector<CurveSpan> spans;
        EXPECT_EQ(flushCurveChain(chain, spans), CURVE_OK);
        EXPECT_EQ(spans.empty(), row.outcome != EntityOutcome::read || row.ellipses == 0);
    }
}

// The records of one SPLINE or ELLIPSE, or none when it is not read.
std::vector<Record> curveRecordsOf(const std::string& kind, const std::string& groups,
                                   const Placement& placement = IDENTITY_PLACEMENT) {
    CurveChain chain;
    resetCurveChain(chain);
    resetEntityTable(entityTable);
    EntityGroups entity = entityOf(kind, groups);
    if (readEntity(kindOf(kind), entity, {}, chain, 0, placement).outcome != EntityOutcome::read)
        return {};
    CurveRecords counts;
    appendCurveRecords(chain, counts, entityTable);
    std::vector<Record> records;
    for (std::uint32_t i = 0; i < entityTable.entityCount && i < MAX_ENTITIES; ++i) {
        records.push_back({entityTable.records[i].type, {}});
        std::copy_n(entityTable.records[i].values, ENTITY_VALUES, records.back().values.begin());
    }
    return records;
}

// A normal of (0, 0, 0) stands for none; a span within 1e-9 of a full turn,
// or more, is the whole ellipse.
TEST(CurveReaders, ZeroNormalsAndFullTurns) {
    const std::string SPLINE =
        "71=3 40=0 40=0 40=0 40=0 40=1 40=1 40=1 40=1 10=0 20=0 10=3 "
        "20=4 10=6 20=-4 10=9 20=0";
    const std::string ELLIPSE = "10=0 20=0 11=10 21=0 40=0.5";
    const std::vector<Record> spline = curveRecordsOf("SPLINE", SPLINE);
    const std::vector<Record> ellipse = curveRecordsOf("ELLIPSE", ELLIPSE + " 41=0 42=0");
    ASSERT_FALSE(spline.empty());
    ASSERT_GT(ellipse.size(), 4u);
    EXPECT_EQ(curveRecordsOf("SPLINE", SPLINE + " 210=0 220=0 230=0"), spline);
    EXPECT_EQ(curveRecordsOf("SPLINE", SPLINE + " 220=1 230=0"), std::vector<Record>{});
    EXPECT_EQ(curveRecordsOf("ELLIPSE", ELLIPSE + " 210=0 220=0 230=0"), ellipse);
    for (const char* end : {"6.28318530717959", "6.2831853080000002", "6.283185307179587",
                            "6.283185307179585", "12.6"}) {
        SCOPED_TRACE(end);
        EXPECT_EQ(curveRecordsOf("ELLIPSE", ELLIPSE + " 41=0 42=" + end), ellipse);
    }
}

// A placed curve gives the records of the curve drawn where it lands: fit
// points and tangents turn with the block.
TEST(CurveReaders, PlacedCurvesLandWhereTheReferencePutsThem) {
    const char* const rows[][3] = {
        {"ELLIPSE", "11=10 40=0.5 41=1 42=4", "10=10 20=20 11=0 21=20 40=0.5 41=1 42=4"},
        {"SPLINE", "71=2 10=0 20=0 10=3 20=4 10=6 20=0", "71=2 10=10 20=20 10=2 20=26 10=10 20=32"},
        {"SPLINE", "11=0 21=0 11=3 21=4 11=6 21=0 12=1 22=0",
         "11=10 21=20 11=2 21=26 11=10 21=32 12=0 22=2"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row[1]);
        std::vector<Record> landed = curveRecordsOf(row[0], row[2]);
        ASSERT_FALSE(landed.empty());
        EXPECT_EQ(curveRecordsOf(row[0], row[1], TURNED), landed);
    }
}

}  // namespace
}  // namespace dxfprofile
