#!/usr/bin/env bash
# Starts Tavrin.exe under Wine as a user would see it.
#   scripts/run.sh [--demo] [--screenshot FILE] [--scale PERCENT]
# A broker is started on 127.0.0.1:1883 when none listens there, and stopped
# again when the program ends. With --demo a scripted robot session is
# published so that the status board moves; --screenshot takes a picture of
# the running program mid-demo (always on a private Xvfb) and ends it, once
# the board shows a guide and a call, however long Wine takes to start.
# --scale sets Wine's display scale (100, 125, 150, 200) for the screenshot.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
demo=0 shot= scale=100
while [ $# -gt 0 ]; do
  case $1 in
    --demo) demo=1 ;;
    --screenshot) demo=1 shot=$2; shift ;;
    --scale) scale=$2; shift ;;
    *) echo "usage: $0 [--demo] [--screenshot FILE] [--scale PERCENT]" >&2; exit 2 ;;
  esac
  shift
done

exe=$here/build/win64/Tavrin.exe
[ -f "$exe" ] || make -C "$here" win64 >/dev/null
port=1883
tmp=$(mktemp -d)
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  [ -f "$tmp/mosquitto.pid" ] && kill "$(cat "$tmp/mosquitto.pid")" 2>/dev/null || true
  rm -rf "$tmp"
}
trap cleanup EXIT

if ! (exec 3<>/dev/tcp/127.0.0.1/$port) 2>/dev/null; then
  printf 'listener %s 127.0.0.1\nallow_anonymous true\npersistence false\npid_file %s/mosquitto.pid\nlog_dest none\nuser %s\n' \
    "$port" "$tmp" "$(id -un)" > "$tmp/mosquitto.conf"
  /usr/sbin/mosquitto -c "$tmp/mosquitto.conf" -d
  for _ in $(seq 50); do (exec 3<>/dev/tcp/127.0.0.1/$port) 2>/dev/null && break; sleep 0.1; done
  echo "run: started a broker on 127.0.0.1:$port"
fi

size=$((760 * scale / 100))x$((560 * scale / 100))
# A screenshot run has a prefix of its own, so that ending it ends nothing else.
[ -n "$shot" ] && export WINEPREFIX=$here/.deps/wine-screenshot
if [ -n "$shot" ] || [ -z "${DISPLAY:-}" ]; then
  [ -z "$shot" ] && echo "run: no display; running under Xvfb (nothing will be visible)"
  for n in $(seq 90 140); do [ -e /tmp/.X11-unix/X$n ] || [ -e /tmp/.X$n-lock ] || break; done
  Xvfb :$n -screen 0 ${size}x24 -nolisten tcp >/dev/null 2>&1 &
  pids+=($!)
  export DISPLAY=:$n
  for _ in $(seq 50); do [ -e /tmp/.X11-unix/X$n ] && break; sleep 0.1; done
fi

if [ -n "$shot" ]; then
  # Wine reads the scale when a program starts; the prefix is made here
  # first when it is new.
  "$here/scripts/wine-run.sh" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD \
    /d $((96 * scale / 100)) /f >/dev/null 2>&1
fi

"$here/scripts/wine-run.sh" explorer /desktop=Tavrin,$size "$exe" &
app=$!
pids+=($app)

if [ $demo = 1 ]; then
  # The session goes round until the picture is taken: messages sent before
  # the program has connected are lost.
  "$here/scripts/demo-messages.sh" "$port" &
  pids+=($!)
fi

if [ -n "$shot" ]; then
  # On the program's own Wine desktop, where its window can be found.
  "$here/scripts/wine-run.sh" explorer /desktop=Tavrin,$size "$here/build/win64/board_wait.exe" 180 "Z:$tmp/moved" &
  pids+=($!)
  for _ in $(seq 900); do [ -e "$tmp/moved" ] && break; sleep 0.2; done
  if [ ! -e "$tmp/moved" ]; then
    echo "run: the board did not move within 180 s; no picture" >&2
    /usr/lib/wine/wineserver -k 2>/dev/null || true
    exit 1
  fi
  mkdir -p "$(dirname "$shot")"
  import -window root "$shot"
  echo "run: wrote $shot"
  /usr/lib/wine/wineserver -k 2>/dev/null || true
  exit 0
fi
wait $app
