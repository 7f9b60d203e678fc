#!/bin/sh
# Runs the README's "Your own models" walk-through as a reader would, with
# the staged programs on PATH and a scratch HOME whose game folder the
# launcher has made, so the README stays true.
# usage: readme_walkthrough.sh README.md BUILD_DIR
set -eu
readme=$1
build=$2
scratch=$(mktemp -d "${TMPDIR:-/tmp}/quillmark-readme-XXXXXX")
trap 'rm -rf "$scratch"' EXIT

# The staged tree with a stand-in for the editor: the launcher makes the game
# folder, and no window is needed.
cp -r "$build/stage" "$scratch/stage"
printf '#!/bin/sh\nexit 0\n' >"$scratch/stage/lib/quillmark/quillmark"
export HOME="$scratch/home" PATH="$scratch/stage/bin:$PATH"
unset XDG_DATA_HOME
mkdir "$HOME"
quillmark
game=$HOME/.local/share/quillmark
[ -f "$game/data/quillmark.map" ]

# The section's first indented block, without its indent.
awk '/^## Your own models/ { inside = 1; next }
     inside && /^## / { exit }
     inside && /^    / { block = 1; sub(/^    /, ""); print; next }
     block { exit }' "$readme" >"$scratch/walk.sh"
grep -q 'model import' "$scratch/walk.sh" || { echo "no walk-through found in $readme"; exit 1; }

# Every step must succeed; `map check` succeeds only on a clean map.
(cd "$scratch" && sh -eu walk.sh)

copy=$HOME/mygame
[ "$(head -c 4 "$copy/obelisk.png" | tail -c 3)" = PNG ]
[ "$(head -c 4 "$copy/field.png" | tail -c 3)" = PNG ]
quillmark-tool model info "$copy/data/object0011.ms3d" | grep -qx 'triangles 6'
# The game folder the walk-through copied is left as it was.
[ ! -e "$game/data/object0011.ms3d" ]
echo "walk-through ran"
