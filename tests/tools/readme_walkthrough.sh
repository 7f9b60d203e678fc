#!/bin/sh
# Runs the README's "Your own models" walk-through as a reader would, from a
# folder whose build/ is the build under test, so the README stays true.
# usage: readme_walkthrough.sh README.md BUILD_DIR
set -eu
readme=$1
build=$2
scratch=$(mktemp -d "${TMPDIR:-/tmp}/quillmark-readme-XXXXXX")
trap 'rm -rf "$scratch"' EXIT
ln -s "$build" "$scratch/build"

# The section's first indented block, without its indent.
awk '/^## Your own models/ { inside = 1; next }
     inside && /^## / { exit }
     inside && /^    / { block = 1; sub(/^    /, ""); print; next }
     block { exit }' "$readme" >"$scratch/walk.sh"
grep -q 'model import' "$scratch/walk.sh" || { echo "no walk-through found in $readme"; exit 1; }

# Every step must succeed; `map check` succeeds only on a clean map.
(cd "$scratch" && sh -eu walk.sh)

game=$scratch/mygame
[ "$(head -c 4 "$game/obelisk.png" | tail -c 3)" = PNG ]
[ "$(head -c 4 "$game/field.png" | tail -c 3)" = PNG ]
"$game/quillmark-tool" model info "$game/data/object0011.ms3d" | grep -qx 'triangles 6'
# The game folder the walk-through copied is left as it was.
[ ! -e "$build/game/data/object0011.ms3d" ]
echo "walk-through ran"
