#!/usr/bin/env bash
# Builds the Debian package, build-package/spinview_VERSION_ARCH.deb, after installing what the
# build and the package need (scripts/install-deps.sh --build):
#   scripts/package.sh
# Its dependencies are the packages of the libraries the program links, found by dpkg-shlibdeps.
# Install it with:  sudo apt-get install ./build-package/spinview_*.deb
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh --build
cmake -S . -B build-package -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSPINVIEW_BUILD_TESTS=OFF \
  -DSPINVIEW_BUILD_BENCH=OFF >/dev/null
cmake --build build-package -j"$(nproc)" --target spinview
rm -f build-package/spinview_*.deb
cpack --config build-package/CPackConfig.cmake -B build-package >/dev/null
ls build-package/spinview_*.deb
