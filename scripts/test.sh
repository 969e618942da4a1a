#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test with CTest; then runs the whole suite again
# under AddressSanitizer and UndefinedBehaviorSanitizer, the unit, reading and reload tests under
# ThreadSanitizer, each fuzz target for a bounded time, and the Windows build under Wine
# (scripts/windows.sh).
#   FUZZ_SECONDS=0 skips fuzzing, WINDOWS=0 the Windows build.
set -euo pipefail
cd "$(dirname "$0")/.."

# A stage's title, with the time since the start, to see where the minutes go.
stage() {
  echo "== $1 ($((SECONDS / 60)) min $((SECONDS % 60)) s in)"
}

scripts/install-deps.sh

stage "build and test"
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)"
ctest --test-dir build --output-on-failure -j2

stage "the same tests under AddressSanitizer and UndefinedBehaviorSanitizer"
cmake -S . -B build-asan -DSPINVIEW_SANITIZE=ON -DSPINVIEW_BUILD_BENCH=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build-asan -j"$(nproc)"
# The OpenGL driver is preloaded so that it stays mapped until the leak check, which then names
# it: its own leaks at exit are suppressed by library name, nothing else is.
driver=$(find /usr/lib -name swrast_dri.so -print -quit 2>/dev/null || true)
export SPINVIEW_TEST_PRELOAD="$driver"
# allocator_may_return_null: the tests ask for more memory than there is, to see it refused
export ASAN_OPTIONS="detect_leaks=1:verify_asan_link_order=0:allocator_may_return_null=1"
export LSAN_OPTIONS="suppressions=$PWD/tests/sanitizer/lsan-driver.supp:print_suppressions=0"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"
ctest --test-dir build-asan --output-on-failure -j2
unset SPINVIEW_TEST_PRELOAD ASAN_OPTIONS LSAN_OPTIONS UBSAN_OPTIONS

stage "the unit, reading and reload tests under ThreadSanitizer"
cmake -S . -B build-tsan -DSPINVIEW_THREAD_SANITIZE=ON -DSPINVIEW_BUILD_BENCH=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build-tsan -j"$(nproc)" --target unit_tests spinview
export TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1:allocator_may_return_null=1:suppressions=$PWD/tests/sanitizer/tsan-driver.supp"
build-tsan/tests/unit_tests --gtest_brief=1
# the driver preloaded, so that it is never unloaded: the sanitizer stops at the unloading of a
# library its suppressions name
SPINVIEW_TEST_PRELOAD="$driver" ctest --test-dir build-tsan --output-on-failure -j2 -R '^e2e\.reload\.'
unset TSAN_OPTIONS

seconds="${FUZZ_SECONDS:-30}"
if [ "$seconds" -gt 0 ]; then
  stage "fuzzing, $seconds s a target"
  scripts/fuzz.sh "$seconds"
fi

if [ "${WINDOWS:-1}" != 0 ]; then
  stage "the Windows build, under Wine"
  scripts/windows.sh
fi

stage "done"
