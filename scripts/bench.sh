#!/usr/bin/env bash
# Measures OBJ reading:
#  1. in-process speed on generated files beside tinyobjloader + meshoptimizer and, for the limit
#     torus, the literal linear scan (Google Benchmark, interleaved repetitions);
#  2. whole fresh processes on the limit torus and the million-triangle scan beside the same pair,
#     with the peak memory above the process's baseline (heap and mapped file pages alike);
#  3. how time and memory grow with the file, from 12 MB to 200 MB;
#  4. files made to be hard (a fan of smoothing groups, huge coordinates, a crowd within one weld
#     cell), each at 1, 2 and 4 times a size: their time must grow linearly too;
#  5. one model of a million triangles as OBJ and as GLB, read and drawn (scripts/formatBench.py);
#  6. the gaps between frames while the viewer reloads a 57 MB model again and again
#     (scripts/reloadGaps.py, in a private Xvfb);
#  7. PLY and STL: the million-triangle scan as binary PLY and binary STL beside the same model as
#     OBJ, in one process beside libassimp (format_bench), and as whole processes, read alone and
#     read and drawn by the viewer without a display, beside libassimp (scripts/timeFormats.py),
#     and the STL file beside the same model shaded flat as OBJ (`s off`).
#   scripts/bench.sh [Google Benchmark options]     REPETITIONS=5 by default
# FAST_OBJ=PROGRAM adds a parse-only reader of one's own to step 2 (a program taking the file as
# its one argument), compared as the fastest parse-only reader.
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
cmake --build build -j"$(nproc)" --target obj_bench load_obj tinyobj_load make_torus spinview \
  format_bench assimp_load >/dev/null

build/bench/obj_bench --benchmark_filter=-readHardFile --benchmark_repetitions="${REPETITIONS:-5}" \
  --benchmark_enable_random_interleaving=true --benchmark_report_aggregates_only=true "$@"

build/make_torus build/limit-torus.obj --limit >/dev/null
build/make_torus build/scan-torus.obj --scan 708 708 >/dev/null
echo
also=()
[ -n "${FAST_OBJ:-}" ] && also=(--also "fast_obj=$FAST_OBJ")
python3 scripts/timeProcesses.py "${also[@]}" build/limit-torus.obj build/scan-torus.obj

# 12.6, 50, 100 and 200 MB tori with shared records
echo
for side in 256 512 724 1024; do
  build/make_torus "build/grid-$side.obj" --grid "$side" "$side" >/dev/null
done
python3 scripts/timeProcesses.py --runs 5 --alone build/grid-256.obj build/grid-512.obj build/grid-724.obj build/grid-1024.obj
rm -f build/grid-512.obj build/grid-724.obj build/grid-1024.obj

# glibc keeps what is freed: otherwise it gives blocks back to the system between iterations or
# not by their size, and the larger files pay again for faulting in their memory, the smaller not
echo
GLIBC_TUNABLES=glibc.malloc.trim_threshold=4294967295:glibc.malloc.mmap_threshold=4294967295 \
  build/bench/obj_bench --benchmark_filter=readHardFile --benchmark_repetitions="${REPETITIONS:-5}" \
  --benchmark_enable_random_interleaving=true --benchmark_report_aggregates_only=true "$@"

# one model of a million triangles as OBJ and as GLB (written by assimp's tool), read and drawn
# by the whole viewer, and read alone with the peak memory
echo
scripts/install-deps.sh assimp-utils
build/make_torus build/million-torus.obj --grid 708 708 >/dev/null
assimp export build/million-torus.obj build/million-torus.glb -fglb2 >/dev/null
python3 scripts/formatBench.py --runs "${REPETITIONS:-5}" build/million-torus.obj build/million-torus.glb
rm -f build/million-torus.obj build/million-torus.glb

echo
python3 scripts/reloadGaps.py --rounds 5

echo
build/bench/format_bench --benchmark_repetitions="${REPETITIONS:-5}" --benchmark_enable_random_interleaving=true \
  --benchmark_report_aggregates_only=true "$@"
build/make_torus build/scan-torus.ply --scan 708 708 >/dev/null
build/make_torus build/scan-torus.stl --scan 708 708 >/dev/null
echo
python3 scripts/timeFormats.py build/scan-torus.obj build/scan-torus.ply build/scan-torus.stl
# the STL file's model shaded flat as OBJ: the same mesh drawn
(echo "s off"; cat build/scan-torus.obj) >build/scan-faceted.obj
echo
python3 scripts/timeFormats.py --runs 5 --no-assimp build/scan-faceted.obj build/scan-torus.stl
