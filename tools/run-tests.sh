#!/usr/bin/env bash
# Runs every test in the sanitizer build (AddressSanitizer and
# UndefinedBehaviorSanitizer), with a release build of the player beside it
# for the tests that compare the two, then checks that the release player
# and the dump tool build.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc)
root=$(pwd)
started=$(date +%s)

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
log="$root/build-test-asan/Testing/run-tests.log"
mkdir -p "$(dirname "$log")"
rm -f build-test-asan/Testing/Temporary/LastTestsFailed.log
if ! (cd build-test-asan && ctest -j "$jobs" --output-on-failure --timeout 300) 2>&1 | tee "$log"; then
  status=1
fi

echo "== release build"
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$jobs" --target tarvamo4 tarvamo4-dump || status=1

# The last lines of a CI log: which tests failed, how long it all took, and
# the counts.
echo "== summary"
failed=build-test-asan/Testing/Temporary/LastTestsFailed.log
if [ -s "$failed" ]; then
  echo "failed tests:"
  sed 's/^[0-9]*:/  /' "$failed"
fi
elapsed=$(( $(date +%s) - started ))
printf 'run took %dm %02ds\n' $((elapsed / 60)) $((elapsed % 60))
counts=$(grep -Eo '[0-9]+ tests failed out of [0-9]+' "$log" | tail -n 1 || true)
if [ -n "$counts" ]; then
  nfail=${counts%% *}
  ntotal=${counts##* }
  echo "tests: $((ntotal - nfail)) passed, $nfail failed"
else
  echo "tests: the test run did not finish"
  status=1
fi
exit $status
