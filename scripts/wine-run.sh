#!/usr/bin/env bash
# Runs one Windows program under Wine in the build's own prefix (VEXA_WINEPREFIX), created on
# first use, with the Wine of the build's platform (VEXA_PLATFORM). Wine's debug noise is off;
# DISPLAY is whatever the caller set.
#   wine-run.sh <program.exe> [arguments...]
#   wine-run.sh --server [wineserver arguments...]   the prefix's wineserver (-k, -w)
#   wine-run.sh --prefix                              creates the prefix now (the build does)
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
export WINEPREFIX=${VEXA_WINEPREFIX:?VEXA_WINEPREFIX must name the build prefix}
# shellcheck source=wine-platform.sh
. "$here/wine-platform.sh"
if [ "${1:-}" = --server ]; then
    shift
    [ -x "$WINESERVER" ] || exit 0  # no Wine, so no server to stop or wait for
    exec "$WINESERVER" "$@"
fi
vexa_check_wine
if [ "${1:-}" = --prefix ]; then
    exec "$here/wine-prefix.sh" "$WINEPREFIX"
fi
# A windowed program (PE subsystem 2) cannot start without an X display.
if [ -z "${DISPLAY:-}" ] && [ -f "${1:-}" ]; then
    pe=$(od -An -t u4 -j 60 -N 4 "$1" 2>/dev/null | tr -d ' ')
    subsystem=$(od -An -t u2 -j $((${pe:-0} + 92)) -N 2 "$1" 2>/dev/null | tr -d ' ')
    if [ "$subsystem" = 2 ]; then
        echo "wine: $(basename "$1") opens a window but DISPLAY is not set: run it on an X display" \
             "(./vexa.sh demo starts its own Xvfb when there is none)" >&2
        exit 1
    fi
fi
export WINEDEBUG=${WINEDEBUG:--all}
# No Mono/Gecko installers, and a crash ends the program instead of stopping in the debugger.
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=;winedbg.exe=d}
"$here/wine-prefix.sh" "$WINEPREFIX"
exec "$WINELOADER" "$@"
