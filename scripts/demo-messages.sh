#!/usr/bin/env bash
# Publishes a scripted robot session on server/sendMessage, as the robot
# system would: idle, guiding with its phases, patient calls, returning.
#   scripts/demo-messages.sh PORT [once]
set -u
port=${1:-1883}
n=0
send() { # title content
  n=$((n + 1))
  mosquitto_pub -h 127.0.0.1 -p "$port" -q 1 -t server/sendMessage -m \
    "{\"id\":\"demo-$n\",\"version\":\"1.0\",\"timestamp\":\"$(date +%s)\",\"correlationId\":\"c-$n\",\"request\":{\"title\":\"$1\",\"content\":\"$2\"}}"
  sleep "${3:-1.5}"
}
sleep 4
while :; do
  send "idle" "robot idle"
  send "call:1:add:김민수" "call added: 김민수"
  send "guide:start:이서연" "guide started for 이서연"
  send "call:2:add:박지훈" "call added: 박지훈"
  send "guide:call:이서연" "calling 이서연"
  send "guide:guide:이서연" "guiding 이서연"
  send "call:1:remove:김민수" "call removed: 김민수"
  send "guide:ok:이서연" "guide finished"
  send "return" "returning to base"
  send "call:0:cancel:박지훈" "call cancelled: 박지훈"
  send "accept" "accepting a task"
  [ "${2:-}" = once ] && exit 0
done
