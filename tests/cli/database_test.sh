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
printf '^results.html^0^0^0^1\r\n' >expected_line
sed -n 2p site.duv | cmp -s - expected_line || fail "script settings line"
printf 'robots=1^visibletext=1^openingtext=1^plainlinks=1^maxwords=1000^onepage=1\r\n' >expected_line
sed -n 3p site.duv | cmp -s - expected_line || fail "extra settings line"

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
# address: every record rewritten against the site address.
printf 'T1.0F^conv^example.com^1^UA^2^0\r\n^results.html^0^0^0^1\r\n' >conv.duv
printf '0^A^/a.html^t^k^0\r\n1^B^http://example.com/b.html^t^k^1\r\n' >conv.dat
: >conv.wod; : >conv.pag
"$CLI" address conv.duv --absolute >/dev/null || fail "address --absolute"
printf '0^A^http://example.com/a.html^t^k^0\r\n1^B^http://example.com/b.html^t^k^1\r\n' | cmp -s - conv.dat ||
  fail "absolute addresses"
"$CLI" address conv.duv --local >/dev/null || fail "address --local"
printf '0^A^/a.html^t^k^0\r\n1^B^/b.html^t^k^1\r\n' | cmp -s - conv.dat || fail "local addresses"
if "$CLI" address conv.duv 2>/dev/null; then fail "address without a direction"; fi
# index: progress on stderr, nothing on stdout, a one-line verdict last.
"$CLI" new unreachable >/dev/null
"$CLI" options unreachable.duv --address 127.0.0.1:1/ >/dev/null
if "$CLI" index unreachable.duv >out.txt 2>err.txt; then fail "index of an unreachable site"; fi
[ ! -s out.txt ] || fail "progress on stdout"
grep -qx "Connecting ..." err.txt || fail "no progress on stderr"
tail -n 1 err.txt | grep -q "^duvra-cli index: the crawl could not start" || fail "verdict line"
echo ok
