#!/bin/sh
# Builds Quillmark and runs every test:
#   1. the normal build: every test, end-to-end runs included (in Xvfb and
#      in a headless Wayland session);
#   2. AddressSanitizer + UndefinedBehaviorSanitizer: every test again;
#   3. ThreadSanitizer: the tick/renderer concurrency tests and the
#      end-to-end runs (the program's two threads), and the readers' sandbox
#      with the runtime's extra calls;
#   4. when clang is there: every fuzz target for a bounded time.
# Every ctest pass fails when it finds no test (--no-tests=error): a filter
# or a build that lost its tests must not pass as green.
set -eu
cd "$(dirname "$0")/.."
root=$(pwd)

sh scripts/install-deps.sh

jobs=$(nproc 2>/dev/null || echo 2)
section() { printf '\n===== %s =====\n' "$1"; }

section "build and test"
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j"$jobs"
(cd build && ctest --no-tests=error --output-on-failure -j"$jobs" --timeout 600)

section "AddressSanitizer + UndefinedBehaviorSanitizer"
cmake -S . -B build-asan -DQUILLMARK_SANITIZE=address -DQUILLMARK_BENCH=OFF
cmake --build build-asan -j"$jobs"
# Tests that open a real window load the X and GL drivers, which leak at exit
# in ways LeakSanitizer cannot attribute (the driver is unloaded by then).
# Those run with leak checking off; every other test keeps it, and all keep
# the address and undefined-behaviour checks.
windowed='GlWindowTest|ConfigWindow|e2e[.]|packaging[.]installed-layout'
# The busy-machine run and the Wayland sessions (whose cases are the
# display's, not new code paths) run in the normal pass only.
normalOnly='busy|wayland'
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
(cd build-asan &&
    LSAN_OPTIONS="suppressions=$root/tests/sanitizers/lsan.supp" \
        ctest --no-tests=error --output-on-failure -j"$jobs" --timeout 900 -E "$windowed" -LE "$normalOnly" &&
    ASAN_OPTIONS="detect_leaks=0" ctest --no-tests=error --output-on-failure --timeout 900 -R "$windowed" -LE "$normalOnly")

section "ThreadSanitizer"
cmake -S . -B build-tsan -DQUILLMARK_SANITIZE=thread -DQUILLMARK_BENCH=OFF
cmake --build build-tsan -j"$jobs" --target quillmark_map_tests quillmark quillmark-tool x_poke \
    quillmark_tools_tests quillmark-tool-faults
(cd build-tsan &&
    TSAN_OPTIONS="halt_on_error=1:suppressions=$root/tests/sanitizers/tsan.supp" \
        ctest --no-tests=error --output-on-failure --timeout 900 \
        -R 'SceneConcurrency|EditorTick|KeyQueue|MapRecovery|e2e[.]|ReaderSandbox|AReaderThatCrashes' \
        -LE "$normalOnly")

if [ -x fuzz/run_fuzzers.sh ] && command -v clang++ >/dev/null 2>&1; then
    section "fuzzing"
    bash fuzz/run_fuzzers.sh 60
fi
