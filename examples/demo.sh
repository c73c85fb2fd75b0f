#!/usr/bin/env bash
# Builds the two programs (dxfprofile and dxfprofile-preview, not the tests)
# and runs the whole chain on an example drawing: DXF to SDXF and layers, the
# profile of a layer, and a picture of that profile. Runs from any directory;
# leaves its files in build/demo/ and prints their paths.
set -euo pipefail
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$top"  # where CMakePresets.json is

echo "== configuring build/default"
cmake --preset default
echo "== building dxfprofile and dxfprofile-preview"
cmake --build --preset default --target dxfprofile dxfprofile-preview

demo=$top/build/demo
rm -rf "$demo"
mkdir -p "$demo"
cp examples/cutting-plate.dxf "$demo/"
cd "$demo"
echo "== in $demo"
echo "\$ dxfprofile 2 cutting-plate.dxf"
"$top/build/default/dxfprofile" 2 cutting-plate.dxf
echo
echo "\$ dxfprofile 3 cutting-plate.sdxf GEOMETRY-CUTTING"
"$top/build/default/dxfprofile" 3 cutting-plate.sdxf GEOMETRY-CUTTING
echo
echo "\$ dxfprofile-preview GEOMETRY-CUTTING.txt"
"$top/build/default/dxfprofile-preview" GEOMETRY-CUTTING.txt
echo "== the profile, $demo/GEOMETRY-CUTTING.txt:"
cat GEOMETRY-CUTTING.txt
echo "== files written:"
for file in cutting-plate.sdxf cutting-plate.layers GEOMETRY-CUTTING.txt GEOMETRY-CUTTING.svg; do
    echo "$demo/$file"
done
