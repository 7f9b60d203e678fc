#!/bin/bash
# Builds Quillmark in release mode, runs every benchmark and prints one table.
#
#   bash scripts/bench-report.sh [BUILD_DIR]     (default: build-release)
set -eu
cd "$(dirname "$0")/.."
build=${1:-build-release}

sh scripts/install-deps.sh >/dev/null
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DQUILLMARK_TESTS=OFF >/dev/null
cmake --build "$build" -j"$(nproc 2>/dev/null || echo 2)" --target \
    bench_map bench_bmp bench_assets bench_frame bench_timer quillmark game >/dev/null
b="$build/bench"
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT

gbench() { # program filter -> CSV lines name,time,unit
    "$b/$1" --benchmark_filter="$2" --benchmark_repetitions=3 \
        --benchmark_report_aggregates_only=true --benchmark_format=csv 2>/dev/null |
        grep '_median' | tr -d '"'
}
median() { # csv-lines benchmark-name -> "time unit"
    echo "$1" | awk -F, -v n="$2_median" '$1 == n { printf "%.3f %s", $4, $5 }'
}

echo "Measuring (this takes about a minute)..." >&2
map=$(gbench bench_map '.')
assets=$(gbench bench_assets '.')
"$b/bench_bmp" --benchmark_repetitions=3 >"$out/bmp.txt" 2>"$out/bmp.err" || true
"$b/bench_frame" >"$out/frame.txt" 2>&1
"$b/bench_timer" "$build/game" 10 >"$out/timer.txt" 2>&1

# Start-up to the first frame and peak memory of the program itself, on a
# private virtual display, in a copy of the game folder.
game="$out/game"
cp -r "$build/game" "$game"
printf '\000\002\000\000\000\001\000\000\000\007\000\000\000' >"$game/ZKP.cfg"
exec 9>"$out/display"
Xvfb -displayfd 9 -screen 0 1280x1024x24 -nolisten tcp -noreset 2>/dev/null &
xvfb=$!
for _ in $(seq 100); do [ -s "$out/display" ] && break; sleep 0.1; done
export DISPLAY=":$(head -n1 "$out/display")"
start=$(date +%s%N)
(cd "$game" && exec /usr/bin/time -f '%M' -o "$out/rss" ./quillmark 2>"$out/stderr") &
program=$!
first_frame=
for _ in $(seq 600); do
    window=$(xdotool search --onlyvisible --name '^Quillmark$' 2>/dev/null | head -n1)
    if [ -n "$window" ] &&
        [ "$(/usr/bin/import -window "$window" -crop 64x64+480+352 +repage -format %k info: 2>/dev/null)" -gt 8 ]; then
        first_frame=$((($(date +%s%N) - start) / 1000000))
        break
    fi
    sleep 0.01
done
sleep 2
xdotool keydown --window "$window" Escape 2>/dev/null
for _ in $(seq 100); do
    box=$(xwininfo -root -tree | grep '"FRAMERATE TEST"' | awk '{print $1}' | head -n1)
    [ -n "$box" ] && { xdotool key --window "$box" Return 2>/dev/null; break; }
    sleep 0.1
done
wait "$program" || true
kill "$xvfb" 2>/dev/null || true
rss_kib=$(tail -n1 "$out/rss")

renderer=$(sed -n 's/^GL_RENDERER: //p' "$out/frame.txt")
cpu=$(sed -n 's/^model name\s*: //p' /proc/cpuinfo | head -n1)
# Absolute times hold for this machine and renderer only; the ratio beside
# each compares it with something measured in the same run, or with its goal.
row() { printf '| %-40s | %16s | %9s | %-37s |\n' "$1" "$2" "$3" "$4"; }
# "value unit" -> its share of 1 ms
of_ms() { echo "$1" | awk '{ f = $2 == "ns" ? 1e-6 : $2 == "us" ? 1e-3 : $2 == "ms" ? 1 : 1e3; printf "%.1e", $1 * f }'; }
tick() { local m; m=$(median "$map" "$2"); row "$1" "$m" "$(of_ms "$m")" "the 1 ms tick"; }
frame() { # viewport label
    awk -v v="$1" -v l="$2" '$1 == v {
        printf "%s|%.3f ms|%.2f|display list, same frame: %.3f ms\n", l, $2, $4, $3 }' "$out/frame.txt"
}
echo
echo "Quillmark benchmarks, $(date -u +%Y-%m-%d)"
echo "Machine: $cpu, $(nproc) cores"
echo "GL_RENDERER: $renderer"
echo
row "what" "measured" "ratio" "ratio to"
printf '|%s|%s|%s|%s|\n' "------------------------------------------" "------------------" \
    "-----------" "---------------------------------------"
tick "editor tick, idle" BM_EditorTickIdle
tick "editor tick, keys held" BM_EditorTickKeysHeld
tick "editor tick under the lock" BM_LockedEditorTick
tick "snapshot copy" BM_SceneSnapshot
row "map load" "$(median "$map" BM_MapLoad)" "" ""
row "map save (atomic, fsync)" "$(median "$map" BM_MapSave)" "" ""
row "recovery copy look, no edits" "$(median "$map" BM_RecoveryLook)" "" ""
while read -r name ours stb ratio; do
    row "BMP decode $name" "$ours us" "$ratio" "stb_image, same picture: $stb us"
done < <(awk '/^file /{t=1; next} t && NF == 4 {print}' "$out/bmp.txt")
row "default asset set load (MS3D + BMP)" "$(median "$assets" BM_LoadDefaultAssetSet)" "" ""
while IFS='|' read -r what measured ratio against; do
    row "$what" "$measured" "$ratio" "$against"
done < <(frame 1024x768 "frame 1024 x 768, immediate mode"
    frame 1x1 "frame 1 x 1 (submission), immediate")
rate=$(sed -n 's/.*ticks, \([0-9.]*\) ticks\/s.*/\1/p' "$out/timer.txt")
row "timer while rendering" "$rate ticks/s" "$(awk -v r="$rate" 'BEGIN { printf "%.4f", r / 1000 }')" \
    "the goal: 1,000 ticks/s"
row "start-up to first frame" "${first_frame:-?} ms" "" ""
row "peak memory of the program" "$(awk -v k="$rss_kib" 'BEGIN { printf "%.1f", k / 1024 }') MiB" "" ""
grep -h "FRAMERATE TEST" "$out/stderr" | sed 's/^/program report: /'
