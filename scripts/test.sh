#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test with CTest: the whole suite under
# AddressSanitizer and UndefinedBehaviorSanitizer, and in the plain build the tests that cannot run
# under them (the OpenGL call traces through apitrace, valgrind's run, the package) with the unit
# tests; then the unit, reading and reload tests under ThreadSanitizer, each fuzz target for a
# bounded time, and the Windows build under Wine (scripts/windows.sh).
#   FUZZ_SECONDS=0 skips fuzzing, WINDOWS=0 the Windows build.
set -euo pipefail
cd "$(dirname "$0")/.."

# A stage's title, with the time since the start, to see where the minutes go.
stage() {
  echo "== $1 ($((SECONDS / 60)) min $((SECONDS % 60)) s in)"
}

# the Windows stage's packages too, so that apt runs once
if [ "${WINDOWS:-1}" != 0 ]; then
  scripts/install-deps.sh g++-mingw-w64-x86-64 wine wine64
else
  scripts/install-deps.sh
fi

# Line tables are all a stack trace needs, and the sanitized builds are compiled at -O1, as their
# documentation advises: together they halve the time of the compiler.
plain=(-DCMAKE_BUILD_TYPE=RelWithDebInfo "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O2 -g1 -DNDEBUG"
       "-DCMAKE_C_FLAGS_RELWITHDEBINFO=-O2 -g1 -DNDEBUG")
sanitized=(-DCMAKE_BUILD_TYPE=RelWithDebInfo "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O1 -g1 -DNDEBUG"
           "-DCMAKE_C_FLAGS_RELWITHDEBINFO=-O1 -g1 -DNDEBUG" -DSPINVIEW_BUILD_BENCH=OFF)
# Each end-to-end test has a private X server: three at once keep both cores busy.
jobs=3

stage "build, and the tests that run only in the plain build"
cmake -S . -B build "${plain[@]}" >/dev/null
cmake --build build -j"$(nproc)"
# The other end-to-end suites run once, in the sanitized build below: the same checks, of the same
# code, with the sanitizers watching.
ctest --test-dir build --output-on-failure -j"$jobs" \
  -E '^e2e\.(bad_input|command_line|reload|camera|sequences|shader_inputs|materials|passes|formats|toggles|look)\.'

stage "every test under AddressSanitizer and UndefinedBehaviorSanitizer"
cmake -S . -B build-asan -DSPINVIEW_SANITIZE=ON "${sanitized[@]}" >/dev/null
cmake --build build-asan -j"$(nproc)"
# The OpenGL driver is preloaded so that it stays mapped until the leak check, which then names
# it: its own leaks at exit are suppressed by library name, nothing else is.
driver=$(find /usr/lib -name swrast_dri.so -print -quit 2>/dev/null || true)
export SPINVIEW_TEST_PRELOAD="$driver"
# allocator_may_return_null: the tests ask for more memory than there is, to see it refused
export ASAN_OPTIONS="detect_leaks=1:verify_asan_link_order=0:allocator_may_return_null=1"
export LSAN_OPTIONS="suppressions=$PWD/tests/sanitizer/lsan-driver.supp:print_suppressions=0"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"
ctest --test-dir build-asan --output-on-failure -j"$jobs"
unset SPINVIEW_TEST_PRELOAD ASAN_OPTIONS LSAN_OPTIONS UBSAN_OPTIONS

stage "the unit, reading and reload tests under ThreadSanitizer"
cmake -S . -B build-tsan -DSPINVIEW_THREAD_SANITIZE=ON "${sanitized[@]}" >/dev/null
cmake --build build-tsan -j"$(nproc)" --target unit_tests spinview
export TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1:allocator_may_return_null=1:suppressions=$PWD/tests/sanitizer/tsan-driver.supp"
# the unit tests in two halves at once, one a core
shard() {
  GTEST_TOTAL_SHARDS=2 GTEST_SHARD_INDEX=$1 build-tsan/tests/unit_tests --gtest_brief=1 >"build-tsan/unit-$1.log" 2>&1
}
shard 0 & first=$!
status=0
shard 1 || status=$?
wait "$first" || status=$?
if [ "$status" -ne 0 ]; then
  cat build-tsan/unit-0.log build-tsan/unit-1.log
  exit "$status"
fi
grep -h "PASSED" build-tsan/unit-0.log build-tsan/unit-1.log
# the driver preloaded, so that it is never unloaded: the sanitizer stops at the unloading of a
# library its suppressions name
SPINVIEW_TEST_PRELOAD="$driver" ctest --test-dir build-tsan --output-on-failure -j"$jobs" -R '^e2e\.reload\.'
unset TSAN_OPTIONS

seconds="${FUZZ_SECONDS:-30}"
if [ "$seconds" -gt 0 ]; then
  stage "fuzzing, $seconds s a target, two at once"
  FUZZ_JOBS=2 scripts/fuzz.sh "$seconds"
fi

if [ "${WINDOWS:-1}" != 0 ]; then
  stage "the Windows build, under Wine"
  scripts/windows.sh
fi

stage "done"
