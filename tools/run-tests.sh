#!/usr/bin/env bash
# Runs every test: the sanitizer build (AddressSanitizer, UndefinedBehavior-
# Sanitizer) and the release build, each through CTest.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc)
root=$(pwd)

export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0:detect_stack_use_after_return=0"
export LSAN_OPTIONS="suppressions=$root/tools/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"

status=0
for config in asan release; do
  dir="build-test-$config"
  flags=(-DCMAKE_BUILD_TYPE=RelWithDebInfo)
  [ "$config" = asan ] && flags+=(-DT4_SANITIZE=ON)
  echo "== $config build"
  cmake -S . -B "$dir" -G Ninja "${flags[@]}" >/dev/null
  cmake --build "$dir" -j "$jobs"
  echo "== $config tests"
  (cd "$dir" && ctest -j "$jobs" --output-on-failure --timeout 300) || status=1
done
exit $status
