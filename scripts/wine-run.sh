#!/usr/bin/env bash
# Runs a Windows program under Wine in the project's own prefix, quietly.
# CTest uses it as the emulator of the cross-built tests.
here=$(cd "$(dirname "$0")/.." && pwd)
export WINEPREFIX=${WINEPREFIX:-$here/.deps/wine}
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
loader=/usr/lib/wine/wine64
[ -x "$loader" ] || loader=wine
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  mkdir -p "$WINEPREFIX"
  "$loader" wineboot -i >/dev/null 2>&1
  "$here/scripts/wine-prefix.sh" >/dev/null 2>&1 || true
fi
# The benchmark keeps Wine on cores of its own.
if [ -n "${TAVRIN_WINE_CPUS:-}" ]; then exec taskset -c "$TAVRIN_WINE_CPUS" "$loader" "$@"; fi
exec "$loader" "$@"
