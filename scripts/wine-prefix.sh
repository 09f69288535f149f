#!/usr/bin/env bash
# Creates a Wine prefix once (about ten seconds); later calls return at once.
set -euo pipefail
prefix=$1
[ -f "$prefix/.vexa-ready" ] && exit 0
mkdir -p "$(dirname "$prefix")"
exec 9>"$prefix.lock"
flock 9
if [ ! -f "$prefix/.vexa-ready" ]; then
    WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES=mscoree,mshtml= wineboot -i >/dev/null 2>&1
    WINEPREFIX=$prefix wineserver -w
    touch "$prefix/.vexa-ready"
fi
