#!/bin/sh
# Builds Quillmark and runs the editor on the project's own default data.
#
# With a display: starts the staged launcher, build/stage/bin/quillmark, which
# runs the editor in your game folder (~/.local/share/quillmark), the same one
# an installed Quillmark uses (when that folder has no ZKP.cfg yet, the
# configuration tool asks for the display settings first). Without one: runs
# a short demonstration on a virtual display instead (scripts/demo.sh).
set -eu
cd "$(dirname "$0")/.."

sh scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
# Only what the editor needs: the editor, config.exe, quillmark-tool, the
# game folder and the staged install layout. The build folder stays
# configured with its tests, which scripts/test.sh builds and runs.
cmake --build build -j"$(nproc 2>/dev/null || echo 2)" \
    --target quillmark quillmark-config quillmark-tool game stage

if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ] && { [ -z "${DISPLAY:-}" ] || xdpyinfo >/dev/null 2>&1; }; then
    exec build/stage/bin/quillmark
fi

echo "No display here: running a short demonstration on a virtual display instead."
exec bash scripts/demo.sh build
