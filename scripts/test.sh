#!/bin/sh
# Sets up every dependency, builds everything and runs every test.
set -e
ROOT=$(cd "$(dirname "$0")/.." && pwd)
"$ROOT/scripts/setup.sh"
BUILD=${DUVRA_BUILD_DIR:-"$ROOT/build"}
cmake -S "$ROOT" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DDUVRA_WERROR="${DUVRA_WERROR:-OFF}" >/dev/null
cmake --build "$BUILD"
# Window tests run on Qt's offscreen platform; no display is needed.
cd "$BUILD"
QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j2 "$@"
