#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, with AddressSanitizer and UndefinedBehaviorSanitizer) and
# runs each for SECONDS (default 300) from the seed corpus in fuzz/corpus, but the PLY and STL
# target, which runs for half as long: its readers are small, and the time of CI is not. New corpus entries go
# to build-fuzz/corpus, never into the repo. A finding stops the run with a non-zero status and
# leaves the input as build-fuzz/crash-*. FUZZ_JOBS=2 runs two targets at once, one a core.
#   scripts/fuzz.sh [SECONDS]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-300}"

scripts/install-deps.sh
CC=clang CXX=clang++ cmake -S . -B build-fuzz -DSPINVIEW_FUZZ=ON -DSPINVIEW_BUILD_TESTS=OFF \
  -DSPINVIEW_BUILD_BENCH=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O1 -g1 -DNDEBUG" \
  "-DCMAKE_C_FLAGS_RELWITHDEBINFO=-O1 -g1 -DNDEBUG" >/dev/null
cmake --build build-fuzz -j"$(nproc)" --target obj_fuzz shader_source_fuzz gltf_fuzz ply_stl_fuzz

run() {
  local target=$1 seeds=$2 maxLength=$3 seconds=${4:-$seconds} status=0
  local log="build-fuzz/$target.log"
  mkdir -p "build-fuzz/corpus/$seeds"
  echo "Fuzzing $target for $seconds s"
  "build-fuzz/fuzz/$target" -max_total_time="$seconds" -max_len="$maxLength" -print_final_stats=1 \
    -artifact_prefix=build-fuzz/ "build-fuzz/corpus/$seeds" "fuzz/corpus/$seeds" >"$log" 2>&1 || status=$?
  if [ "$status" -ne 0 ]; then
    tail -n 60 "$log"
    echo "$target: FINDING (status $status), input saved under build-fuzz/"
    return "$status"
  fi
  grep -E "^stat::(number_of_executed_units|average_exec_per_sec)|^Done" "$log"
}

# the targets as NAME SEEDS MAX_LENGTH SECONDS
targets=("obj_fuzz obj 8192 $seconds" "shader_source_fuzz shader 4096 $seconds" "gltf_fuzz gltf 16384 $seconds"
         "ply_stl_fuzz plystl 16384 $(((seconds + 1) / 2))")
if [ "${FUZZ_JOBS:-1}" -lt 2 ]; then
  for target in "${targets[@]}"; do
    run $target
  done
  exit 0
fi
# two at once: each pair's statuses are collected before a finding ends the run
for ((i = 0; i < ${#targets[@]}; i += 2)); do
  run ${targets[i]} & first=$!
  status=0
  if [ $((i + 1)) -lt ${#targets[@]} ]; then
    run ${targets[i + 1]} || status=$?
  fi
  wait "$first" || status=$?
  if [ "$status" -ne 0 ]; then
    exit "$status"
  fi
done
