#!/usr/bin/env bash
# Runs every test in the sanitizer build (AddressSanitizer and
# UndefinedBehaviorSanitizer), with a release build of the player beside it
# for the tests that compare the two, then checks that the release player
# and the dump tool build.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc)
root=$(pwd)

# Clones in other folders share the compiler cache.
export CCACHE_BASEDIR="$root"
export CCACHE_NOHASHDIR=true
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0:detect_stack_use_after_return=0"
export LSAN_OPTIONS="suppressions=$root/tools/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"

echo "== sanitizer build"
cmake -S . -B build-test-asan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DT4_SANITIZE=ON >/dev/null
cmake --build build-test-asan -j "$jobs"
# The player in a release build of its own: the tests play the same runs
# with both builds and compare them frame by frame.
echo "== release player"
cmake -S . -B build-test-release -G Ninja -DCMAKE_BUILD_TYPE=Release -DT4_SANITIZE=OFF -DT4_TESTS=OFF >/dev/null
cmake --build build-test-release -j "$jobs" --target tarvamo4
export T4_RELEASE_PLAYER="$root/build-test-release/tarvamo4"
echo "== tests"
status=0
(cd build-test-asan && ctest -j "$jobs" --output-on-failure --timeout 300) || status=1

echo "== release build"
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$jobs" --target tarvamo4 tarvamo4-dump || status=1
exit $status
