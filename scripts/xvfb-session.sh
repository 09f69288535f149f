#!/usr/bin/env bash
# Runs a command with one private Xvfb display and the given Wine prefix (VEXA_WINEPREFIX), then
# stops the display and the prefix's wineserver.
# Usage: xvfb-session.sh [--services] <build dir>/<prefix> <command...>
# --services: the prefix's wineserver, its service processes and its desktop (explorer, held
# by a program of the build, vexa_hold_desktop.exe) start first, with no output, and stay for
# the whole session. A service that a program starts holds that program's output open until
# the prefix's last program ends, and CTest waits for a test's output to close: with programs
# side by side in one prefix, a test would last as long as the others. Without a holder, Wine
# closes the desktop when its last program ends and starts explorer again for the next, waiting
# for it only so long: on a loaded machine that program gets no display driver and no window.
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
    # The build's runner knows its platform's wineserver. Waiting for it to end: the next
    # session in this prefix never starts beside a dying one.
    VEXA_WINEPREFIX=$prefix "$(dirname "$prefix")/wine-run" --server -k >/dev/null 2>&1 || true
    VEXA_WINEPREFIX=$prefix "$(dirname "$prefix")/wine-run" --server -w >/dev/null 2>&1 || true
    kill "$xvfb" 2>/dev/null && wait "$xvfb" 2>/dev/null
}
trap stop EXIT
trap "exit 1" INT TERM

if $services; then
    run=$(dirname "$prefix")/wine-run
    VEXA_WINEPREFIX=$prefix "$run" --server -p </dev/null >/dev/null 2>&1 ||
        { echo "xvfb-session: the wineserver of $prefix did not start" >&2; exit 1; }
    # The desktop holder (tests/support/HoldDesktop.cpp) keeps explorer and the display driver
    # ready for every program of the session; a holder that found no driver is started again.
    ready=$prefix.desktop
    for _ in 1 2 3 4 5; do
        # Emptied here, not by the holder's redirection, which runs only once its process does:
        # until then the file may still say "ready" from the last session.
        : >"$ready"
        DISPLAY=":$display" VEXA_WINEPREFIX=$prefix "$run" "$(dirname "$prefix")/vexa_hold_desktop.exe" \
            </dev/null >"$ready" 2>/dev/null &
        holder=$!
        for _ in $(seq 600); do  # 60 s
            grep -q ready "$ready" 2>/dev/null || ! kill -0 "$holder" 2>/dev/null && break
            sleep 0.1
        done
        grep -q ready "$ready" && break
        kill "$holder" 2>/dev/null
    done
    grep -q ready "$ready" ||
        { echo "xvfb-session: no program of $prefix can create a window" >&2; exit 1; }
fi

DISPLAY=":$display" VEXA_WINEPREFIX=$prefix "$@"
