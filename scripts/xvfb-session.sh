#!/usr/bin/env bash
# Runs a command with one private Xvfb display, then stops the display and the given
# Wine prefix's wineserver. Usage: xvfb-session.sh <build dir>/wineprefix <command...>
set -uo pipefail
prefix=$1; shift

fifo=$(mktemp -u) && mkfifo "$fifo"
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$fifo" >/dev/null 2>&1 &
xvfb=$!
read -r -t 30 display <"$fifo"
rm -f "$fifo"
[ -n "${display:-}" ] || { echo "xvfb-session: Xvfb did not start" >&2; exit 1; }

stop() {
    # The build's runner knows its platform's wineserver.
    VEXA_WINEPREFIX=$prefix "$(dirname "$prefix")/wine-run" --server -k >/dev/null 2>&1 || true
    kill "$xvfb" 2>/dev/null && wait "$xvfb" 2>/dev/null
}
trap stop EXIT INT TERM

DISPLAY=":$display" "$@"
