// A shape: an entity's geometry in double precision and world coordinates,
// as a kind reader gives it, with what its record needs. The record encoding
// (record_encoding.h) turns it into a record.
#pragma once

#include <cstdint>

namespace dxfprofile {

enum class ShapeKind : std::uint8_t { line, arc, circle, point };

// How an ARC record holds a shape's angles. entity (ARC entities): the
// mirrored end, lowered past 90 in single precision, comes before the
// mirrored start. bulge (a polyline's arcs): the mirrored start comes first,
// the mirrored end after it, lowered in double precision.
enum class ArcForm : std::uint8_t { entity, bulge };

constexpr int SHAPE_VALUES = 5;

struct Shape {
    ShapeKind kind = ShapeKind::line;
    // line: x1 y1 x2 y2; point: x y z; circle: x y radius; arc: x y radius,
    // start and end angle in degrees.
    double values[SHAPE_VALUES] = {};
    // The line each value was read from: a value out of range refuses the
    // entity on that line.
    std::uint64_t lines[SHAPE_VALUES] = {};
    // Coordinates and radius moved away from zero (a polyline's are not).
    bool nudged = true;
    ArcForm arcForm = ArcForm::entity;
    // The first value that could not be read (-1: none); the values before
    // it are narrowed first, each in its turn.
    int unread = -1;
};

}  // namespace dxfprofile
