#!/usr/bin/env bash
# Runs one Windows program under Wine in the build's own prefix (VEXA_WINEPREFIX),
# created on first use. Wine's debug noise is off; DISPLAY is whatever the caller set.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
export WINEPREFIX=${VEXA_WINEPREFIX:?VEXA_WINEPREFIX must name the build prefix}
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
"$here/wine-prefix.sh" "$WINEPREFIX"
exec wine "$@"
