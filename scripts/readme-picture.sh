#!/bin/sh
# Draws the sample map for the README (docs/sample-map.png) with the
# project's own snapshot tool, from a fresh default data set.
#
#   sh scripts/readme-picture.sh [BUILD_DIR]
set -eu
cd "$(dirname "$0")/.."
build=${1:-build}
cmake --build "$build" --target quillmark-tool >/dev/null
game=$(mktemp -d)
trap 'rm -rf "$game"' EXIT
"$build/tools/quillmark-tool" make-assets --quiet "$game"
mkdir -p docs
"$build/tools/quillmark-tool" snapshot --dir "$game" --size 880x600 --cursor 7,5 \
    --pitch 58 --distance 31 -o docs/sample-map.png
echo "wrote docs/sample-map.png"
