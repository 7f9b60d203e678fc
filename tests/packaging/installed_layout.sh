#!/bin/bash
# The installed layout as a user meets it: cmake --install into a scratch
# DESTDIR, then the installed launcher run as an ordinary user (nobody, when
# the tests run as root) under a private Xvfb, with HOME and XDG_DATA_HOME in
# scratch folders.
#
#   installed_layout.sh BUILD_DIR
set -u
build=$1

fail() { echo "FAIL: $*" >&2; exit 1; }

work=$(mktemp -d /tmp/quillmark-installed.XXXXXX)
chmod 755 "$work" # nobody may enter it, and read what is installed
xvfb_pid= launcher_pid=
cleanup() {
    [ -n "$launcher_pid" ] && kill -KILL "$launcher_pid" 2>/dev/null
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
. "$(dirname "$0")/../support/x_session.sh"

if [ "$(id -u)" = 0 ]; then
    as_user() { setpriv --reuid=nobody --regid="$(id -g nobody)" --clear-groups -- "$@"; }
    user_owns() { chown -R nobody:"$(id -g nobody)" "$@"; }
else
    as_user() { "$@"; }
    user_owns() { :; }
fi

DESTDIR=$work/root cmake --install "$build" --prefix /usr >"$work/install.log" ||
    fail "cmake --install: $(cat "$work/install.log")"
prefix=$work/root/usr
installed=$prefix/share/quillmark/data
tool=$prefix/bin/quillmark-tool
tree_listing() { (cd "$work/root" && find . -printf '%p %M %U %s\n' | sort && find . -type f -exec sha256sum {} + | sort); }
tree_listing >"$work/tree-before"

mkdir "$work/home" "$work/xdg"
game=$work/xdg/quillmark
mkdir "$game"
# A windowed 640 x 480 mode, so no settings dialog opens.
printf '\000\000\000\000\000\001\000\000\000\007\000\000\000' >"$game/ZKP.cfg"
user_owns "$work/home" "$work/xdg"
start_xvfb

# Runs the installed launcher as the user until its window shows, types the
# keys given, then Escape, and dismisses the frame-rate report; from the
# folder `from`, with CDPATH `cdpath` and the options `launch` when set.
run_editor() {
    as_user env -C "${from:-$work}" ${cdpath:+CDPATH=$cdpath} HOME="$work/home" \
        XDG_DATA_HOME="$work/xdg" "$prefix/bin/quillmark" ${launch-} >/dev/null 2>"$work/stderr" &
    launcher_pid=$!
    local window key
    window=$(window_id) || fail "no window; stderr: $(cat "$work/stderr")"
    sleep 0.3
    for key in "$@"; do press "$window" "$key"; done
    xdotool keydown --window "$window" Escape 2>/dev/null
    dismiss_box "FRAMERATE TEST"
    wait "$launcher_pid"
    local status=$?
    launcher_pid=
    xdotool keyup Escape 2>/dev/null
    [ "$status" = 27 ] || fail "the editor ended with $status; stderr: $(cat "$work/stderr")"
}
same() { cmp -s "$1" "$2" || fail "$3"; }
edit_kept() {
    [ "$("$tool" map diff "$installed/quillmark.map" "${2:-$game/data/quillmark.map}")" = \
        "row 7 column 5 water: 2 -> 3
1 difference" ] || fail "$1: $("$tool" map diff "$installed/quillmark.map" "${2:-$game/data/quillmark.map}")"
}

# The first run makes data/ with the defaults and the sample map; an edit
# and Escape save the map there.
run_editor Scroll_Lock w
for file in "$installed"/*; do
    [ "${file##*/}" = quillmark.map ] && continue
    same "$file" "$game/data/${file##*/}" "default ${file##*/} not copied"
    grep -qx "$(sha256sum <"$file" | cut -d' ' -f1)  ${file##*/}" "$game/data/.quillmark-defaults" ||
        fail "${file##*/} not recorded"
done
[ "$(wc -l <"$game/data/.quillmark-defaults")" = 36 ] || fail "not 36 defaults recorded"
grep -q quillmark.map "$game/data/.quillmark-defaults" && fail "the map was recorded"
edit_kept "the edit was not saved in the game folder"
tree_listing | cmp -s - "$work/tree-before" || fail "the installed tree changed"

# The user's own files, and a new installed version of two defaults: the
# second run keeps the map and the user's files, puts back a deleted default
# and updates the one the user never changed.
as_user cp "$game/data/object0003.ms3d" "$game/data/object0011.ms3d"
as_user cp "$game/data/land3.bmp" "$game/data/land0.bmp"
as_user rm "$game/data/guy0003.ms3d"
cp "$installed/land4.bmp" "$installed/land0.bmp"
cp "$installed/land2.bmp" "$installed/land1.bmp"
# Links planted at the temporary names an earlier launcher took from its PID,
# the next 400 (by one process): the restore and the record follow none.
echo "not for the launcher" >"$work/victim" && user_owns "$work/victim"
perl -e 'symlink $ARGV[0], "$ARGV[1]/.quillmark-new.$_" for $ARGV[2] .. $ARGV[2] + 400' \
    "$work/victim" "$game/data" "$(($(cat /proc/sys/kernel/ns_last_pid) + 1))"
run_editor
rm -f "$game/data"/.quillmark-new.*
[ "$(cat "$work/victim")" = "not for the launcher" ] && [ ! -L "$game/data/guy0003.ms3d" ] &&
    [ ! -L "$game/data/.quillmark-defaults" ] || fail "the launcher followed a planted link"
[ "$(stat -c %a "$game/data/guy0003.ms3d")" = "$(printf %o $((0666 & ~0$(umask))))" ] ||
    fail "the restored default's mode is not a plain copy's"
edit_kept "the second run lost the edited map"
same "$game/data/object0011.ms3d" "$installed/object0003.ms3d" "the user's object0011.ms3d changed"
same "$game/data/land0.bmp" "$installed/land3.bmp" "the user's land0.bmp was replaced"
same "$game/data/guy0003.ms3d" "$installed/guy0003.ms3d" "the deleted guy0003.ms3d is not back"
same "$game/data/land1.bmp" "$installed/land2.bmp" "the unchanged land1.bmp was not updated"
grep -qx "$(sha256sum <"$installed/land2.bmp" | cut -d' ' -f1)  land1.bmp" \
    "$game/data/.quillmark-defaults" || fail "the update of land1.bmp is not recorded"

# CDPATH naming a folder with a g/ of its own: --game-dir g is still ./g.
for folder in here elsewhere; do mkdir -p "$work/$folder/g" && cp "$game/ZKP.cfg" "$work/$folder/g/"; done
user_owns "$work/here" "$work/elsewhere"
from=$work/here cdpath=$work/elsewhere launch="--game-dir g" run_editor Scroll_Lock w
edit_kept "the edit was not saved in ./g" "$work/here/g/data/quillmark.map"
[ ! -e "$work/elsewhere/g/data" ] || fail "the CDPATH folder's g was used"

# A home the user cannot write, no XDG_DATA_HOME: the reason on stderr, exit
# 1, no editor; started from a menu (stderr no terminal, a display) in a box.
mkdir "$work/locked-home"
[ "$(id -u)" = 0 ] || chmod 555 "$work/locked-home"
reason="quillmark: cannot make the game folder $work/locked-home/.local/share/quillmark:"
as_user env -u XDG_DATA_HOME -u DISPLAY HOME="$work/locked-home" "$prefix/bin/quillmark" \
    2>"$work/stderr"
status=$?
[ "$status" = 1 ] || fail "exit $status with a read-only home"
[ "$(wc -l <"$work/stderr")" = 1 ] && grep -qF "$reason" "$work/stderr" ||
    fail "stderr: $(cat "$work/stderr")"
as_user env -u XDG_DATA_HOME HOME="$work/locked-home" "$prefix/bin/quillmark" 2>"$work/stderr" &
launcher_pid=$!
dismiss_box Quillmark
wait "$launcher_pid"
status=$?
launcher_pid=
[ "$status" = 1 ] || fail "exit $status after the box"
grep -qF "$reason" "$work/stderr" || fail "stderr with the box: $(cat "$work/stderr")"
echo "PASS"
