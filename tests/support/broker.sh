#!/bin/sh
# Starts and stops the tests' private mosquitto broker.
#   broker.sh start DIR   runs /usr/sbin/mosquitto -c DIR/mosquitto.conf in the background
#   broker.sh stop DIR    ends it and waits until it is gone
#   broker.sh pause DIR   freezes it (SIGSTOP): connections stay open, nothing answers
#   broker.sh resume DIR  lets a frozen broker go on (SIGCONT)
#   broker.sh kill DIR    kills it outright (SIGKILL), frozen or not
# Each command ends by writing DIR/done ("ok" or "fail"): under Wine the caller
# cannot wait for this script, so it waits for that file instead.
PATH=/usr/sbin:/usr/bin:/sbin:/bin
export PATH
cmd=$1
dir=$2
log=$dir/mosquitto.log
pidfile=$dir/mosquitto.pid
# A broker that a crashed test left behind ends by itself after this long.
limit=1800

alive() {
    # The reaper of orphans may leave the broker a zombie: that counts as gone.
    state=$(sed 's/.*) //' "/proc/$1/stat" 2>/dev/null | cut -c1)
    [ -n "$state" ] && [ "$state" != Z ]
}

# Whether every process of the group (timeout and the broker under it) is
# in the state: T stopped, or gone (dead or a zombie).
group_is() {
    # One awk over all of /proc; the command name in parentheses may hold blanks.
    cat /proc/[0-9]*/stat 2>/dev/null | awk -v group="$1" -v want="$2" '
        { sub(/.*\) /, ""); if ($3 != group) next
          if (want == "T" && $1 != "T" && $1 != "t") bad = 1
          if (want == "gone" && $1 != "Z") bad = 1 }
        END { exit bad }'
}

runs() {
    n=$(grep -c ' running$' "$log" 2>/dev/null)
    echo "${n:-0}"
}

status=fail
rm -f "$dir/done"
case $cmd in
start)
    before=$(runs)
    timeout $limit mosquitto -c "$dir/mosquitto.conf" </dev/null >>"$dir/mosquitto.out" 2>&1 &
    pid=$!
    echo $pid >"$pidfile"
    # The log says "running" once the listener is open.
    for _ in $(seq 100); do
        if [ "$(runs)" -gt "$before" ]; then status=ok; break; fi
        alive $pid || break
        sleep 0.05
    done
    ;;
stop)
    pid=$(cat "$pidfile" 2>/dev/null)
    if [ -n "$pid" ]; then
        kill "$pid" 2>/dev/null
        # A frozen broker must be let go on to take the signal.
        kill -CONT -"$pid" 2>/dev/null
        for _ in $(seq 100); do
            alive "$pid" || { status=ok; break; }
            sleep 0.05
        done
        # timeout leads its own process group, the broker with it.
        [ $status = fail ] && kill -9 -"$pid" 2>/dev/null
    fi
    rm -f "$pidfile"
    ;;
pause|resume)
    pid=$(cat "$pidfile" 2>/dev/null)
    if [ -n "$pid" ]; then
        if [ "$cmd" = pause ]; then sig=STOP; else sig=CONT; fi
        kill -$sig -"$pid" 2>/dev/null
        for _ in $(seq 100); do
            if [ $cmd = pause ]; then
                group_is "$pid" T && { status=ok; break; }
            else
                group_is "$pid" T || { status=ok; break; }
            fi
            sleep 0.05
        done
    fi
    ;;
kill)
    pid=$(cat "$pidfile" 2>/dev/null)
    if [ -n "$pid" ]; then
        kill -KILL -"$pid" 2>/dev/null
        for _ in $(seq 100); do
            group_is "$pid" gone && { status=ok; break; }
            sleep 0.05
        done
    fi
    rm -f "$pidfile"
    ;;
esac
echo $status >"$dir/done.tmp" && mv "$dir/done.tmp" "$dir/done"
