// A bulged polyline segment as an arc record.
#pragma once

#include <vector>

namespace dxfprofile {

// One item of a polyline: a vertex (bulgeFlag 0) or a bulge (bulgeFlag 1).
struct VertexRecord {
    int bulgeFlag = 0;
    double bulge = 0.0;
    double x = 0.0;
    double y = 0.0;
};

// The items of the polyline being read, in the order of their groups. It
// holds every item, however many; it is refilled for each polyline.
extern std::vector<VertexRecord> vertexTable;

// Appends the ARC record of the segment that the bulge item at `index`
// bends: from the vertex before it to the vertex after it, or to item 0 when
// it is the last item. Appends nothing when either end is not a vertex item.
void bulgeToArc(int index, int itemCount);

}  // namespace dxfprofile
