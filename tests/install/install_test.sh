#!/bin/sh
set -eu
BUILD=$1
CMAKE=$2
T=$(mktemp -d)
trap 'rm -rf "$T"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

"$CMAKE" --install "$BUILD" --prefix "$T/prefix" >/dev/null || fail "install"
P="$T/prefix"
[ -x "$P/bin/duvra-cli" ] || fail "duvra-cli not installed"
for f in keywords.dat form.dat search.dat help/index.html help/started.html icons/new.svg; do
  [ -f "$P/share/duvra/$f" ] || fail "share/duvra/$f missing"
done
[ -f "$P/share/applications/duvra.desktop" ] || fail "desktop entry"
[ -f "$P/share/icons/hicolor/scalable/apps/duvra.svg" ] || fail "icon"

# The installed program must not lean on the source or build tree.
unset DUVRA_DATA_DIR
mkdir "$T/work"
cd "$T/work"
"$P/bin/duvra-cli" new site >/dev/null || fail "new from the prefix"
[ -s site.wod ] || fail "no excluded words: data folder not found"
cmp -s site.wod "$P/share/duvra/keywords.dat" || fail "excluded words differ from keywords.dat"
printf '0^Page^/p.html^Text^kw^0\r\n' >site.dat
mkdir out
"$P/bin/duvra-cli" create site.duv --folder "$T/work/out" >/dev/null || fail "create from the prefix"
for f in duv_form.js duv_search.js duv_data.js; do [ -s "out/$f" ] || fail "$f"; done
tail -n +2 "$P/share/duvra/search.dat" | head -1 >expect
grep -qF "$(cat expect)" out/duv_search.js || fail "search script not built from the installed template"
if [ -f "$BUILD/src/app/duvra" ]; then
  [ -x "$P/bin/duvra" ] || fail "duvra not installed"
fi
echo ok
