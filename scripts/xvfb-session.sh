#!/usr/bin/env bash
# Runs a command with one private Xvfb display and stops the display and the build's
# wineserver afterwards. Usage: xvfb-session.sh <wineprefix> <command...>
set -uo pipefail
prefix=$1; shift

display=
for n in $(seq 90 140); do
    if [ ! -e "/tmp/.X$n-lock" ] && [ ! -e "/tmp/.X11-unix/X$n" ]; then display=$n; break; fi
done
[ -n "$display" ] || { echo "xvfb-session: no free display" >&2; exit 1; }

Xvfb ":$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
for _ in $(seq 100); do [ -e "/tmp/.X11-unix/X$display" ] && break; sleep 0.05; done

stop() {
    WINEPREFIX=$prefix wineserver -k >/dev/null 2>&1 || true
    kill "$xvfb" 2>/dev/null && wait "$xvfb" 2>/dev/null
}
trap stop EXIT INT TERM

DISPLAY=":$display" "$@"
