#!/usr/bin/env bash
# Builds the converter and runs the whole chain on an example drawing in a
# temporary directory: DXF to SDXF and layers, the profile of a layer, and a
# picture of that profile.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
cmake --preset default >/dev/null
cmake --build --preset default >/dev/null
work=$(mktemp -d)
cp "$top/examples/cutting-plate.dxf" "$work/"
cd "$work"
"$top/build/default/dxfprofile" 2 cutting-plate.dxf
echo
"$top/build/default/dxfprofile" 3 cutting-plate.sdxf GEOMETRY-CUTTING
echo
echo "--- $work/GEOMETRY-CUTTING.txt"
cat GEOMETRY-CUTTING.txt
"$top/build/default/dxfprofile-preview" GEOMETRY-CUTTING.txt
echo "--- picture: $work/GEOMETRY-CUTTING.svg"
