#!/usr/bin/env bash
# Builds the libFuzzer binaries (clang, QUILLMARK_FUZZ=ON) and runs each fuzz
# target for a bounded time, seeded with its checked-in corpus.
#
#   fuzz/run_fuzzers.sh [SECONDS] [TARGET...]
#
# SECONDS per target, default 60. TARGETs from: ms3d bmp map settings
# map_text (default all). Environment: QUILLMARK_FUZZ_BUILD (build folder,
# default build-fuzz in the repository), QUILLMARK_FUZZ_OUT (scratch folder,
# default <build>/fuzz-runs), JOBS (build parallelism, default 2),
# QUILLMARK_FUZZ_SKIP_BUILD=1 (use the binaries as built, e.g. when several
# runs share one build folder).
#
# New inputs and findings go to the scratch folder only; the checked-in corpus
# is never written. A crash is added to fuzz/corpus/<target>/ by hand, once
# fixed. Prints executions, coverage and findings per target and exits
# non-zero when any target crashed, leaked, timed out or ran out of memory.

set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${QUILLMARK_FUZZ_BUILD:-$root/build-fuzz}
out=${QUILLMARK_FUZZ_OUT:-$build/fuzz-runs}
jobs=${JOBS:-2}

seconds=60
if [[ $# -gt 0 && $1 =~ ^[0-9]+$ ]]; then
    seconds=$1
    shift
fi
all_targets=(ms3d bmp map settings map_text)
targets=("$@")
[[ ${#targets[@]} -eq 0 ]] && targets=("${all_targets[@]}")

# Longest input per target: room beyond the sizes the formats need.
max_len_for() {
    case $1 in
    ms3d) echo 16384 ;;
    bmp) echo 20000 ;;
    map) echo 4096 ;;
    settings) echo 64 ;;
    map_text) echo 8192 ;;
    *) return 1 ;;
    esac
}

# Seed folders kept elsewhere in the tree, read where they are (the same list
# is in fuzz/CMakeLists.txt): the BMP conformance suite of the image tests.
seeds_for() {
    case $1 in
    bmp) printf '%s\n' "$root"/tests/image/data/bmpsuite/{g,q,b} ;;
    esac
}

for target in "${targets[@]}"; do
    if ! max_len_for "$target" >/dev/null; then
        echo "run_fuzzers.sh: unknown target '$target' (known: ${all_targets[*]})" >&2
        exit 2
    fi
done

if [[ ${QUILLMARK_FUZZ_SKIP_BUILD:-0} == 1 ]]; then
    :
elif [[ ! -f $build/CMakeCache.txt ]]; then
    CC=${CC:-clang} CXX=${CXX:-clang++} cmake -S "$root" -B "$build" -DQUILLMARK_FUZZ=ON \
        -DQUILLMARK_TESTS=OFF -DQUILLMARK_BENCH=OFF >/dev/null
else
    cmake -S "$root" -B "$build" -DQUILLMARK_FUZZ=ON >/dev/null
fi
if [[ ${QUILLMARK_FUZZ_SKIP_BUILD:-0} != 1 ]]; then
    cmake --build "$build" -j"$jobs" --target "${targets[@]/#/fuzz_}"
fi

failed=0
summary=()
for target in "${targets[@]}"; do
    binary=$build/fuzz/fuzz_$target
    work=$out/$target
    rm -rf "$work"
    mkdir -p "$work/corpus" "$work/artifacts"
    log=$work/fuzz.log
    echo "== fuzz_$target: ${seconds} s" >&2
    status=0
    mapfile -t seeds < <(seeds_for "$target")
    # The first folder receives new inputs; the checked-in ones are only read.
    "$binary" -max_total_time="$seconds" -max_len="$(max_len_for "$target")" -timeout=25 \
        -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$work/artifacts/" \
        "$work/corpus" "$root/fuzz/corpus/$target" "${seeds[@]}" >"$log" 2>&1 || status=$?

    executions=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
    if [[ -z $executions ]]; then
        executions=$(grep -oE '^#[0-9]+' "$log" | tail -n 1 | tr -d '#' || true)
    fi
    last=$(grep -E '^#[0-9]+.*cov: ' "$log" | tail -n 1 || true)
    cov=$(sed -nE 's/.*cov: ([0-9]+).*/\1/p' <<<"$last")
    ft=$(sed -nE 's/.*ft: ([0-9]+).*/\1/p' <<<"$last")
    corpus=$(sed -nE 's/.*corp: ([0-9]+\/[0-9]+[a-zA-Z]*).*/\1/p' <<<"$last")
    findings=$(find "$work/artifacts" -type f | sort)

    result=ok
    if [[ $status -ne 0 || -n $findings ]]; then
        result="FAILED (exit $status)"
        failed=1
        echo "fuzz_$target failed; the end of its log ($log):" >&2
        tail -n 40 "$log" >&2
        for finding in $findings; do
            echo "finding: $finding" >&2
        done
    fi
    summary+=("$(printf '%-10s %14s %8s %8s %14s  %s' "$target" "${executions:-?}" \
        "${cov:-?}" "${ft:-?}" "${corpus:-?}" "$result")")
done

printf '\n%-10s %14s %8s %8s %14s  %s\n' target executions cov ft corpus result
printf '%s\n' "${summary[@]}"
if [[ $failed -ne 0 ]]; then
    echo "Findings are in $out/<target>/artifacts/; reproduce with" \
        "$build/fuzz/fuzz_<target> <file>." >&2
fi
exit $failed
