#!/usr/bin/env bash
# Measures OBJ reading + welding at the 65,536-vertex limit: speed against the linear scan and
# tinyobjloader + meshoptimizer (Google Benchmark), and peak heap while loading (valgrind massif).
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)" --target obj_bench load_obj make_torus >/dev/null

build/bench/obj_bench --benchmark_repetitions="${REPETITIONS:-5}" --benchmark_report_aggregates_only=true "$@"

file=build/limit-torus.obj
build/make_torus "$file" --limit >/dev/null
valgrind --tool=massif --massif-out-file=build/massif.out build/bench/load_obj "$file" >/dev/null 2>&1
peak=$(grep -E '^mem_heap_B=' build/massif.out | cut -d= -f2 | sort -n | tail -1)
size=$(stat -c %s "$file")
awk -v peak="$peak" -v size="$size" 'BEGIN {
  printf "Peak heap while loading: %.1f MB for a %.1f MB file (%.2f times its size)\n", peak / 1e6, size / 1e6, peak / size }'
