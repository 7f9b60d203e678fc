#!/bin/sh
# Builds Quillmark and runs it on the project's own sample data.
#
# The editor's window is not built yet: for now this builds the map tool,
# writes the sample map to build/game/data/quillmark.map (only when no map is
# there yet) and prints that map file back as text.
set -eu
cd "$(dirname "$0")/.."

sh scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc 2>/dev/null || echo 2)" --target quillmark-tool

mkdir -p build/game/data
map=build/game/data/quillmark.map
if [ ! -e "$map" ]; then
    build/tools/quillmark-tool map import samples/sample-map.txt "$map"
fi
echo "Map file $map ($(wc -c <"$map") bytes):"
build/tools/quillmark-tool map export "$map"
