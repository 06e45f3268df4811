#!/usr/bin/env bash
# Settles a fresh Wine prefix for the program. Wine's dialog fonts have no
# Hangul: link Debian's Nanum Gothic behind them so the Korean texts render.
set -u
loader=/usr/lib/wine/wine64
[ -x "$loader" ] || loader=wine
key='HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink'
for face in "MS Shell Dlg" "MS Shell Dlg 2" "Tahoma" "Microsoft Sans Serif"; do
  "$loader" reg add "$key" /v "$face" /t REG_MULTI_SZ /d "NanumGothic.ttf,NanumGothic" /f >/dev/null 2>&1
done
