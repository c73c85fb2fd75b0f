// Polylines, lightweight (LWPOLYLINE) and heavy (POLYLINE with its VERTEX
// entities): the vertices and bulges are collected as items, then the
// segments are walked, straight ones as lines and bulged ones as arcs.
#include <cstdint>
#include <cstdio>

#include "entities/profile_format.h"
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
// takes `segments` passes over them, and puts its shapes and notes in
// `result`.
struct VertexTable {
    explicit VertexTable(std::uint32_t before) : recordsBefore(before) {}
    std::uint32_t recordsBefore;  // the layer's records before the polyline
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

// A segment's shape: its coordinates are not nudged.
void addShape(VertexTable& vertexTable, SegmentNote note, ShapeKind kind,
              const double (&values)[SHAPE_VALUES], const std::uint64_t (&lines)[SHAPE_VALUES]) {
    Shape shape;
    shape.kind = kind;
    shape.nudged = false;
    shape.arcForm = ArcForm::bulge;
    for (int i = 0; i < SHAPE_VALUES; ++i) {
        shape.values[i] = values[i];
        shape.lines[i] = lines[i];
    }
    vertexTable.result.shapes.push_back(shape);
    vertexTable.result.notes.push_back(note);
}

void addSegment(VertexTable& vertexTable, const VertexRecord& from, const VertexRecord& to) {
    addShape(vertexTable, SegmentNote::seg, ShapeKind::line, {from.x, from.y, to.x, to.y, 0.0},
             {from.line, from.yLine, to.line, to.yLine, 0});
}

// The segment that the bulge item at `index` bends, from the vertex before
// it to the vertex after it, or to item 0 when it is the last item: an arc,
// or a line where the arc is too flat for single precision to hold or place
// and the chord lies within the tolerance of it. An arc that single
// precision cannot hold, of a chord farther away, refuses the entity.
void addBulgedSegment(VertexTable& vertexTable, EntityValues& values, int index, int itemCount) {
    const std::vector<VertexRecord>& items = vertexTable.items;
    const VertexRecord& start = items[index - 1];
    const VertexRecord& end = index + 1 < itemCount ? items[index + 1] : items[0];
    if (start.bulgeFlag != 0 || end.bulgeFlag != 0) return;
    const VertexRecord& item = items[index];
    BulgeArc arc = bulgeToArc({start.x, start.y}, {end.x, end.y}, item.bulge);
    if (bulgeArcNeedsLine(arc, {start.x, start.y}, {end.x, end.y}, item.bulge)) {
        addSegment(vertexTable, start, end);
        return;
    }
    if (bulgeArcUnplaceable(arc, {start.x, start.y}, {end.x, end.y}, item.bulge)) {
        vertexTable.result.notes.push_back(SegmentNote::bulge1);
        values.fault(item.line);
        return;
    }
    std::uint64_t line = item.line;
    addShape(vertexTable, SegmentNote::bulge1, ShapeKind::arc,
             {arc.centre.x, arc.centre.y, arc.radius, arc.SA, arc.EA},
             {line, line, line, line, line});
}

void walkSegments(VertexTable& vertexTable, EntityValues& values, std::uint8_t polylineFlag) {
    const std::vector<VertexRecord>& items = vertexTable.items;
    int itemCount = static_cast<int>(items.size());
    bool closed = (polylineFlag & 1) != 0;
    int position = 0;
    for (int pass = 0; pass < vertexTable.segments; ++pass) {
        // Past the items nothing more can come of this polyline, and after an
        // arc that refuses it nothing more is walked.
        if (position >= itemCount || values.failed()) return;
        const VertexRecord& item = items[position];
        if (item.bulgeFlag != 0) {
            vertexTable.result.notes.push_back(SegmentNote::bulge2);
            ++position;
            continue;
        }
        if (position + 1 < itemCount && items[position + 1].bulgeFlag == 0) {
            addSegment(vertexTable, item, items[position + 1]);
            ++position;
        } else if (position + 1 < itemCount) {
            ++position;
            // The bulge of the last item of an open polyline bends nothing.
            if (closed || position + 1 < itemCount)
                addBulgedSegment(vertexTable, values, position, itemCount);
            ++position;
        } else {
            // The closing segment needs a vertex to end at: a polyline whose
            // first item is a bulge has none.
            if (!closed || items[0].bulgeFlag != 0) return;
            addSegment(vertexTable, item, items[0]);
            // Further passes repeat the closing segment; once the layer is
            // over its limit they can change nothing but the time taken.
            // Each shape is a record, or ends the records of the polyline.
            if (vertexTable.recordsBefore + vertexTable.result.shapes.size() > MAX_ENTITIES) return;
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
    // The segments walked before the arc out of range still say so.
    KindResult result = refused(values);
    result.shapes = std::move(vertexTable.result.shapes);
    result.notes = std::move(vertexTable.result.notes);
    return result;
}

std::uint8_t flagOf(const EntityGroups& entity) {
    return static_cast<std::uint8_t>(integerValue(entity, 70) & 0xFF);
}

}  // namespace

KindResult readPolyline(const EntityGroups& entity, std::uint32_t recordsBefore) {
    if constexpr (traceGeometry) std::printf("\nPolyline");
    VertexTable vertexTable{recordsBefore};
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
                             const std::vector<EntityGroups>& vertices,
                             std::uint32_t recordsBefore) {
    std::uint8_t polylineFlag = flagOf(polyline);
    if ((polylineFlag & (POLYLINE_3D | POLYLINE_MESH | POLYFACE_MESH)) != 0)
        return EntityOutcome::leftOut;
    VertexTable vertexTable{recordsBefore};
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
