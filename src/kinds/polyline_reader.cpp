// Polylines, lightweight (LWPOLYLINE) and heavy (POLYLINE with its VERTEX
// entities): the vertices and bulges are collected as items, then the
// segments are walked, straight ones as LINE records and bulged ones as arcs.
#include <cstdint>
#include <cstdio>

#include "entities/entity_table.h"
#include "entities/record_encoding.h"
#include "geometry/bulge.h"
#include "geometry/bulge_check.h"
#include "geometry/trace.h"
#include "kinds/extrusion.h"
#include "kinds/readers.h"

namespace dxfprofile {

namespace {

// One item of a polyline: a vertex (bulgeFlag 0) or the bulge of the vertex
// before it (bulgeFlag 1).
struct VertexRecord {
    int bulgeFlag = 0;
    double bulge = 0.0;
    double x = 0.0;
    double y = 0.0;
    std::uint64_t line = 0;   // of the value it was made from, x or bulge
    std::uint64_t yLine = 0;  // of y
};

// The items of the polyline being read, in order, however many; the walk
// takes `segments` passes over them, and notes what it did in `result`.
struct VertexTable {
    explicit VertexTable(EntityTable& records) : table(records) {}
    EntityTable& table;  // where the records go
    std::vector<VertexRecord> items;
    int segments = 0;
    KindResult result{EntityOutcome::read};
};

// Heavy polylines that are not flat paths: 3D polylines and meshes.
constexpr int POLYLINE_3D = 8;
constexpr int POLYLINE_MESH = 16;
constexpr int POLYFACE_MESH = 64;
// A vertex that only frames a spline-fit polyline.
constexpr int VERTEX_SPLINE_FRAME = 16;

void addVertex(VertexTable& vertexTable, double x, double y, std::uint64_t line,
               std::uint64_t yLine) {
    VertexRecord vertex;
    vertex.x = x;
    vertex.y = y;
    vertex.line = line;
    vertex.yLine = yLine;
    vertexTable.items.push_back(vertex);
    if constexpr (traceGeometry) std::printf("\n%f  %f", x, y);
}

// A bulge of 0 is a straight segment and takes no item.
void addBulge(VertexTable& vertexTable, double bulge, std::uint64_t line) {
    if constexpr (traceGeometry) std::printf("\n%f", bulge);
    if (bulge == 0.0) return;
    VertexRecord item;
    item.bulgeFlag = 1;
    item.bulge = bulge;
    item.line = line;
    vertexTable.items.push_back(item);
}

void appendSegment(VertexTable& vertexTable, EntityValues& values, const VertexRecord& from,
                   const VertexRecord& to) {
    float x1f = values.narrow(from.x, from.line);
    float y1f = values.narrow(from.y, from.yLine);
    float x2f = values.narrow(to.x, to.line);
    float y2f = values.narrow(to.y, to.yLine);
    if (values.failed()) return;
    vertexTable.result.notes.push_back(SegmentNote::seg);
    appendEntity(vertexTable.table, ENTITY_LINE, {x1f, y1f, x2f, y2f});
}

// The segment that the bulge item at `index` bends, from the vertex before
// it to the vertex after it, or to item 0 when it is the last item: an arc,
// or a line where the arc is too flat for single precision to hold or place
// and the chord lies within the tolerance of it. An arc that single
// precision cannot hold, of a chord farther away, refuses the entity.
void appendBulgedSegment(VertexTable& vertexTable, EntityValues& values, int index, int itemCount) {
    const std::vector<VertexRecord>& items = vertexTable.items;
    const VertexRecord& start = items[index - 1];
    const VertexRecord& end = index + 1 < itemCount ? items[index + 1] : items[0];
    if (start.bulgeFlag != 0 || end.bulgeFlag != 0) return;
    const VertexRecord& item = items[index];
    BulgeArc arc = bulgeToArc({start.x, start.y}, {end.x, end.y}, item.bulge);
    if (bulgeArcNeedsLine(arc, {start.x, start.y}, {end.x, end.y}, item.bulge)) {
        appendSegment(vertexTable, values, start, end);
        return;
    }
    vertexTable.result.notes.push_back(SegmentNote::bulge1);
    if (bulgeArcUnplaceable(arc, {start.x, start.y}, {end.x, end.y}, item.bulge)) {
        values.fault(item.line);
        return;
    }
    float values7[7] = {};
    double mirroredStart = mirroredAngle(arc.SA);
    double mirroredEnd = lowerMirroredEnd(mirroredStart, mirroredAngle(arc.EA));
    const double computed[7] = {arc.centre.x, arc.centre.y, arc.radius, mirroredStart,
                                mirroredEnd,  arc.SA,       arc.EA};
    for (int i = 0; i < 7; ++i) values7[i] = values.narrow(computed[i], item.line);
    if (values.failed()) return;
    appendEntity(
        vertexTable.table, ENTITY_ARC,
        {values7[0], values7[1], values7[2], values7[3], values7[4], values7[5], values7[6]});
}

void walkSegments(VertexTable& vertexTable, EntityValues& values, std::uint8_t polylineFlag) {
    const std::vector<VertexRecord>& items = vertexTable.items;
    int itemCount = static_cast<int>(items.size());
    bool closed = (polylineFlag & 1) != 0;
    int position = 0;
    for (int pass = 0; pass < vertexTable.segments; ++pass) {
        // Past the items nothing more can come of this polyline, and after a
        // value out of range nothing more is written.
        if (position >= itemCount || values.failed()) return;
        const VertexRecord& item = items[position];
        if (item.bulgeFlag != 0) {
            vertexTable.result.notes.push_back(SegmentNote::bulge2);
            ++position;
            continue;
        }
        if (position + 1 < itemCount && items[position + 1].bulgeFlag == 0) {
            appendSegment(vertexTable, values, item, items[position + 1]);
            ++position;
        } else if (position + 1 < itemCount) {
            ++position;
            // The bulge of the last item of an open polyline bends nothing.
            if (closed || position + 1 < itemCount)
                appendBulgedSegment(vertexTable, values, position, itemCount);
            ++position;
        } else {
            // The closing segment needs a vertex to end at: a polyline whose
            // first item is a bulge has none.
            if (!closed || items[0].bulgeFlag != 0) return;
            appendSegment(vertexTable, values, item, items[0]);
            // Further passes repeat the closing segment; once the layer is
            // over its limit they can change nothing but the time taken.
            if (vertexTable.table.entityCount > MAX_ENTITIES) return;
        }
    }
}

// The walk of the collected items, in the plane the extrusion gives.
KindResult walkInPlane(VertexTable& vertexTable, EntityValues& values, std::uint8_t polylineFlag) {
    if constexpr (traceGeometry)
        std::printf("\nProcessing %zu verticies", vertexTable.items.size());
    Plane plane = planeOf(extrusionOf(values));
    if (values.failed()) return refused(values);
    if (plane == Plane::tilted) return EntityOutcome::tilted;
    if (plane == Plane::flipped) {
        for (VertexRecord& item : vertexTable.items) {
            item.x = 0.0 - item.x;  // 0 stays 0, not -0
            item.bulge = -item.bulge;
        }
    }
    walkSegments(vertexTable, values, polylineFlag);
    if (!values.failed()) return std::move(vertexTable.result);
    // The segments walked before the value out of range still say so.
    KindResult result = refused(values);
    result.notes = std::move(vertexTable.result.notes);
    return result;
}

std::uint8_t flagOf(const EntityGroups& entity) {
    return static_cast<std::uint8_t>(integerValue(entity, 70) & 0xFF);
}

}  // namespace

KindResult readPolyline(const EntityGroups& entity, EntityTable& table) {
    if constexpr (traceGeometry) std::printf("\nPolyline");
    VertexTable vertexTable{table};
    vertexTable.segments = integerValue(entity, 90);
    std::uint8_t polylineFlag = flagOf(entity);  // no group 70: open
    if constexpr (traceGeometry)
        std::printf("\nN Seg %d\nFlag %d", vertexTable.segments, polylineFlag);
    EntityValues values(entity);
    // Each vertex takes the first 20 and the first 42 that follow its 10.
    std::size_t vertex = 0;
    bool hasVertex = false;
    bool hasY = false;
    bool hasBulge = false;
    for (const EntityGroup& group : entity.groups) {
        if (group.code == 10) {
            vertex = vertexTable.items.size();
            addVertex(vertexTable, values.real(group), 0.0, group.line + 1, group.line + 1);
            hasVertex = true;
            hasY = false;
            hasBulge = false;
        } else if (group.code == 20 && hasVertex && !hasY) {
            vertexTable.items[vertex].y = values.real(group);
            vertexTable.items[vertex].yLine = group.line + 1;
            hasY = true;
        } else if (group.code == 42 && hasVertex && !hasBulge) {
            addBulge(vertexTable, values.real(group), group.line + 1);
            hasBulge = true;
        }
    }
    if constexpr (traceGeometry) std::printf("\nEndpoly");
    if (values.failed()) return refused(values);
    return walkInPlane(vertexTable, values, polylineFlag);
}

KindResult readHeavyPolyline(const EntityGroups& polyline,
                             const std::vector<EntityGroups>& vertices, EntityTable& table) {
    std::uint8_t polylineFlag = flagOf(polyline);
    if ((polylineFlag & (POLYLINE_3D | POLYLINE_MESH | POLYFACE_MESH)) != 0)
        return EntityOutcome::leftOut;
    VertexTable vertexTable{table};
    EntityValues values(polyline);
    for (const EntityGroups& vertex : vertices) {
        if ((integerValue(vertex, 70) & VERTEX_SPLINE_FRAME) != 0) continue;
        EntityValues vertexValues(vertex);
        addVertex(vertexTable, vertexValues.real(10), vertexValues.real(20),
                  vertexValues.lineOf(10), vertexValues.lineOf(20));
        addBulge(vertexTable, vertexValues.real(42), vertexValues.lineOf(42));
        if (vertexValues.failed()) return refused(vertexValues);
        ++vertexTable.segments;
    }
    return walkInPlane(vertexTable, values, polylineFlag);
}

}  // namespace dxfprofile
