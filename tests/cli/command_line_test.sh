#!/bin/sh
# duvra-cli's command line on the real binary: exit statuses 0, 1 and 2, the
# "--opt=value" form and every on|off spelling reaching the database, and the
# same label for the same setting in every command's output.
set -eu
CLI=$1
T=$(mktemp -d)
trap 'rm -rf "$T"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
# status EXPECTED ARGS...: runs the command, stderr to err.txt.
status() {
  want=$1
  shift
  got=0
  "$CLI" "$@" >out.txt 2>err.txt || got=$?
  [ "$got" -eq "$want" ] || fail "duvra-cli $* exited $got, not $want: $(cat err.txt)"
}
one_line() { [ "$(wc -l <err.txt)" -eq 1 ] || fail "error is not one line: $(cat err.txt)"; }

cd "$T"
status 0 new site
status 0 --help

# Usage errors: 2, one line that names the fault, nothing changed (the
# parser's test goes through every option of every command in process).
cp site.duv before.duv
status 2
status 2 bogus
status 2 options site --bogus x
one_line
grep -qx "duvra-cli options: unknown option --bogus (see 'duvra-cli options --help')" err.txt ||
  fail "unknown option text"
status 2 options site --timeout=15
grep -q -- "--timeout must be one of 10, 20, 30, 40, 50, 60 seconds" err.txt || fail "bad choice"
status 2 index site --mode
# A one-letter stray word followed by another ended 'options' in an
# uncaught exception (and an abort) before.
status 2 options site x y
grep -qx "duvra-cli options: unexpected argument 'x' (see 'duvra-cli options --help')" err.txt ||
  fail "stray word text: $(cat err.txt)"
cmp -s site.duv before.duv || fail "a usage error changed the database"

# Failures: 1.
status 1 info nothere.duv
one_line
grep -q "no longer exists" err.txt || fail "missing database text"
status 1 options site --remove-word nosuchword
status 1 index site
grep -q "has no web address; set one with 'duvra-cli options PATH --address" err.txt ||
  fail "no address text: $(cat err.txt)"

# The "=" form where it was refused before, and every on|off spelling (each
# flips the stored flag, so one that is ignored shows).
printf 'A;/a.html;t;k;0\r\n' >in.csv
status 0 import site in.csv --csv --delimiter=';' --qualifier=
grep -q "Added 1 of 1 records" out.txt || fail "import with = forms: $(cat out.txt)"
for spelling in off:0 on:1 0:0 1:1 no:0 yes:1; do
  status 0 options site --robots="${spelling%%:*}"
  sed -n 3p site.duv | grep -q "robots=${spelling#*:}\^" || fail "--robots=${spelling%%:*}"
  status 0 options site --keywords "${spelling%%:*}"
  sed -n 1p site.duv | grep -q "\^${spelling#*:}\^[^^]*\^2\^0.$" || fail "--keywords ${spelling%%:*}"
done
status 0 scripts site --number=yes --bold no --url=0 --return=20
grep -qx "Include number: on" out.txt || fail "on in the output"
grep -qx "Include URL: off" out.txt || fail "off in the output"
printf '^results.html^1^1^0^0\r\n' >expected_line
sed -n 2p site.duv | cmp -s - expected_line || fail "script settings line"

# A setting that two commands show carries the same label and value in both.
status 0 options site --address www.example.com --keywords off --name Shop
cp out.txt options.txt
status 0 info site
cp out.txt info.txt
grep -qx "Web address: www.example.com" info.txt || fail "info names the web address"
shared=0
while IFS= read -r line; do
  label=${line%%: *}
  if grep -q "^$label: " options.txt; then
    grep -qxF "$line" options.txt || fail "'$line' differs in options: $(grep "^$label: " options.txt)"
    shared=$((shared + 1))
  fi
done <info.txt
[ "$shared" -ge 4 ] || fail "only $shared labels shared by info and options"
echo ok
