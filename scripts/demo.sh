#!/bin/bash
# A short demonstration of the editor for a machine without a display: the
# launcher and the editor on the sample map in a virtual X server, a few
# camera moves and edits sent as key presses, a screenshot, then Escape and
# the frame-rate report. The game folder is a throw-away one
# (XDG_DATA_HOME in a scratch folder), so your own is never touched.
#
#   demo.sh [BUILD_DIR]              the staged build, BUILD_DIR/stage/bin/quillmark
#   demo.sh --installed [BUILD_DIR]  the installed quillmark on PATH
# The screenshot goes to BUILD_DIR/quillmark-demo.png. Exit status 1 when
# the editor did not show its window, save the edits or report.
set -eu
installed=
[ "${1:-}" = --installed ] && { installed=1; shift; }
build=$(cd "${1:-build}" && pwd)
shot="$build/quillmark-demo.png"
if [ -n "$installed" ]; then
    launcher=$(command -v quillmark) || { echo "no quillmark on PATH: install it first" >&2; exit 1; }
else
    launcher="$build/stage/bin/quillmark"
    [ -x "$launcher" ] || { echo "no staged launcher at $launcher: build first" >&2; exit 1; }
fi
prefix=$(dirname "$(dirname "$(readlink -f "$launcher")")")

work=$(mktemp -d)
xvfb_pid= program_pid=
cleanup() {
    [ -n "$program_pid" ] && kill -KILL "$program_pid" 2>/dev/null || true
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

# A window of 800 x 600 on the virtual screen.
export XDG_DATA_HOME="$work/xdg"
game="$XDG_DATA_HOME/quillmark"
mkdir -p "$game"
printf '\000\001\000\000\000\001\000\000\000\007\000\000\000' >"$game/ZKP.cfg"

exec 9>"$work/display"
Xvfb -displayfd 9 -screen 0 1024x768x24 -nolisten tcp -noreset 2>/dev/null &
xvfb_pid=$!
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=":$(head -n1 "$work/display")"
unset WAYLAND_DISPLAY SDL_VIDEODRIVER

echo "Starting $launcher (game folder $game)"
timeout -s KILL 120 "$launcher" 2>"$work/stderr" &
program_pid=$!
window=
for _ in $(seq 300); do
    window=$(xdotool search --onlyvisible --name '^Quillmark$' 2>/dev/null | head -n1)
    [ -n "$window" ] && break
    sleep 0.1
done
[ -n "$window" ] || { echo "the editor showed no window: $(cat "$work/stderr")" >&2; exit 1; }

press() { xdotool keydown --window "$window" "$1"; sleep "${2:-0.1}"; xdotool keyup --window "$window" "$1"; sleep 0.05; }

echo "Editing: cursor moves, edit mode, water and height edits, camera tilt and zoom..."
sleep 0.5
press Right; press Right; press Down
press Scroll_Lock          # edit mode
press a; press a; press a  # raise the hex
press Left; press w; press w
press e                    # put an object there
press Up; press r          # and a unit next to it
press Prior 0.8            # tilt the camera up
press KP_Subtract 1.0      # and back it off a little
sleep 1.5                  # let the camera glide after the cursor
/usr/bin/import -window "$window" "$shot"

xdotool keydown --window "$window" Escape
box=
for _ in $(seq 150); do
    box=$(xwininfo -root -tree | grep '"FRAMERATE TEST"' | awk '{print $1}' | head -n1)
    [ -n "$box" ] && break
    sleep 0.1
done
[ -n "$box" ] && xdotool key --window "$box" Return
wait "$program_pid" || true
program_pid=

grep -h "FRAMERATE TEST" "$work/stderr" || { echo "no frame-rate report: $(cat "$work/stderr")" >&2; exit 1; }
"$prefix/bin/quillmark-tool" map diff "$prefix/share/quillmark/data/quillmark.map" \
    "$game/data/quillmark.map" | tail -n1 | grep -qv '^0 differences' ||
    { echo "the edits were not saved in $game" >&2; exit 1; }
echo "A picture of the editor is at $shot"
echo "The demonstration ran in a throw-away game folder; your own was not touched."
