#!/usr/bin/env bash
# Runs a command with an X display for Wine's windows: a private Xvfb unless
# the caller asks to use its own display (TAVRIN_DISPLAY=keep).
set -u
if [ "${TAVRIN_DISPLAY:-}" = keep ] && [ -n "${DISPLAY:-}" ]; then exec "$@"; fi
for n in $(seq 90 140); do
  [ -e /tmp/.X11-unix/X$n ] || [ -e /tmp/.X$n-lock ] || break
done
Xvfb :$n -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
here=$(cd "$(dirname "$0")/.." && pwd)
# Let Wine's own processes end before their display goes away.
trap 'WINEPREFIX=${WINEPREFIX:-$here/.deps/wine} timeout 20 /usr/lib/wine/wineserver -w 2>/dev/null; kill $xvfb 2>/dev/null; wait $xvfb 2>/dev/null' EXIT
for _ in $(seq 50); do [ -e /tmp/.X11-unix/X$n ] && break; sleep 0.1; done
DISPLAY=:$n "$@"
