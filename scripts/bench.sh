#!/usr/bin/env bash
# Runs the benchmarks (not tests): each scenario prints its own table, its
# targets with PASS or MISS, and how busy the rest of the machine was. Take
# figures when nothing else builds or tests on the machine;
# docs/PERFORMANCE.md says how they were taken.
#   scripts/bench.sh [program_bench arguments]   e.g. --runs 3, or: burst rate
#   scenarios: drain calls window burst rate idle memory (all by default)
# TAVRIN_BENCH_THEME=off runs Wine without its visual theme.
set -euo pipefail
cd "$(dirname "$0")/.."
NATIVE=build/bench-native
WIN64=${WIN64:-build/win64}
# A Wine prefix of the benchmark's own, so that no other program's traffic
# goes through its wineserver.
export WINEPREFIX=${TAVRIN_BENCH_PREFIX:-$PWD/build/bench-wine}

if [ "${1:-}" != --in-display ]; then
  # The core at full speed: a release build without the sanitizers.
  cmake -S . -B "$NATIVE" -DCMAKE_BUILD_TYPE=Release -DTAVRIN_SANITIZE=OFF >/dev/null
  cmake --build "$NATIVE" -j2 --target drain_bench core_stream bare_stream program_bench >/dev/null
  cmake --build "$WIN64" -j2 --target Tavrin Tavrin_onecall board_probe core_stream bare_stream window_cost wine_calls >/dev/null
  scripts/wine-run.sh cmd /c exit >/dev/null 2>&1 || true # a fresh prefix is made once
  if [ "${TAVRIN_BENCH_THEME:-on}" = off ]; then theme=0; else theme=1; fi
  scripts/wine-run.sh reg add 'HKCU\Software\Microsoft\Windows\CurrentVersion\ThemeManager' \
    /v ThemeActive /t REG_SZ /d $theme /f >/dev/null 2>&1
  # Wine's own processes of that start go before the display comes.
  timeout 30 /usr/lib/wine/wineserver -w 2>/dev/null || true
  exec scripts/with-display.sh "$0" --in-display "$@"
fi
shift

echo "== $(date -u '+%Y-%m-%d %H:%M UTC'), $(nproc) cores, load average $(cut -d' ' -f1-3 /proc/loadavg), Wine theme ${TAVRIN_BENCH_THEME:-on}"
# One wineserver for the whole run: one that ends between two programs races
# the start of the next ("wine client error ... Connection reset by peer").
/usr/lib/wine/wineserver -p
rc=0
"$NATIVE/bench/program_bench" --win64 "$WIN64" --native "$NATIVE" --wine scripts/wine-run.sh "$@" || rc=$?
/usr/lib/wine/wineserver -k 2>/dev/null || true
exit $rc
