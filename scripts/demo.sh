#!/bin/bash
# A short demonstration of the editor for a machine without a display: the
# editor on the sample map in a virtual X server, a few camera moves and
# edits sent as key presses, a screenshot, then Escape and the frame-rate
# report. It works on a copy of the game folder, so your map is not changed.
#
#   demo.sh BUILD_DIR
set -eu
build=$(cd "${1:-build}" && pwd)
game="$build/game"
demo="$build/demo-game"
shot="$build/quillmark-demo.png"

[ -x "$game/quillmark" ] || { echo "no game folder at $game: build first" >&2; exit 1; }
rm -rf "$demo"
cp -r "$game" "$demo"
# A window of 800 x 600 on the virtual screen.
printf '\000\001\000\000\000\001\000\000\000\007\000\000\000' >"$demo/ZKP.cfg"

work=$(mktemp -d)
xvfb_pid= program_pid=
cleanup() {
    [ -n "$program_pid" ] && kill -KILL "$program_pid" 2>/dev/null || true
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

exec 9>"$work/display"
Xvfb -displayfd 9 -screen 0 1024x768x24 -nolisten tcp -noreset 2>/dev/null &
xvfb_pid=$!
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=":$(head -n1 "$work/display")"
unset WAYLAND_DISPLAY SDL_VIDEODRIVER

(cd "$demo" && exec timeout -s KILL 120 ./quillmark 2>"$work/stderr") &
program_pid=$!
window=$(xdotool search --sync --onlyvisible --name '^Quillmark$' | head -n1)

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

grep -h "FRAMERATE TEST" "$work/stderr" || true
echo "A picture of the editor is at $shot"
echo "The demonstration ran on a copy ($demo); the map in $game is unchanged."
