#!/usr/bin/env bash
# Installs the Debian packages spinview needs to build, run and test, and any named, skipping what
# is present:  scripts/install-deps.sh [--build] [PACKAGE...]
# With --build, only what building the viewer and its Debian package needs.
set -euo pipefail

# the viewer, and its package (dpkg-shlibdeps finds its dependencies, file tells it the binaries)
packages=(
  cmake make g++
  libgl1-mesa-dev libegl-dev libx11-dev freeglut3-dev libglew-dev libpng-dev libjpeg-dev
  dpkg-dev file
)
if [ "${1:-}" = --build ]; then
  shift
else
  packages+=(
    python3 libgtest-dev googletest libbenchmark-dev
    xvfb xdotool imagemagick x11-utils apitrace man-db
    clang libclang-rt-14-dev libfuzzer-14-dev valgrind
    libassimp-dev assimp-testmodels
  )
fi
packages+=("$@")

missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$package")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

sudo=""
if [ "$(id -u)" -ne 0 ]; then
  sudo="sudo"
fi
echo "Installing: ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
