#!/bin/sh
# Runs scripts/demo.sh into a temporary folder and checks what it made.
set -eu
ROOT=$1
BUILD=$2
T=$(mktemp -d)
trap 'rm -rf "$T"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

DUVRA_BUILD_DIR="$BUILD" sh "$ROOT/scripts/demo.sh" "$T/out" >"$T/log" 2>&1 || {
  cat "$T/log"; fail "demo.sh failed"; }
cat "$T/log"

records=$(grep -c '' "$T/out/garden.dat")
[ "$records" -ge 18 ] || fail "only $records records"
for f in duv_form.js duv_search.js duv_data.js; do
  [ -s "$T/out/site/$f" ] || fail "$f missing"
done
grep -q "committee-minutes" "$T/out/garden.dat" && fail "the excluded page was indexed"
grep -q "plot-rules.pdf^" "$T/out/garden.dat" && fail "the PDF became a record"
grep -q "^[0-9]*^Accessible raised beds^growing/Raised-Beds.html^" "$T/out/garden.dat" ||
  fail "the page with capitals in its name is missing"
grep -q "Try the search: open file://$T/out/site/index.html" "$T/log" || fail "no address printed"

if [ -d "$ROOT/tests/browser/node_modules/playwright-core" ] && [ -x /usr/bin/chromium ]; then
  node "$ROOT/tests/demo/search_check.mjs" "$T/out/site" || fail "the search in Chromium"
else
  echo "SKIP: no playwright-core or chromium for the browser check"
fi
echo ok
