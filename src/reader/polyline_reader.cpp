// Polylines, lightweight (LWPOLYLINE) and heavy (POLYLINE with its VERTEX
// entities): the vertices and bulges are collected as items, then the
// segments are walked, straight ones as LINE records and bulged ones as arcs.
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "entities/entity_table.h"
#include "geometry/bulge.h"
#include "geometry/trace.h"
#include "reader/extrusion.h"
#include "reader/readers.h"

namespace dxfprofile {

int nSeg = 0;

namespace {

// One item of a polyline: a vertex (bulgeFlag 0) or the bulge of the vertex
// before it (bulgeFlag 1).
struct VertexRecord {
    int bulgeFlag = 0;
    double bulge = 0.0;
    double x = 0.0;
    double y = 0.0;
};

// The items of the polyline being read, in order. It holds every item,
// however many; it is refilled for each polyline.
std::vector<VertexRecord> vertexTable;

// Heavy polylines that are not flat paths: 3D polylines and meshes.
constexpr int POLYLINE_3D = 8;
constexpr int POLYLINE_MESH = 16;
constexpr int POLYFACE_MESH = 64;
// A vertex that only frames a spline-fit polyline.
constexpr int VERTEX_SPLINE_FRAME = 16;

void addVertex(double x, double y) {
    VertexRecord vertex;
    vertex.x = x;
    vertex.y = y;
    vertexTable.push_back(vertex);
    if constexpr (traceGeometry) std::printf("\n%f  %f", x, y);
}

// A bulge of 0 is a straight segment and takes no item.
void addBulge(double bulge) {
    if constexpr (traceGeometry) std::printf("\n%f", bulge);
    if (bulge == 0.0) return;
    VertexRecord item;
    item.bulgeFlag = 1;
    item.bulge = bulge;
    vertexTable.push_back(item);
}

void appendSegment(const VertexRecord& from, const VertexRecord& to) {
    std::printf("\nseg");
    appendEntity(ENTITY_LINE, {static_cast<float>(from.x), static_cast<float>(from.y),
                               static_cast<float>(to.x), static_cast<float>(to.y)});
}

// The arc of the bulge item at `index`, from the vertex before it to the
// vertex after it, or to item 0 when it is the last item.
void appendBulgeArc(int index, int itemCount) {
    const VertexRecord& start = vertexTable[index - 1];
    const VertexRecord& end = index + 1 < itemCount ? vertexTable[index + 1] : vertexTable[0];
    if (start.bulgeFlag != 0 || end.bulgeFlag != 0) return;
    BulgeArc arc = bulgeToArc({start.x, start.y}, {end.x, end.y}, vertexTable[index].bulge);
    appendEntity(ENTITY_ARC, {static_cast<float>(arc.centre.x), static_cast<float>(arc.centre.y),
                              static_cast<float>(arc.radius), static_cast<float>(arc.mirroredStart),
                              static_cast<float>(arc.mirroredEnd), static_cast<float>(arc.SA),
                              static_cast<float>(arc.EA)});
}

void walkSegments(std::uint8_t polylineFlag) {
    int itemCount = static_cast<int>(vertexTable.size());
    bool closed = (polylineFlag & 1) != 0;
    int position = 0;
    for (int pass = 0; pass < nSeg; ++pass) {
        // Past the items nothing more can come of this polyline.
        if (position >= itemCount) return;
        const VertexRecord& item = vertexTable[position];
        if (item.bulgeFlag != 0) {
            std::printf("\nbulge2");
            ++position;
            continue;
        }
        if (position + 1 < itemCount && vertexTable[position + 1].bulgeFlag == 0) {
            appendSegment(item, vertexTable[position + 1]);
            ++position;
        } else if (position + 1 < itemCount) {
            ++position;
            // The bulge of the last item of an open polyline bends nothing.
            if (closed || position + 1 < itemCount) {
                std::printf("\nbulge1");
                appendBulgeArc(position, itemCount);
            }
            ++position;
        } else {
            // The closing segment needs a vertex to end at: a polyline whose
            // first item is a bulge has none.
            if (!closed || vertexTable[0].bulgeFlag != 0) return;
            appendSegment(item, vertexTable[0]);
            // Further passes repeat the closing segment; once the layer is
            // over its limit they can change nothing but the time taken.
            if (entityTable.entityCount > MAX_ENTITIES) return;
        }
    }
}

// The walk of the collected items, in the plane the extrusion gives.
EntityOutcome walkInPlane(const EntityGroups& entity, std::uint8_t polylineFlag) {
    if constexpr (traceGeometry) std::printf("\nProcessing %zu verticies", vertexTable.size());
    Plane plane = planeOf(extrusionOf(entity));
    if (plane == Plane::tilted) return EntityOutcome::tilted;
    if (plane == Plane::flipped) {
        for (VertexRecord& item : vertexTable) {
            item.x = 0.0 - item.x;  // 0 stays 0, not -0
            item.bulge = -item.bulge;
        }
    }
    walkSegments(polylineFlag);
    return EntityOutcome::read;
}

std::uint8_t flagOf(const EntityGroups& entity) {
    return static_cast<std::uint8_t>(integerValue(entity, 70) & 0xFF);
}

}  // namespace

EntityOutcome readPolyline(const EntityGroups& entity) {
    if constexpr (traceGeometry) std::printf("\nPolyline");
    nSeg = integerValue(entity, 90);
    std::uint8_t polylineFlag = flagOf(entity);  // no group 70: open
    if constexpr (traceGeometry) std::printf("\nN Seg %d\nFlag %d", nSeg, polylineFlag);
    vertexTable.clear();
    // Each vertex takes the first 20 and the first 42 that follow its 10.
    std::size_t vertex = 0;
    bool hasVertex = false;
    bool hasY = false;
    bool hasBulge = false;
    for (const EntityGroup& group : entity.groups) {
        if (group.code == 10) {
            vertex = vertexTable.size();
            addVertex(std::atof(group.value.c_str()), 0.0);
            hasVertex = true;
            hasY = false;
            hasBulge = false;
        } else if (group.code == 20 && hasVertex && !hasY) {
            vertexTable[vertex].y = std::atof(group.value.c_str());
            hasY = true;
        } else if (group.code == 42 && hasVertex && !hasBulge) {
            addBulge(std::atof(group.value.c_str()));
            hasBulge = true;
        }
    }
    if constexpr (traceGeometry) std::printf("\nEndpoly");
    return walkInPlane(entity, polylineFlag);
}

EntityOutcome readHeavyPolyline(const EntityGroups& polyline,
                                const std::vector<EntityGroups>& vertices) {
    std::uint8_t polylineFlag = flagOf(polyline);
    if ((polylineFlag & (POLYLINE_3D | POLYLINE_MESH | POLYFACE_MESH)) != 0)
        return EntityOutcome::leftOut;
    vertexTable.clear();
    nSeg = 0;
    for (const EntityGroups& vertex : vertices) {
        if ((integerValue(vertex, 70) & VERTEX_SPLINE_FRAME) != 0) continue;
        addVertex(realValue(vertex, 10), realValue(vertex, 20));
        addBulge(realValue(vertex, 42));
        ++nSeg;
    }
    return walkInPlane(polyline, polylineFlag);
}

}  // namespace dxfprofile
