# Shell helpers for runs that drive real windows under Wayland: a private
# headless sway session with software rendering, sourced by bash scripts
# that define `work` (a scratch folder) and fail MESSAGE. The caller's EXIT
# trap ends the session: stop_sway.
#
# Sway refuses to run as root, and a user's session is not root's anyway: as
# root, the session and every program started with as_user run as nobody,
# with $work handed to that user.

sway_pid=
session_user=$(id -un)

# The command that runs another as the session's user, in the session's
# environment (an array: "${user_command[@]}" PROGRAM ARGS...).
user_command=()
set_user_command() {
    user_command=()
    [ "$(id -u)" -eq 0 ] && user_command=(setpriv --reuid=nobody --regid=nogroup --clear-groups)
    user_command+=(env HOME="$work/home" XDG_RUNTIME_DIR="$work/runtime"
                   WAYLAND_DISPLAY="${WAYLAND_DISPLAY:-}" SWAYSOCK="$work/runtime/sway.sock")
}
as_user() { "${user_command[@]}" "$@"; }

# start_sway XWAYLAND OUTPUTS [CONFIG_LINE...]
# XWAYLAND is enable or disable; OUTPUTS how many headless outputs there are
# (HEADLESS-1, HEADLESS-2, ...); each CONFIG_LINE is a line of sway's
# configuration, e.g. "output HEADLESS-1 mode 1280x1024 position 0 0".
# Sets WAYLAND_DISPLAY, and DISPLAY when Xwayland runs.
start_sway() {
    local xwayland=$1 outputs=$2 line
    shift 2
    mkdir -p "$work/home" "$work/runtime"
    chmod 700 "$work/runtime"
    {
        echo "xwayland $xwayland"
        echo "default_border none"
        echo "focus_on_window_activation focus"
        for line in "$@"; do echo "$line"; done
    } >"$work/sway.config"
    [ "$(id -u)" -eq 0 ] && chown -R nobody:nogroup "$work"
    unset DISPLAY WAYLAND_DISPLAY SDL_VIDEODRIVER
    set_user_command
    # Started directly, not through a function, so that $! is sway itself.
    "${user_command[@]}" WLR_BACKENDS=headless WLR_RENDERER=pixman WLR_LIBINPUT_NO_DEVICES=1 \
        WLR_HEADLESS_OUTPUTS="$outputs" sway -c "$work/sway.config" >"$work/sway.log" 2>&1 &
    sway_pid=$!
    local socket
    for _ in $(seq 100); do
        socket=$(cd "$work/runtime" && ls wayland-[0-9] 2>/dev/null | head -n1)
        [ -n "$socket" ] && [ -S "$work/runtime/sway.sock" ] && break
        sleep 0.1
    done
    [ -n "$socket" ] || fail "sway did not start: $(tail -n 5 "$work/sway.log")"
    export WAYLAND_DISPLAY=$socket
    set_user_command
    if [ "$xwayland" = enable ]; then
        # Sway hands its X display to what it starts: ask one of those.
        sway_msg exec "echo \$DISPLAY >$work/x-display" >/dev/null
        for _ in $(seq 100); do [ -s "$work/x-display" ] && break; sleep 0.1; done
        [ -s "$work/x-display" ] || fail "no Xwayland display"
        export DISPLAY=$(cat "$work/x-display")
    fi
}

stop_sway() {
    [ -n "$sway_pid" ] && kill "$sway_pid" 2>/dev/null && wait "$sway_pid" 2>/dev/null
    sway_pid=
}

sway_msg() { as_user swaymsg -s "$work/runtime/sway.sock" "$@"; }
