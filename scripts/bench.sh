#!/usr/bin/env bash
# Measures OBJ reading: speed on generated files beside tinyobjloader + meshoptimizer and, for the
# limit torus, the literal linear scan (Google Benchmark); then the peak heap of loading the limit
# torus and the million-triangle scan (valgrind's massif).
#   scripts/bench.sh [Google Benchmark options]     REPETITIONS=5 by default
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
# the comparison libraries, for the benchmark only
for package in libtinyobjloader-dev libmeshoptimizer-dev; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
    sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "$package" >/dev/null
  fi
done
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)" --target obj_bench load_obj make_torus >/dev/null

build/bench/obj_bench --benchmark_repetitions="${REPETITIONS:-5}" --benchmark_enable_random_interleaving=true \
  --benchmark_report_aggregates_only=true "$@"

peakHeap() {
  local file=$1
  valgrind --tool=massif --massif-out-file=build/massif.out build/bench/load_obj "$file" >/dev/null 2>&1
  local peak size
  peak=$(grep -E '^mem_heap_B=' build/massif.out | cut -d= -f2 | sort -n | tail -1)
  size=$(stat -c %s "$file")
  awk -v peak="$peak" -v size="$size" -v name="$(basename "$file")" 'BEGIN {
    printf "Peak heap loading %s: %.1f MB for a %.1f MB file (%.2f times its size)\n", name, peak / 1e6, size / 1e6, peak / size }'
}
build/make_torus build/limit-torus.obj --limit >/dev/null
build/make_torus build/scan-torus.obj --scan 708 708 >/dev/null
peakHeap build/limit-torus.obj
peakHeap build/scan-torus.obj
