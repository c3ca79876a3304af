#!/usr/bin/env bash
# Fuzzes every loader of outside files with libFuzzer under AddressSanitizer
# and UndefinedBehaviorSanitizer (not part of CI).
#
#   tools/fuzz.sh [-n RUNS] [-j PROCESSES] [-b BUILD_DIR] [-o WORK_DIR] [TARGET...]
#
# Configures a clang build with -DT4_FUZZ=ON (BUILD_DIR, default build-fuzz),
# builds the targets and the seed maker, writes the seeds, then runs each
# target (all of them by default; names as in fuzz/CMakeLists.txt) for RUNS
# executions (default 1000000), PROCESSES targets at a time (default 4).
# Under WORK_DIR (default BUILD_DIR/fuzz-work): seeds/, corpus/<target>/
# (kept between runs, so later runs go on from there), findings/<target>/
# (this run's crash-, leak-, timeout- and oom- files) and logs/<target>.log.
# Each finding is a fault: fix the loader and keep the input under
# tests/fuzz_corpus/<target>/, where the CI test replays it. Exits 1 when
# anything was found. T4_BUILD_JOBS limits the build's parallel compiles.
set -euo pipefail

ROOT=$(cd "$(dirname "$0")/.." && pwd)
RUNS=1000000
JOBS=4
BUILD=$ROOT/build-fuzz
WORK=""
while getopts "n:j:b:o:h" opt; do
  case $opt in
    n) RUNS=$OPTARG ;;
    j) JOBS=$OPTARG ;;
    b) BUILD=$(realpath -m "$OPTARG") ;;
    o) WORK=$(realpath -m "$OPTARG") ;;
    *) sed -n '2,16p' "$0"; exit 2 ;;
  esac
done
shift $((OPTIND - 1))
WORK=${WORK:-$BUILD/fuzz-work}

command -v clang++ >/dev/null || { echo "fuzz.sh: clang++ is needed (apt-get install clang)" >&2; exit 2; }

cmake -S "$ROOT" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DT4_SANITIZE=ON -DT4_FUZZ=ON \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER="$ROOT/fuzz/cxx-cp932" \
  -DCMAKE_C_FLAGS=-fsanitize=fuzzer-no-link -DCMAKE_CXX_FLAGS=-fsanitize=fuzzer-no-link >/dev/null
cmake --build "$BUILD" --target t4_fuzz_targets ${T4_BUILD_JOBS:+-j "$T4_BUILD_JOBS"}

TARGETS=("$@")
if [ ${#TARGETS[@]} -eq 0 ]; then
  for f in "$BUILD"/fuzz/fuzz_*; do TARGETS+=("${f##*/fuzz_}"); done
fi

rm -rf "$WORK/seeds"
"$BUILD/fuzz/t4-fuzz-seeds" "$WORK/seeds"
mkdir -p "$WORK/logs" "$WORK/findings" "$WORK/corpus"

run_one() {
  local t=$1
  local bin=$BUILD/fuzz/fuzz_$t
  [ -x "$bin" ] || { echo "fuzz.sh: no target $t" >&2; return 1; }
  rm -rf "$WORK/findings/$t"
  mkdir -p "$WORK/corpus/$t" "$WORK/findings/$t"
  local dirs=("$WORK/corpus/$t")
  [ -d "$WORK/seeds/$t" ] && dirs+=("$WORK/seeds/$t")
  [ -d "$ROOT/tests/fuzz_corpus/$t" ] && dirs+=("$ROOT/tests/fuzz_corpus/$t")
  # A single allocation above 256 MB from a file of a few kilobytes counts
  # as a finding (libFuzzer's "malloc limit"), as does an input running 10 s.
  ASAN_OPTIONS=detect_leaks=1:allocator_may_return_null=0:abort_on_error=0 \
  UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  LSAN_OPTIONS=suppressions=$ROOT/tools/lsan.supp:print_suppressions=0 \
    "$bin" -runs="$RUNS" -timeout=10 -rss_limit_mb=2048 -malloc_limit_mb=256 -max_len=16384 \
      -print_final_stats=1 -artifact_prefix="$WORK/findings/$t/" "${dirs[@]}" >"$WORK/logs/$t.log" 2>&1
  local rc=$?
  local runs
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$WORK/logs/$t.log" | tail -1)
  printf '%-16s %10s executions  %s\n' "$t" "${runs:-?}" "$([ $rc -eq 0 ] && echo ok || echo "FOUND (see logs/$t.log)")"
  return $rc
}
export -f run_one
export BUILD WORK ROOT RUNS

status=0
printf '%s\n' "${TARGETS[@]}" | xargs -P "$JOBS" -I{} bash -c 'run_one "$@"' _ {} || status=1
found=()
for t in "${TARGETS[@]}"; do
  for f in "$WORK/findings/$t"/*; do [ -e "$f" ] && found+=("${f#$WORK/}"); done
done
if [ ${#found[@]} -gt 0 ]; then
  echo "findings:"
  printf '  %s\n' "${found[@]}"
  status=1
fi
exit $status
