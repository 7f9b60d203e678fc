# Shell helpers for the runs that drive real windows in a private X server,
# sourced by bash scripts that define `work` (a scratch folder) and
# fail MESSAGE. The caller's EXIT trap ends the server: kill "$xvfb_pid".

# A private X server: Xvfb chooses a free display itself. Sets DISPLAY.
start_xvfb() {
    exec 9>"$work/display"
    Xvfb -displayfd 9 -screen 0 1024x768x24 -nolisten tcp -noreset 2>"$work/xvfb.log" &
    xvfb_pid=$!
    for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
    [ -s "$work/display" ] || fail "Xvfb did not start"
    export DISPLAY=":$(head -n1 "$work/display")"
    unset WAYLAND_DISPLAY SDL_VIDEODRIVER
}

# The editor's window, waited for up to 15 s.
window_id() {
    local id
    for _ in $(seq 150); do
        id=$(xdotool search --onlyvisible --name '^Quillmark$' 2>/dev/null | head -n1)
        [ -n "$id" ] && { echo "$id"; return 0; }
        sleep 0.1
    done
    return 1
}

# Message boxes are not seen by xdotool's search: find them by caption.
find_box() {
    local caption=$1 id
    for _ in $(seq 150); do
        id=$(xwininfo -root -tree 2>/dev/null | grep "\"$caption\"" | awk '{print $1}' | head -n1)
        [ -n "$id" ] && { echo "$id"; return 0; }
        sleep 0.1
    done
    return 1
}

dismiss_box() {
    local box
    box=$(find_box "$1") || fail "no \"$1\" box appeared; stderr: $(cat "$work/stderr")"
    xdotool key --window "$box" Return 2>/dev/null
}

# A short tap, as a user types: the program must see it however slow its
# frames are.
press() {
    local window=$1 key=$2
    xdotool keydown --window "$window" "$key" 2>/dev/null
    sleep 0.03
    xdotool keyup --window "$window" "$key" 2>/dev/null
    sleep 0.03
}
