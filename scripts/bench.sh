#!/usr/bin/env bash
# Runs the benchmarks (not tests): each scenario prints its own table, its
# targets with PASS or MISS, and how busy the rest of the machine was. Take
# figures when nothing else builds or tests on the machine;
# docs/PERFORMANCE.md says how they were taken.
#   scripts/bench.sh [program_bench arguments]   e.g. --runs 3, or: burst rate
#   scenarios: drain calls window burst rate idle memory (all by default)
# TAVRIN_BENCH_THEME=off runs Wine without its visual theme.
# TAVRIN_BENCH_PIN=off lets the Wine processes run on any core (see below).
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

# Under Wine every socket call is a round trip to the wineserver. Left free,
# the program and the wineserver run on different cores, and each round
# trip wakes a core that had gone idle: on this virtual machine that costs
# several times the call itself, and a quiet machine makes the program
# slower than a busy one. Windows, where a socket call is a kernel call, has
# no such cost. So the Wine side (the wineserver and every Wine program, the
# program and the core alike) runs on core 0, and the native side (broker,
# publishers, witness, mosquitto_sub) on the others.
native_cpus=
if [ "${TAVRIN_BENCH_PIN:-on}" != off ] && [ "$(nproc)" -ge 2 ]; then
  export TAVRIN_WINE_CPUS=0
  native_cpus=1-$(($(nproc) - 1))
fi
echo "== $(date -u '+%Y-%m-%d %H:%M UTC'), $(nproc) cores, load average $(cut -d' ' -f1-3 /proc/loadavg), Wine theme ${TAVRIN_BENCH_THEME:-on}, Wine on ${TAVRIN_WINE_CPUS:+core }${TAVRIN_WINE_CPUS:-any core}"
# One wineserver for the whole run: one that ends between two programs races
# the start of the next ("wine client error ... Connection reset by peer").
${TAVRIN_WINE_CPUS:+taskset -c $TAVRIN_WINE_CPUS} /usr/lib/wine/wineserver -p
rc=0
${native_cpus:+taskset -c $native_cpus} "$NATIVE/bench/program_bench" --win64 "$WIN64" --native "$NATIVE" \
  --wine scripts/wine-run.sh "$@" || rc=$?
/usr/lib/wine/wineserver -k 2>/dev/null || true
exit $rc
