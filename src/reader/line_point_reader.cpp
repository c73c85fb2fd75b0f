// Lines and points: their groups are taken by position after the marker.
#include <cstdlib>

#include "entities/entity_table.h"
#include "geometry/nudge.h"
#include "reader/line_source.h"
#include "reader/readers.h"

namespace dxfprofile {

float readCoordinate() {
    nextLine();
    return static_cast<float>(nudge(std::atof(lineSource.lineBuffer)));
}

void readLineEntity() {
    nextLine();
    if (lineContains(lineSource, "39")) {
        nextLine();  // thickness value
        nextLine();  // code line of group 10
    }
    float x1f = readCoordinate();
    nextLine();
    float y1f = readCoordinate();
    nextLine();
    nextLine();  // start z
    nextLine();
    float x2f = readCoordinate();
    nextLine();
    float y2f = readCoordinate();
    appendEntity(ENTITY_LINE, {x1f, y1f, x2f, y2f});
}

void readPointEntity() {
    nextLine();
    float x1f = readCoordinate();
    nextLine();
    float y1f = readCoordinate();
    nextLine();
    float z1f = readCoordinate();
    appendEntity(ENTITY_POINT, {x1f, y1f, z1f, 0.0f, 0.0f});
}

}  // namespace dxfprofile
