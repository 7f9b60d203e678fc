#!/bin/sh
# Builds the Debian package build/quillmark_<version>_amd64.deb with CPack:
# everything `cmake --install` puts under /usr, binaries stripped, the
# dependencies computed by dpkg-shlibdeps. Install it with
#   sudo apt-get install ./build/quillmark_*.deb
set -eu
cd "$(dirname "$0")/.."

sh scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
# What is installed, not the tests.
cmake --build build -j"$(nproc 2>/dev/null || echo 2)" --target install_files
rm -f build/quillmark_*.deb
(cd build && cpack -G DEB >/dev/null)
ls build/quillmark_*.deb
