#!/usr/bin/env bash
# Installs what is missing, builds, and starts the viewer in data/.
# Without a display it runs the viewer inside a private Xvfb for two seconds, saves a
# screenshot to build/spinview.png and quits the viewer with the q key.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)" --target spinview

if [ -n "${DISPLAY:-}" ]; then
  cd data
  exec ../build/spinview
fi

exec python3 scripts/screenshot.py build/spinview.png
