#!/bin/sh
# Builds Quillmark and runs every test: the normal build under CTest, then
# the concurrency tests again under ThreadSanitizer.
set -eu
cd "$(dirname "$0")/.."

sh scripts/install-deps.sh

jobs=$(nproc 2>/dev/null || echo 2)

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j"$jobs"
(cd build && ctest --output-on-failure -j"$jobs" --timeout 600)

# The tick and the renderer share state across threads; prove the locking.
cmake -S . -B build-tsan -DQUILLMARK_SANITIZE=thread -DQUILLMARK_BENCH=OFF
cmake --build build-tsan -j"$jobs" --target test_map
(cd build-tsan && TSAN_OPTIONS="halt_on_error=1" ctest --output-on-failure -R 'SceneConcurrency|EditorTick' --timeout 600)
