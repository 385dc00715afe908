#!/usr/bin/env bash
# catalogue_e2e.sh server|nginx TEST.exe: serves the demo library with the
# catalogue server itself (without its background fill: a song that is not
# MP3 is transcoded when first played), or exports it and serves the export
# with Debian's nginx, on a free loopback port; runs the Windows test against
# it under Wine.
set -euo pipefail
MODE="$1" EXE="$2"
HERE="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
ROOT="$(cd "$HERE/../.." && pwd)"
SERVER="${SONGBOX_BUILD:?}/native/songbox-catalogue"
LIBRARY="${SONGBOX_MEDIA:?}/library"
TMP="$(mktemp -d)"
chmod 755 "$TMP"  # nginx workers may run as another user
PIDS=()
cleanup() {
  local pid
  for pid in "${PIDS[@]}"; do kill "$pid" 2>/dev/null || true; done
  [ -f "$TMP/nginx.pid" ] && kill "$(cat "$TMP/nginx.pid")" 2>/dev/null || true
  wait 2>/dev/null || true
  rm -rf "$TMP"
}
trap cleanup EXIT

if [ "$MODE" = server ]; then
  "$SERVER" --library "$LIBRARY" --state "$TMP/state.sqlite" --listen 127.0.0.1:0 --prefetch 0 2>"$TMP/server.log" &
  PIDS+=($!)
  # It listens at once and scans behind: the test starts once the scan is done.
  for _ in $(seq 600); do
    URL="$(grep -o 'http://127.0.0.1:[0-9]*/' "$TMP/server.log" | head -1 || true)"
    [ -n "$URL" ] && grep -q ' indexed ' "$TMP/server.log" && break
    URL=""
    sleep 0.1
  done
else
  "$SERVER" --library "$LIBRARY" --state "$TMP/state.sqlite" --export "$TMP/site" 2>"$TMP/server.log"
  # nginx takes no port 0: try free-looking ports until one binds.
  for _ in $(seq 20); do
    PORT=$(( 20000 + RANDOM % 40000 ))
    sed -e "s|@PORT@|$PORT|g" -e "s|@SITE@|$TMP/site|g" -e "s|@TMP@|$TMP|g" \
      "$ROOT/tools/nginx-export.conf.in" > "$TMP/nginx.conf"
    if nginx -e "$TMP/error.log" -c "$TMP/nginx.conf" 2>>"$TMP/server.log"; then URL="http://127.0.0.1:$PORT/"; break; fi
  done
fi
[ -n "${URL:-}" ] || { cat "$TMP/server.log" >&2; echo "the $MODE did not start" >&2; exit 1; }
SONGBOX_ROOT="$URL" "$ROOT/tools/wine-run" "$EXE"
