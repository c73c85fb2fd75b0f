// Lightweight polylines: the vertices and bulges are collected as items, then
// the segments are walked, straight ones as LINE records and bulged ones as
// arcs.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "entities/entity_table.h"
#include "geometry/bulge.h"
#include "geometry/trace.h"
#include "reader/extrusion.h"
#include "reader/layer_scan.h"
#include "reader/line_source.h"
#include "reader/readers.h"

namespace dxfprofile {

int nSeg = 0;

namespace {

// Reads a value line whole; lineBuffer keeps its first piece.
bool readValueLine() {
    if (!nextLine()) return false;
    if (pieceEndsLine(lineSource)) return true;
    char first[sizeof lineSource.lineBuffer];
    std::size_t length = lineSource.lineLength;
    std::copy(lineSource.lineBuffer, lineSource.lineBuffer + length + 1, first);
    bool ok = skipRestOfLine(lineSource);
    std::copy(first, first + length + 1, lineSource.lineBuffer);
    lineSource.lineLength = length;
    return ok;
}

void appendSegment(const VertexRecord& from, const VertexRecord& to) {
    std::printf("\nseg");
    appendEntity(ENTITY_LINE, {static_cast<float>(from.x), static_cast<float>(from.y),
                               static_cast<float>(to.x), static_cast<float>(to.y)});
}

void walkSegments(int itemCount, std::uint8_t polylineFlag) {
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
                bulgeToArc(position, itemCount);
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

}  // namespace

void readPolyline() {
    nSeg = 0;
    std::uint8_t polylineFlag = 0;  // no group 70: open
    Extrusion extrusion;
    vertexTable.clear();
    if constexpr (traceGeometry) std::printf("\nPolyline");
    for (;;) {
        if (!nextLine()) return;
        bool whole = pieceEndsLine(lineSource);
        if (!whole && !skipRestOfLine(lineSource)) return;
        // The code is kept apart: reading the value overwrites lineBuffer.
        char codeText[PIECE_LENGTH + 1] = {};
        std::string_view found =
            whole ? groupCode(lineSource.lineBuffer, lineSource.lineLength) : std::string_view{};
        std::copy(found.begin(), found.end(), codeText);
        std::string_view code(codeText, found.size());
        if (code == "0") {
            if constexpr (traceGeometry) std::printf("\nEndpoly");
            break;
        }
        if (!readValueLine()) return;
        if (code == "90") {
            nSeg = std::atoi(lineSource.lineBuffer);
            if constexpr (traceGeometry) std::printf("\nN Seg %d", nSeg);
        } else if (code == "70") {
            polylineFlag = static_cast<std::uint8_t>(std::atoi(lineSource.lineBuffer) & 0xFF);
            if constexpr (traceGeometry) std::printf("\nFlag %d", polylineFlag);
        } else if (code == "10") {
            VertexRecord vertex;
            vertex.x = std::atof(lineSource.lineBuffer);
            if (!readValueLine()) return;  // code line of group 20
            if (!readValueLine()) return;
            vertex.y = std::atof(lineSource.lineBuffer);
            vertexTable.push_back(vertex);
            if constexpr (traceGeometry) std::printf("\n%f  %f", vertex.x, vertex.y);
        } else if (code == "42") {
            VertexRecord bulge;
            bulge.bulgeFlag = 1;
            bulge.bulge = std::atof(lineSource.lineBuffer);
            if constexpr (traceGeometry) std::printf("\n%f", bulge.bulge);
            // A bulge of 0 is a straight segment.
            if (bulge.bulge != 0.0) vertexTable.push_back(bulge);
        } else {
            takeExtrusionGroup(extrusion, code, lineSource.lineBuffer);
        }
    }
    int itemCount = static_cast<int>(vertexTable.size());
    if constexpr (traceGeometry) std::printf("\nProcessing %d verticies", itemCount);

    Plane plane = planeOf(extrusion);
    if (plane == Plane::tilted) {
        reportTiltedEntity("LWPOLYLINE");
        return;
    }
    if (plane == Plane::flipped) {
        for (VertexRecord& item : vertexTable) {
            item.x = 0.0 - item.x;  // 0 stays 0, not -0
            item.bulge = -item.bulge;
        }
    }
    walkSegments(itemCount, polylineFlag);
}

}  // namespace dxfprofile
