#!/usr/bin/env bash
# The Windows build, on this Linux machine: cross-compiles spinview and its unit and log tests with
# MinGW-w64, runs the tests under Wine, then the viewer once inside a private Xvfb (its window,
# its picture, q with status 0, the debugger channel).
#   scripts/windows.sh
# The Windows libraries are built once, from Debian's source packages of zlib, libpng,
# libjpeg-turbo, GLEW and freeglut and from GoogleTest's sources, into build-win/deps; delete that
# folder to rebuild them.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
out=$root/build-win
deps=$out/deps
toolchain=$root/cmake/mingw-w64-x86_64.cmake
jobs=$(nproc)

scripts/install-deps.sh g++-mingw-w64-x86-64 wine wine64

# Builds one library's CMake project into deps: buildLibrary SOURCE BUILD [CMAKE OPTIONS...]
buildLibrary() {
  local source=$1 build=$2
  shift 2
  cmake -S "$source" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_INSTALL_PREFIX="$deps" -DCMAKE_PREFIX_PATH="$deps" "$@" >/dev/null
  cmake --build "$build" -j"$jobs" --target install >/dev/null
}

# a folder built before JPEG was read lacks libjpeg: it is built again whole
if [ ! -f "$deps/.complete" ] || [ ! -f "$deps/lib/libjpeg.a" ]; then
  echo "== the Windows libraries, built once into $deps"
  rm -rf "$deps" "$out/sources"
  mkdir -p "$deps/lib" "$deps/include" "$out/sources/apt/lists/partial" "$out/sources/apt/sources.list.d"
  # source lists of our own, for the archive and suites the machine's packages come from (its
  # security archive serves no sources here): the system's apt configuration is left as it is
  apt-get indextargets --format '$(REPO_URI) $(RELEASE)' 'Created-By: Packages' | sort -u | grep -v -- -security |
    sed 's/^/deb-src /; s/$/ main/' >"$out/sources/apt/sources.list"
  apt=(-o Dir::Etc::SourceList="$out/sources/apt/sources.list"
       -o Dir::Etc::SourceParts="$out/sources/apt/sources.list.d" -o Dir::State::Lists="$out/sources/apt/lists")
  apt-get "${apt[@]}" update -qq
  (cd "$out/sources" && apt-get "${apt[@]}" source --download-only -qq freeglut glew libpng1.6 libjpeg-turbo zlib)
  for tarball in "$out"/sources/*.orig.tar.*; do
    tar -xf "$tarball" -C "$out/sources"
  done
  src() { find "$out/sources" -maxdepth 1 -type d -name "$1-*" | head -1; }

  # zlib and libpng are linked into spinview.exe; Debian's zlib source lacks the resource file
  # of the DLL, so only the static library is built and installed by hand
  cmake -S "$(src zlib)" -B "$out/sources/build-zlib" -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
    -DCMAKE_BUILD_TYPE=Release >/dev/null
  cmake --build "$out/sources/build-zlib" -j"$jobs" --target zlibstatic >/dev/null
  cp "$out/sources/build-zlib/libzlibstatic.a" "$deps/lib/libz.a"
  cp "$(src zlib)/zlib.h" "$out/sources/build-zlib/zconf.h" "$deps/include/"
  buildLibrary "$(src libpng)" "$out/sources/build-png" -DPNG_SHARED=OFF -DPNG_STATIC=ON -DPNG_TESTS=OFF \
    -DPNG_EXECUTABLES=OFF -DZLIB_LIBRARY="$deps/lib/libz.a" -DZLIB_INCLUDE_DIR="$deps/include"
  # libjpeg-turbo without its SIMD code, which would need the NASM assembler
  buildLibrary "$(src libjpeg-turbo)" "$out/sources/build-jpeg" -DENABLE_SHARED=OFF -DENABLE_STATIC=ON \
    -DWITH_TURBOJPEG=OFF -DWITH_SIMD=OFF
  # GLEW's source already holds the generated glew.c
  buildLibrary "$(src glew)/build/cmake" "$out/sources/build-glew" -DBUILD_UTILS=OFF
  # without REPLACE_GLUT, freeglut installs no GL/glut.h on Windows
  buildLibrary "$(src freeglut)" "$out/sources/build-freeglut" -DFREEGLUT_BUILD_DEMOS=OFF \
    -DFREEGLUT_BUILD_STATIC_LIBS=OFF -DFREEGLUT_REPLACE_GLUT=ON
  buildLibrary /usr/src/googletest "$out/sources/build-googletest" -DBUILD_GMOCK=OFF
  rm -rf "$out/sources"
  touch "$deps/.complete"
fi

# stb_image is header-only: Debian's copy (libstb-dev) serves the Windows build too
mkdir -p "$deps/include/stb"
cp /usr/include/stb/stb_image.h "$deps/include/stb/"

echo "== spinview and its unit and log tests for Windows"
# glTF is read through tinygltf and nlohmann's JSON, both header-only: Debian's headers serve the
# cross build too, from a folder of their own (the rest of /usr/include is Linux's). libassimp has
# no Windows package and would take longer to build than the whole stage: the Windows build has no
# general importer, and says so (--version, and a message naming such a file)
mkdir -p "$out/gltf-include"
ln -sfn /usr/include/tiny_gltf.h "$out/gltf-include/tiny_gltf.h"
ln -sfn /usr/include/nlohmann "$out/gltf-include/nlohmann"
cmake -S . -B "$out/build" -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_PREFIX_PATH="$deps" \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O2 -g1 -DNDEBUG" -DSPINVIEW_BUILD_BENCH=OFF \
  -DSPINVIEW_TINYGLTF_INCLUDE="$out/gltf-include" -DSPINVIEW_JSON_INCLUDE="$out/gltf-include" >/dev/null
cmake --build "$out/build" -j"$jobs" --target spinview unit_tests log_tests
# the programs need only GLEW's and freeglut's DLLs beside them
cp "$deps"/bin/*.dll "$out/build/"
cp "$deps"/bin/*.dll "$out/build/tests/"

export WINEPREFIX=$out/wine WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
trap 'wineserver -k 2>/dev/null || true' EXIT
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  wineboot --init >/dev/null 2>&1
  wineserver -w
fi

echo "== the unit and log tests under Wine"
(cd "$out/build/tests" && wine unit_tests.exe --gtest_brief=1 && wine log_tests.exe --gtest_brief=1)

echo "== the viewer under Wine, in a private Xvfb"
# a Wine session started without a display would keep its desktop without one: start afresh
wineserver -k 2>/dev/null || true
wineserver -w
(cd tests/e2e && SPINVIEW_WINDOWS_BIN="$out/build/spinview.exe" python3 -m unittest -v test_windows)
