#!/bin/bash
# End-to-end runs of the real program under Wayland: a private headless sway
# session as an ordinary user, with Xwayland, keys from one long-lived
# virtual keyboard, pictures from grim.
#
#   run_wayland.sh CASE QUILLMARK CONFIG TOOL KEYBOARD ARTIFACTS
#
# CASE is one of:
#   windowed        native (Russian keyboard) and through Xwayland: edits
#                   saved, the window's app_id or X11 class and its icon
#   fullscreen      native (at scale 1 and 2) and through Xwayland, at a mode
#                   not the desktop's
#   two-outputs     config.exe on the focused output, not the first and not
#                   at (0,0): its suggestion, the editor fullscreen there
#   scale-2         an output at scale 2: the picture fills the window, in
#                   the output's own pixels
# Exit code 77 means the case could not run here (skipped). KEEP_WORK=1 keeps
# the scratch folder (sway.log, stderr, pictures) for a look afterwards.
set -u
case_name=$1 program=$2 config=$3 tool=$4 keyboard=$5 artifacts=$6
app_id=org.quillmark.Quillmark

fail() { echo "FAIL ($case_name): $*" >&2; exit 1; }

for needed in sway swaymsg grim jq xprop /usr/bin/convert /usr/bin/compare /usr/bin/identify; do
    command -v "$needed" >/dev/null || { echo "SKIP: no $needed" >&2; exit 77; }
done

work=$(mktemp -d /tmp/quillmark-wayland.XXXXXX)
chmod 755 "$work"
cleanup() {
    kill_program
    [ -n "${KB_PID:-}" ] && kill "$KB_PID" 2>/dev/null
    stop_sway
    [ -n "${KEEP_WORK:-}" ] || rm -rf "$work"
}
trap cleanup EXIT

. "$(dirname "$0")/../support/sway_session.sh"
. "$(dirname "$0")/../support/e2e_game.sh"

# The programs as the session's user can reach them, config.exe beside the
# editor as an install has it.
mkdir -p "$work/bin"
cp "$program" "$work/bin/quillmark"
cp "$config" "$work/bin/config.exe"
cp "$keyboard" "$work/bin/wayland_keyboard"
program=$work/bin/quillmark

# One session per run: sway, its keyboard, a fresh game folder.
# begin XWAYLAND OUTPUTS [CONFIG_LINE...]
begin() {
    make_game_folder
    start_sway "$@"
    coproc KB { as_user "$work/bin/wayland_keyboard" "${layout:-us}" 2>"$work/keyboard.log"; }
    read -r -t 10 reply <&"${KB[0]}" && [ "$reply" = ok ] ||
        fail "no virtual keyboard: $(cat "$work/keyboard.log")"
}

end() {
    kill_program
    [ -n "${KB_PID:-}" ] && { echo quit >&"${KB[1]}"; wait "$KB_PID" 2>/dev/null; }
    stop_sway
    rm -rf "$work/game" "$work/home" "$work/runtime"
}

# Sends each key as a tap and waits until the compositor has it.
keys() {
    local key reply
    for key in "$@"; do
        echo "key $key" >&"${KB[1]}"
        read -r -t 10 reply <&"${KB[0]}" && [ "$reply" = ok ] ||
            fail "key $key not sent: $(cat "$work/keyboard.log")"
        sleep 0.03
    done
}

# wait_view NAME [FILTER]: waits (10 s at most) for the tree's view whose
# app_id, X11 class or title is NAME and that passes the jq FILTER, and
# prints it as JSON.
fullscreen='select(.fullscreen_mode == 1)'
wait_view() {
    local found
    for _ in $(seq 200); do
        found=$(sway_msg -t get_tree | jq -c --arg name "$1" \
            "first(.. | objects | select(.type? == \"con\" or .type? == \"floating_con\")
                   | select(.app_id == \$name or .window_properties.class? == \$name
                            or .name == \$name) | ${2:-.})")
        [ -n "$found" ] && { echo "$found"; return 0; }
        sleep 0.05
    done
    return 1
}

# Waits for the box titled CAPTION and answers it with Return; a box that
# cannot be shown leaves its line on stderr, which is enough.
dismiss_box() {
    if wait_view "$1" >/dev/null; then
        sleep 0.2
        keys Return
    fi
}

# The editor's edit-and-save, as a user types it: Scroll Lock to edit, three
# W's raise the water, Right moves, two A's raise the land. The keys in the
# places of W and A are named in the layout in use.
edit_and_escape() {
    local w=w a=a
    [ "${layout:-us}" = ru ] && w=Cyrillic_tse a=Cyrillic_ef
    keys Scroll_Lock $w $w $w Right $a $a Escape
    dismiss_box "FRAMERATE TEST"
    wait_program
    [ "$exit_code" = 27 ] || fail "$1: exit code $exit_code; stderr: $(cat "$work/stderr")"
    map_is_known_with water,7,5=3 height,8,5=1 || fail "$1: the edits were not saved"
}

# The picture of output OUTPUT in FILE, kept among the artifacts too.
screenshot() {
    as_user grim -o "$1" "$2" || fail "grim failed"
    mkdir -p "$artifacts" && cp "$2" "$artifacts/wayland-$case_name-$(basename "$2")"
}

# start_with DRIVER SETTINGS: the editor with SDL's video driver DRIVER
# (wayland, or x11 for Xwayland) and ZKP.cfg's bytes as printf writes them.
start_with() {
    printf "$2" >"$game/ZKP.cfg"
    run_as=("${user_command[@]}")
    [ "$1" = wayland ] && run_as+=(SDL_VIDEODRIVER=wayland)
    start_program
}
windowed_640='\000\000\000\000\000\001\000\000\000\007\000\000\000'

case "$case_name" in
windowed)
    # Natively with a Russian keyboard: the keys in the places of W and A
    # type Cyrillic letters, and still edit.
    for driver in wayland x11; do
        layout=$([ $driver = wayland ] && echo ru || echo us)
        begin enable 1
        start_with "$driver" "$windowed_640"
        found=$(wait_view "$app_id") || fail "$driver: no window named $app_id; stderr: $(cat "$work/stderr")"
        shell=$(jq -r .shell <<<"$found")
        [ "$shell" = "$([ $driver = wayland ] && echo xdg_shell || echo xwayland)" ] ||
            fail "$driver: the window came through $shell"
        if [ "$driver" = x11 ]; then
            window=$(jq -r .window <<<"$found")
            class=$(as_user xprop -id "$window" WM_CLASS)
            [ "$class" = "WM_CLASS(STRING) = \"$app_id\", \"$app_id\"" ] || fail "class: $class"
            as_user xprop -id "$window" _NET_WM_ICON | grep -q 'Icon (48 x 48)' || fail "no 48 x 48 icon"
        fi
        sleep 0.3
        edit_and_escape "$driver"
        end
    done
    ;;
fullscreen)
    # 800 x 600 on a 1920 x 1080 output: Wayland scales it, Xwayland
    # emulates the mode switch; and natively on the output at scale 2, where
    # the window is 800 x 600 points.
    for run in wayland x11 wayland:2; do
        driver=${run%:*} scale=${run#*:}
        [ "$scale" = "$run" ] && scale=1
        begin enable 1 "output HEADLESS-1 mode 1920x1080 scale $scale"
        start_with "$driver" '\001\001\000\000\000\001\000\000\000\007\000\000\000'
        wait_view "$app_id" "$fullscreen" >/dev/null ||
            fail "$run: no fullscreen window; stderr: $(cat "$work/stderr")"
        sleep 0.3
        edit_and_escape "$driver"
        end
    done
    ;;
two-outputs)
    # The first output at (0,0); the second, at its right, is the focused
    # one, where windows open: display 1, 1600 x 1200.
    begin enable 2 "output HEADLESS-1 mode 1280x1024 position 0 0" \
        "output HEADLESS-2 mode 1600x1200 position 1280 0" "workspace 1 output HEADLESS-2"
    sway_msg focus output HEADLESS-2 >/dev/null
    rm -f "$game/ZKP.cfg"
    cp "$work/bin/config.exe" "$game/config.exe"
    chown -R nobody:nogroup "$game" 2>/dev/null
    run_as=("${user_command[@]}" SDL_VIDEODRIVER=wayland)
    start_program
    wait_view "Quillmark display settings" >/dev/null || fail "no settings window: $(cat "$work/stderr")"
    sleep 0.5
    keys Return # the suggestion: the desktop's mode of the output it is on
    wait_for_file "$game/ZKP.cfg" || fail "config.exe wrote nothing"
    # Fullscreen, 1600 x 1200, 32 bits, keep the rate, display 1.
    [ "$(od -An -tu1 "$game/ZKP.cfg" | tr -s ' \n' ' ')" = \
        " 1 5 0 0 0 1 0 0 0 7 0 0 0 81 77 68 73 1 0 0 0 " ] ||
        fail "ZKP.cfg holds $(od -An -tu1 "$game/ZKP.cfg")"
    found=$(wait_view "$app_id" "$fullscreen") ||
        fail "no fullscreen editor; stderr: $(cat "$work/stderr")"
    [ "$(jq -c '[.fullscreen_mode, .rect.x, .rect.width, .rect.height]' <<<"$found")" = \
        "[1,1280,1600,1200]" ] || fail "the editor is not fullscreen on HEADLESS-2: $found"
    sleep 0.3
    edit_and_escape native
    end
    ;;
scale-2)
    # The same 640 x 480 points at scale 1 and at scale 2.
    for scale in 1 2; do
        begin disable 1 "output HEADLESS-1 mode $((640 * scale))x$((480 * scale)) scale $scale"
        start_with wayland "$windowed_640"
        wait_view "$app_id" >/dev/null || fail "scale $scale: no window: $(cat "$work/stderr")"
        sleep 1
        screenshot HEADLESS-1 "$work/scale$scale.png"
        keys Escape
        wait_program
        end
    done
    size=$(/usr/bin/identify -format %wx%h "$work/scale2.png")
    [ "$size" = 1280x960 ] || fail "the scale-2 picture is $size"
    # Filling the window: the scale-2 picture is the scale-1 one, enlarged.
    /usr/bin/convert "$work/scale1.png" -filter point -resize 200% "$work/scale1x2.png"
    rmse=$(/usr/bin/compare -metric RMSE "$work/scale1x2.png" "$work/scale2.png" null: 2>&1 |
        sed 's/.*(\(.*\))/\1/')
    awk -v e="$rmse" 'BEGIN { exit !(e < 0.08) }' ||
        fail "the scale-2 picture is not the scale-1 one (RMSE $rmse)"
    # Crisp: pixels differ inside the 2 x 2 blocks that one enlarged pixel
    # would fill, about as often as neighbours differ at scale 1.
    blocks() { # FILE -> pixels unlike the top-left one of their 2 x 2 block
        /usr/bin/convert "$1" -sample 50% -sample 200% "$work/blocks.png"
        /usr/bin/compare -metric AE "$1" "$work/blocks.png" null: 2>&1
    }
    sharp1=$(blocks "$work/scale1.png")
    sharp2=$(blocks "$work/scale2.png")
    awk -v a="$sharp1" -v b="$sharp2" 'BEGIN { exit !(a > 100 && b > a) }' ||
        fail "scale 2 is not drawn in its own pixels ($sharp2 edge pixels, $sharp1 at scale 1)"
    ;;
*)
    fail "unknown case"
    ;;
esac
exit 0
