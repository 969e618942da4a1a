#!/usr/bin/env bash
# Rebuilds data/torus.obj from the generator in scripts/makeTorus.cpp.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build >/dev/null
cmake --build build --target make_torus >/dev/null
build/make_torus data/torus.obj
