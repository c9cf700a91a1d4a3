#!/bin/sh
# duvra-cli import / export: records, duplicates, outcomes, and the saved database.
set -eu
CLI=$1
T=$(mktemp -d)
trap 'rm -rf "$T"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
cd "$T"
"$CLI" new site >/dev/null || fail "new"

# A data script, escapes included.
printf 'var s = new Array();\r\n\r\ns[0] = "Home^/index.html^Welcome^home^0";\r\ns[1] = "Say \\"hi\\"^/a^C:\\\\dir^k^1";\r\n' >data.js
"$CLI" import site data.js >out.txt || fail "import js"
grep -q "Added 2 of 2 records" out.txt || fail "import js output"
printf '0^Home^/index.html^Welcome^home^0\r\n1^Say "hi"^/a^C:\\dir^k^1\r\n' | cmp -s - site.dat \
  || fail "records of data.js"

# Spreadsheet CSV with ";" and no qualifier, duplicates skipped.
printf 'Home;/index.html;Welcome;home;0\r\nNew;/n;t;k;1\r\nNew;/n;t;k;1\r\n' >in.csv
"$CLI" import site.duv in.csv --csv --delimiter ';' --qualifier '[None]' --skip-duplicates \
  >out.txt || fail "import csv"
grep -q "Added 1 of 3 records" out.txt || fail "import csv output: $(cat out.txt)"
[ "$(wc -l <site.dat)" -eq 3 ] || fail "three records after csv"
grep -q '^2^New^/n^t^k^1' site.dat || fail "renumbered csv record"

# Export, then import the export into a second database: every record comes back.
"$CLI" export site out.csv >out.txt || fail "export"
grep -qx "Export to out.csv complete." out.txt || fail "export message"
grep -q '^"Say ""hi""","/a","C:\\dir","k","1"' out.csv || fail "quotes doubled"
if "$CLI" export site out.csv 2>err.txt; then fail "export replaced without --replace"; fi
"$CLI" export site out.csv --replace >/dev/null || fail "export --replace"
"$CLI" new copy >/dev/null
"$CLI" import copy out.csv --csv >/dev/null || fail "import export"
cmp -s site.dat copy.dat || fail "round trip differs"

# Bad files: messages, exit status 1, nothing saved.
cp site.dat before.dat
"$CLI" import site missing.js 2>err.txt && fail "missing file accepted"
grep -q "missing.js is not a valid file name." err.txt || fail "no file message"
"$CLI" import site in.csv 2>err.txt && fail "csv as data file accepted"
grep -q "in.csv is not a valid Duvra data file." err.txt || fail "data file message"
"$CLI" import site data.js --csv 2>err.txt && fail "js as csv accepted"
grep -q "data.js is not a valid CSV file." err.txt || fail "csv message"
cmp -s site.dat before.dat || fail "a refused import changed the database"
echo ok
