#!/usr/bin/env bash
# Runs Vexa2.exe from the build's run folder: in a window on the user's display when DISPLAY
# is set, otherwise headless under Xvfb for a few seconds, saving a screenshot.
set -euo pipefail
build=$1
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
run=$build/run
export VEXA_WINEPREFIX=$build/wineprefix

if [ -n "${DISPLAY:-}" ]; then
    cd "$run" && exec "$build/wine-run" Vexa2.exe
fi

shot=$build/demo.png
"$here/xvfb-session.sh" "$VEXA_WINEPREFIX" bash -c '
    cd "$1" || exit 1
    "$2/wine-run" Vexa2.exe & program=$!
    window=$(timeout 60 xdotool search --sync --name "^Vexa2" | head -1)
    [ -n "$window" ] || { echo "demo: the window did not appear" >&2; exit 1; }
    sleep 4
    import -window root "$3"
    kill $program 2>/dev/null
    WINEPREFIX=$VEXA_WINEPREFIX wineserver -k 2>/dev/null || true
' demo "$run" "$build" "$shot"
echo "demo: screenshot saved to $shot"
