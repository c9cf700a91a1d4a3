#!/bin/sh
# Builds the fuzz targets with clang, libFuzzer, AddressSanitizer and
# UndefinedBehaviorSanitizer, and runs each for a bounded time from its
# checked-in corpus (tests/fuzz/corpus/<target>). New inputs go to a scratch
# folder, never into the repository; a failing input is left under
# $BUILD/fuzz-artifacts and ends the script with an error.
#   DUVRA_FUZZ_SECONDS   time per target (default 20)
#   DUVRA_FUZZ_TARGETS   targets to run (default: every corpus folder)
set -e
ROOT=$(cd "$(dirname "$0")/.." && pwd)
"$ROOT/scripts/setup.sh"
BUILD=${DUVRA_FUZZ_BUILD_DIR:-"$ROOT/build-fuzz"}
SECONDS_EACH=${DUVRA_FUZZ_SECONDS:-20}
CORPUS="$ROOT/tests/fuzz/corpus"
TARGETS=${DUVRA_FUZZ_TARGETS:-$(ls "$CORPUS")}

CC=clang CXX=clang++ cmake -S "$ROOT" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DDUVRA_FUZZ=ON -DDUVRA_SANITIZE=ON -DDUVRA_GUI=OFF -DDUVRA_BENCH=OFF \
  -DDUVRA_WERROR="${DUVRA_WERROR:-OFF}" >/dev/null
cmake --build "$BUILD" --target duvra_fuzzers

ARTIFACTS="$BUILD/fuzz-artifacts"
SCRATCH=$(mktemp -d)
trap 'rm -rf "$SCRATCH"' EXIT
mkdir -p "$ARTIFACTS"
# Targets that read and write files run far faster where fsync costs nothing.
if [ -d /dev/shm ] && [ -w /dev/shm ]; then
  export TMPDIR=/dev/shm
fi
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

failed=""
for t in $TARGETS; do
  mkdir -p "$SCRATCH/$t"
  echo "fuzz: $t for ${SECONDS_EACH}s"
  # -timeout: one input taking over 10 s counts as a hang; -rss_limit_mb
  # catches unbounded memory growth.
  if ! "$BUILD/tests/fuzz/fuzz_$t" -max_total_time="$SECONDS_EACH" -timeout=10 \
      -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$ARTIFACTS/$t-" \
      "$SCRATCH/$t" "$CORPUS/$t" >"$SCRATCH/$t.log" 2>&1; then
    tail -n 60 "$SCRATCH/$t.log"
    failed="$failed $t"
  else
    grep -E '^stat::number_of_executed_units|^stat::new_units_added' "$SCRATCH/$t.log" | tr '\n' ' '
    echo
  fi
done

if [ -n "$failed" ]; then
  echo "fuzz: failures in:$failed (inputs in $ARTIFACTS)"
  exit 1
fi
echo "fuzz: every target ran clean"
