#!/bin/sh
# duvra-cli new / info: files, output, and one-line errors with exit status.
set -eu
CLI=$1
T=$(mktemp -d)
trap 'rm -rf "$T"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

cd "$T"
"$CLI" new site >out.txt || fail "new failed"
for ext in duv dat wod pag; do [ -f "site.$ext" ] || fail "site.$ext missing"; done
[ ! -s site.dat ] || fail "site.dat not empty"
[ -s site.wod ] || fail "no excluded words from keywords.dat"
printf '^results.html^0^0^0^1\r\n' >expected_tail
tail -c 23 site.duv | cmp -s - expected_tail || fail "script settings line"

"$CLI" info site.duv >info.txt || fail "info failed"
grep -qx "Database name: site" info.txt || fail "name"
grep -qx "Timeout index: 2" info.txt || fail "timeout"
grep -qx "Records: 0" info.txt || fail "records"
grep -q "^Excluded words: [1-9]" info.txt || fail "words"

# A second new onto the same name refuses instead of replacing.
if "$CLI" new site.duv 2>err.txt; then fail "new replaced a database"; fi
[ "$(wc -l <err.txt)" -eq 1 ] || fail "error is not one line"
grep -q "already exists" err.txt || fail "error text"

if "$CLI" info nothere.duv 2>err.txt; then fail "info of a missing database"; fi
grep -q "no longer exists" err.txt || fail "missing text"
if "$CLI" bogus 2>/dev/null; then fail "unknown command accepted"; fi
"$CLI" --help | grep -q "new PATH" || fail "help lists new"
echo ok
