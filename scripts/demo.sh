#!/bin/sh
# The road a site owner walks, end to end: serve the bundled sample site on
# loopback, create a database, index the site, and write the three search
# scripts into a copy of the site that works straight from file://.
#
#   ./scripts/demo.sh [OUTPUT_FOLDER]      (default: ./demo-output)
set -e
ROOT=$(cd "$(dirname "$0")/.." && pwd)
OUT=${1:-"$ROOT/demo-output"}
BUILD=${DUVRA_BUILD_DIR:-"$ROOT/build"}

"$ROOT/scripts/setup.sh"
echo "== Building"
cmake -S "$ROOT" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$BUILD" --target duvra-cli
if cmake --build "$BUILD" --target help 2>/dev/null | grep -q '^duvra:'; then
  cmake --build "$BUILD" --target duvra
fi
CLI="$BUILD/src/cli/duvra-cli"
export DUVRA_DATA_DIR="$ROOT/data"

rm -rf "$OUT"
mkdir -p "$OUT"
OUT=$(cd "$OUT" && pwd)

# nginx on a free loopback port, with its own prefix and configuration.
NGINX_DIR="$OUT/.nginx"
mkdir -p "$NGINX_DIR/logs"
stop_server() {
  if [ -f "$NGINX_DIR/nginx.pid" ]; then
    kill "$(cat "$NGINX_DIR/nginx.pid")" 2>/dev/null || true
  fi
}
trap stop_server EXIT INT TERM
PORT=""
for try in 1 2 3 4 5 6 7 8 9 10; do
  candidate=$((20000 + $(od -An -N2 -tu2 /dev/urandom | tr -d ' ') % 30000))
  cat >"$NGINX_DIR/nginx.conf" <<CONF
daemon on;
pid $NGINX_DIR/nginx.pid;
error_log $NGINX_DIR/logs/error.log;
events { worker_connections 64; }
http {
  include /etc/nginx/mime.types;
  access_log $NGINX_DIR/logs/access.log;
  client_body_temp_path $NGINX_DIR/body;
  proxy_temp_path $NGINX_DIR/proxy;
  fastcgi_temp_path $NGINX_DIR/fastcgi;
  uwsgi_temp_path $NGINX_DIR/uwsgi;
  scgi_temp_path $NGINX_DIR/scgi;
  server {
    listen 127.0.0.1:$candidate;
    root $ROOT/examples/sample-site;
  }
}
CONF
  if nginx -p "$NGINX_DIR" -c "$NGINX_DIR/nginx.conf" 2>/dev/null; then
    PORT=$candidate
    break
  fi
done
[ -n "$PORT" ] || { echo "demo: could not start nginx on a loopback port" >&2; exit 1; }
SITE="127.0.0.1:$PORT/"
START="${SITE}index.html"
echo "== Serving the sample site at http://$SITE"

DB="$OUT/garden.duv"
echo "== Creating the database $DB"
"$CLI" new "$DB"
# The committee minutes are for members only, and the results page holds
# nothing to find.
"$CLI" options "$DB" --name "Millbrook Community Garden" --address "$START" \
  --add-page private/committee-minutes.html --add-page results.html >/dev/null

echo "== Indexing"
"$CLI" index "$DB" --mode all

# Addresses relative to the site's top folder, so the copy works from
# file:// as well as on any host it is uploaded to.
"$CLI" options "$DB" --address "$SITE" >/dev/null
"$CLI" address "$DB" --local

echo "== Writing the search scripts"
cp -R "$ROOT/examples/sample-site" "$OUT/site"
"$CLI" scripts "$DB" --folder "$OUT/site" --location results.html --return 10 --url on --bold on >/dev/null
"$CLI" create "$DB"

echo
"$CLI" info "$DB" | grep '^Records:'
echo "Try the search: open file://$OUT/site/index.html in a browser"
echo "(or file://$OUT/site/results.html?q=tomato+blight for a query)."
echo "The desktop program: $BUILD/src/app/duvra (open $DB with File > Open...)."
