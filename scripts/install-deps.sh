#!/bin/sh
# Installs every Debian package that Quillmark's build, tools and tests need.
# Safe to run again: packages already present are left as they are.
set -eu

packages="
build-essential
cmake
g++
pkg-config
git
googletest
libgtest-dev
libgmock-dev
libbenchmark-dev
clang-format
clang
libclang-rt-14-dev
libsdl2-dev
libxrandr-dev
libstb-dev
libassimp-dev
libseccomp-dev
libgl-dev
libglu1-mesa-dev
libegl-dev
libgl1-mesa-dri
libegl-mesa0
libimgui-dev
xvfb
xfonts-base
xdotool
sway
xwayland
grim
jq
libwayland-dev
libxkbcommon-dev
x11-utils
x11-xkb-utils
imagemagick
util-linux
mount
mawk
time
desktop-file-utils
appstream
lintian
help2man
man-db
dpkg-dev
"

missing=""
for p in $packages; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing="$missing $p"
    fi
done
[ -z "$missing" ] && exit 0

if [ "$(id -u)" -eq 0 ]; then
    sudo=""
else
    sudo="sudo"
fi
echo "Installing:$missing"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends $missing
