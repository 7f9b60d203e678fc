# Shell helpers for end-to-end runs of the editor: a game folder with a known
# map, starting and waiting for the program, reading the saved map back.
# Sourced by bash scripts that define `work` (a scratch folder), `program`,
# `tool` (quillmark-tool) and fail MESSAGE. A script may set the array
# `run_as` to a command that runs the program as another user.

run_as=()
program_pid=
watchdog_pid=

# The known map as text, with edits given as LAYER,ROW,COLUMN=VALUE.
known_text() {
    local layer row column v edit
    for layer in height water object unit; do
        echo "$layer"
        for row in $(seq 0 14); do
            for column in $(seq 0 10); do
                v=0
                # A few known values away from the cells the keys edit.
                [ "$layer" = height ] && [ "$row" = 2 ] && v=1.5
                [ "$layer" = object ] && [ "$column" = 9 ] && v=1
                [ "$layer" = unit ] && [ "$row" = 12 ] && [ "$column" = 2 ] && v=2
                for edit in "$@"; do
                    [ "${edit%=*}" = "$layer,$row,$column" ] && v=${edit#*=}
                done
                printf ' %s' "$v"
            done
            echo
        done
    done
}

# The game folder $work/game: generated assets, the known map, a windowed
# 640 x 480 mode.
make_game_folder() {
    game="$work/game"
    mkdir -p "$game"
    "$tool" make-assets "$game" >/dev/null || fail "make-assets failed"
    known_text >"$work/known.txt"
    rm -f "$game/data/quillmark.map"
    "$tool" map import "$work/known.txt" "$game/data/quillmark.map" || fail "map import failed"
    cp "$game/data/quillmark.map" "$work/known.map"
    printf '\000\000\000\000\000\001\000\000\000\007\000\000\000' >"$game/ZKP.cfg"
}

# Whether FILE is the known map with exactly these edits.
file_is_known_with() {
    local file=$1
    shift
    known_text "$@" >"$work/expected.txt"
    "$tool" map import "$work/expected.txt" "$work/expected.map" &&
        cmp -s "$work/expected.map" "$file"
}
map_is_known_with() { file_is_known_with "$game/data/quillmark.map" "$@"; }

# STDERR: where the program's standard error goes (default $work/stderr).
start_program() {
    local errors=${1:-$work/stderr}
    (cd "$game" && exec "${run_as[@]}" "$program" >"$work/stdout" 2>"$errors") &
    program_pid=$!
    # A shown message box ignores SIGTERM: a hung run is ended the hard way.
    # (Its output goes nowhere, so a leftover sleep holds no pipe of the caller.)
    (sleep 90 && kill -KILL "$program_pid") >/dev/null 2>&1 &
    watchdog_pid=$!
}

wait_program() {
    wait "$program_pid"
    exit_code=$?
    program_pid=
    kill "$watchdog_pid" 2>/dev/null
    wait "$watchdog_pid" 2>/dev/null
}

# Ends what start_program started, for the caller's EXIT trap.
kill_program() {
    [ -n "$program_pid" ] && kill -KILL "$program_pid" 2>/dev/null
    [ -n "$watchdog_pid" ] && kill "$watchdog_pid" 2>/dev/null
}

wait_for_file() {
    for _ in $(seq 100); do [ -e "$1" ] && return 0; sleep 0.05; done
    return 1
}

value_at() { # layer row column -> the value in the saved map, as text
    "$tool" map export "$game/data/quillmark.map" |
        awk -v layer="$1" -v row="$2" -v col="$3" '
            $1 == layer { current = layer; r = -1; next }
            NF == 1 { current = ""; next }
            current == layer { r++; if (r == row) print $(col + 1) }'
}

check_fps_line() {
    grep -Eq '^FRAMERATE TEST: FPS: [0-9]+\.[0-9]{6}$' "$work/stderr" ||
        fail "no frame-rate line on stderr: $(cat "$work/stderr")"
    rate=$(sed -n 's/^FRAMERATE TEST: FPS: //p' "$work/stderr")
    awk -v r="$rate" 'BEGIN { exit !(r > 0 && r < 1e9) }' || fail "frame rate $rate"
}
