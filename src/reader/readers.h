// The entity readers of the mode-3 scan. Each is entered with lineBuffer
// holding the subclass marker line that selected it, reads its groups from
// the scan's line source and appends its records to the entity table.
#pragma once

namespace dxfprofile {

void readLineEntity();
void readPointEntity();
void readCircleEntity();
void readPolyline();

// The next line as a coordinate: atof, nudged, narrowed to single precision.
float readCoordinate();

}  // namespace dxfprofile
