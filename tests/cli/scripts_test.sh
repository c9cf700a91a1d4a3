#!/bin/sh
# duvra-cli scripts / create: settings line, written files, messages, errors.
set -eu
CLI=$1
T=$(mktemp -d)
trap 'rm -rf "$T"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

cd "$T"
"$CLI" new site >/dev/null
printf '0^Home^/index.html^Say "hi" \\ there^home^0\r\n1^Next^/n.html^Text^k^1\r\n' >site.dat
mkdir www

# Showing leaves the database alone; setting saves the rebuilt line.
"$CLI" scripts site >show.txt || fail "scripts show"
grep -qx "Script settings: ^results.html^0^0^0^1" show.txt || fail "default line"
grep -qx "Return: 10 Results" show.txt || fail "return shown"
"$CLI" scripts site.duv --folder www --return 20 --number 1 --bold=1 >set.txt || fail "scripts set"
grep -qx "Script settings: www^results.html^1^1^1^1" set.txt || fail "rebuilt line"
printf 'www^results.html^1^1^1^1\r\n' >expected_tail
sed -n 2p site.duv | cmp -s - expected_tail || fail "line not saved"

"$CLI" create site >out.txt || fail "create"
grep -qx "The Duvra Scripts have been created in the www folder." out.txt || fail "message"
for f in duv_form.js duv_search.js duv_data.js; do [ -s "www/$f" ] || fail "$f missing"; done
printf '// Duvra 1.51\r\n' >first_line
head -n 1 www/duv_search.js | cmp -s - first_line || fail "first line"
grep -q '^var return_results = 20;' www/duv_search.js || fail "return_results"
grep -q '^s\[0\] = "Home^/index.html^Say \\"hi\\" \\\\ there^home^0";' www/duv_data.js || fail "escaped data"

# Data only: the search scripts stay as they were.
echo old >www/duv_form.js
"$CLI" create site --data-only >out.txt || fail "data only"
grep -qx "The Duvra data file has been created in the www folder." out.txt || fail "data message"
[ "$(cat www/duv_form.js)" = old ] || fail "form script rewritten"

# A one-off folder does not change the stored line.
mkdir other
"$CLI" create site --folder other >/dev/null || fail "create in other"
[ -s other/duv_data.js ] || fail "other folder"
sed -n 2p site.duv | cmp -s - expected_tail || fail "one-off folder stored"

# Errors: one line, exit status 1, nothing written.
if "$CLI" create site --folder nowhere 2>err.txt; then fail "invalid folder accepted"; fi
grep -qx "duvra-cli create: nowhere is not a valid folder." err.txt || fail "invalid folder text"
if "$CLI" create site --folder x 2>err.txt; then fail "short folder accepted"; fi
if "$CLI" scripts site --return 15 2>err.txt; then fail "bad return accepted"; fi
if "$CLI" scripts site --location 'a^b' 2>err.txt; then fail "caret accepted"; fi
# A data folder without the templates: the file error, and no script.
mkdir tpl empty
: >tpl/keywords.dat
if DUVRA_DATA_DIR="$T/tpl" "$CLI" create site --folder empty 2>err.txt; then fail "missing template accepted"; fi
grep -q 'Cannot open file ".*form.dat"' err.txt || fail "template error text"
[ -z "$(ls empty)" ] || fail "scripts written without templates"
echo ok
