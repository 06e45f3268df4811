#!/bin/sh
# Starts and stops the tests' private mosquitto broker.
#   broker.sh start DIR   runs /usr/sbin/mosquitto -c DIR/mosquitto.conf in the background
#   broker.sh stop DIR    ends it and waits until it is gone
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
        for _ in $(seq 100); do
            alive "$pid" || { status=ok; break; }
            sleep 0.05
        done
        # timeout leads its own process group, the broker with it.
        [ $status = fail ] && kill -9 -"$pid" 2>/dev/null
    fi
    rm -f "$pidfile"
    ;;
esac
echo $status >"$dir/done.tmp" && mv "$dir/done.tmp" "$dir/done"
