#!/bin/sh
# Installs every build and test dependency from Debian's packages (and npm for
# the browser tests). Quick when everything is already there.
set -e

PACKAGES="g++ cmake ninja-build pkg-config
  qt6-base-dev qt6-base-dev-tools libgl-dev xvfb xauth libqt6svg6 qt6-svg-dev librsvg2-bin
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  libssl-dev openssl nginx-light wget curl postgresql-doc-15 python3.11-doc
  clang libclang-rt-14-dev
  chromium
  sox"

missing=""
for p in $PACKAGES; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing="$missing $p"
  fi
done

# Node.js may come from outside Debian (with its own npm); only ask Debian
# for it when there is none.
if ! command -v npm >/dev/null 2>&1; then
  missing="$missing nodejs npm"
fi

if [ -n "$missing" ]; then
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  echo "setup: installing$missing"
  $SUDO apt-get update -qq
  $SUDO env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends $missing >/dev/null
fi

# playwright-core drives Debian's Chromium in the script tests.
ROOT=$(cd "$(dirname "$0")/.." && pwd)
if [ -f "$ROOT/tests/browser/package.json" ] && [ ! -d "$ROOT/tests/browser/node_modules/playwright-core" ]; then
  (cd "$ROOT/tests/browser" && npm install --silent --no-audit --no-fund)
fi
exit 0
