// Lines and points: their coordinates by group code.
#include "kinds/readers.h"

namespace dxfprofile {

KindResult refused(const EntityValues& values) {
    KindResult result(EntityOutcome::outOfRange);
    result.faultLine = values.faultLine();
    return result;
}

namespace {

// A shape of the coordinates of `codes`, read in order. A value that cannot
// be read refuses the entity after the values before it are narrowed.
KindResult coordinateShape(const EntityGroups& entity, ShapeKind kind,
                           std::initializer_list<int> codes) {
    EntityValues values(entity);
    Shape shape;
    shape.kind = kind;
    int i = 0;
    for (int code : codes) {
        shape.values[i] = values.real(code);
        shape.lines[i] = values.lineOf(code);
        if (values.failed() && shape.unread < 0) shape.unread = i;
        ++i;
    }
    KindResult result = values.failed() ? refused(values) : KindResult(EntityOutcome::read);
    result.shapes.push_back(shape);
    return result;
}

}  // namespace

KindResult readLineEntity(const EntityGroups& entity) {
    return coordinateShape(entity, ShapeKind::line, {10, 20, 11, 21});
}

KindResult readPointEntity(const EntityGroups& entity) {
    return coordinateShape(entity, ShapeKind::point, {10, 20, 30});
}

}  // namespace dxfprofile
