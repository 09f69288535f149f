#!/usr/bin/env bash
# Runs a command with one private Xvfb display and the given Wine prefix (VEXA_WINEPREFIX), then
# stops the display and the prefix's wineserver.
# Usage: xvfb-session.sh [--services] <build dir>/<prefix> <command...>
# --services: the prefix's wineserver and its service processes (the desktop's explorer among
# them) start first, with no output, and stay for the whole session. A service that a program
# starts holds that program's output open until the prefix's last program ends, and CTest waits
# for a test's output to close: with programs side by side in one prefix, a test would last as
# long as the others.
set -uo pipefail
services=false
[ "${1:-}" = --services ] && { services=true; shift; }
prefix=$(realpath -m "$1"); shift

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

if $services; then
    run=$(dirname "$prefix")/wine-run
    VEXA_WINEPREFIX=$prefix "$run" --server -p </dev/null >/dev/null 2>&1 &&
        DISPLAY=":$display" VEXA_WINEPREFIX=$prefix "$run" cmd.exe /c exit </dev/null >/dev/null 2>&1 ||
        { echo "xvfb-session: the Wine services of $prefix did not start" >&2; exit 1; }
fi

DISPLAY=":$display" VEXA_WINEPREFIX=$prefix "$@"
