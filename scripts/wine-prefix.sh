#!/usr/bin/env bash
# Creates a Wine prefix once (about ten seconds), with the Wine that WINELOADER, WINESERVER and
# WINEARCH name (scripts/wine-platform.sh); later calls return at once.
set -euo pipefail
prefix=$1
[ -f "$prefix/.vexa-ready" ] && exit 0
mkdir -p "$(dirname "$prefix")"
exec 9>"$prefix.lock"
flock 9
if [ ! -f "$prefix/.vexa-ready" ]; then
    if ! WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES=mscoree,mshtml= \
           "$WINELOADER" wineboot.exe -i >"$prefix.log" 2>&1; then
        echo "wine: could not create the Wine prefix $prefix; Wine said:" >&2
        tail -5 "$prefix.log" >&2
        exit 1
    fi
    WINEPREFIX=$prefix "$WINESERVER" -w
    touch "$prefix/.vexa-ready"
fi
