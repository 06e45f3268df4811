#!/bin/sh
# Runs a command in a network namespace of its own whose only interface is
# loopback and whose resolver is 127.0.0.1, where the test keeps a socket that
# never answers: a name lookup that never returns, with no query leaving the
# machine. Needs root (unshare); without it, says so and runs nothing.
#   dead-resolver.sh COMMAND [ARG...]
set -eu
if [ "$(id -u)" != 0 ] || ! command -v unshare >/dev/null; then
    echo "dead-resolver.sh: needs root and unshare; skipped" >&2
    exit 77
fi
# Wine's sockets are made by its server: one that already runs outside the
# namespace would put the program's sockets there. Wait for it to end, so
# that the first Wine process inside starts one of its own.
here=$(cd "$(dirname "$0")/../.." && pwd)
WINEPREFIX=${WINEPREFIX:-$here/.deps/wine} timeout 60 /usr/lib/wine/wineserver -w 2>/dev/null || true
conf=$(mktemp)
trap 'rm -f "$conf"' EXIT
# Long timeouts: the lookup must outlast the program's 10 s attempt.
printf 'nameserver 127.0.0.1\noptions timeout:30 attempts:2\n' >"$conf"
unshare --net --mount sh -c '
    ip link set lo up
    mount --bind "$0" /etc/resolv.conf
    shift
    exec "$@"' "$conf" -- "$@"
