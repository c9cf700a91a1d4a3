#!/bin/sh
# Builds the core and its tests with AddressSanitizer and
# UndefinedBehaviorSanitizer and runs them.
set -e
ROOT=$(cd "$(dirname "$0")/.." && pwd)
"$ROOT/scripts/setup.sh"
BUILD=${DUVRA_SAN_BUILD_DIR:-"$ROOT/build-san"}
cmake -S "$ROOT" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DDUVRA_SANITIZE=ON \
  -DDUVRA_GUI=OFF -DDUVRA_BENCH=OFF -DDUVRA_WERROR="${DUVRA_WERROR:-OFF}" >/dev/null
cmake --build "$BUILD"
cd "$BUILD"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --output-on-failure -j2 -L core
