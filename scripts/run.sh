#!/usr/bin/env bash
# Installs what is missing, builds, and starts the viewer in data/, passing on its options.
# Without a display it draws one frame inside a private Xvfb and saves it, with the viewer's own
# --snapshot, to build/spinview.png.
#   scripts/run.sh [SPINVIEW OPTIONS...]
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)" --target spinview

if [ -n "${DISPLAY:-}" ]; then
  # options naming files are read from data/, the viewer's working directory
  cd data
  exec ../build/spinview "$@"
fi

exec python3 scripts/snapshot.py build/spinview.png "$@"
