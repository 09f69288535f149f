#!/usr/bin/env bash
# Runs one Windows program inside a Wine virtual desktop of 1024x768 (nine display modes,
# where plain Xvfb lists one), in a prefix of its own so that the desktop's display modes
# never leak into the other tests' prefix. Exit code: the program's.
# Usage: run-in-desktop.sh <build dir> <program.exe> [arguments...]
set -uo pipefail
build=$1; shift
export VEXA_WINEPREFIX=$build/wineprefix-desktop
run=$build/wine-run
if [ ! -f "$VEXA_WINEPREFIX/.vexa-desktop" ]; then
    # Every program of this prefix opens in the desktop "Default" of this size.
    "$run" reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1 &&
    "$run" reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1024x768 /f >/dev/null 2>&1 &&
    "$run" --server -w && touch "$VEXA_WINEPREFIX/.vexa-desktop"
fi
"$run" "$@" 2> >(grep -v 'err:vulkan' >&2)
status=$?
# Nothing of this prefix outlives the test: the desktop process and the wineserver end here.
timeout 10 "$run" --server -w || "$run" --server -k
exit $status
