#!/bin/sh
# Builds the Debian package build/quillmark_<version>_amd64.deb with CPack:
# everything `cmake --install` puts under /usr, binaries stripped, the
# dependencies computed by dpkg-shlibdeps. Install it with
#   sudo apt-get install ./build/quillmark_*.deb
set -eu
cd "$(dirname "$0")/.."

sh scripts/install-deps.sh
# A build folder of its own, without the tests: nothing of them goes into
# what users install.
cmake -S . -B build-package -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUILLMARK_TESTS=OFF \
    -DQUILLMARK_BENCH=OFF >/dev/null
# What is installed, not the tests.
cmake --build build-package -j"$(nproc 2>/dev/null || echo 2)" --target install_files
mkdir -p build
rm -f build-package/quillmark_*.deb build/quillmark_*.deb
(cd build-package && cpack -G DEB >/dev/null)
cp build-package/quillmark_*.deb build/
ls build/quillmark_*.deb
