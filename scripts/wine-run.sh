#!/usr/bin/env bash
# Runs one Windows program under Wine in the build's own prefix (VEXA_WINEPREFIX),
# created on first use. Wine's debug noise is off; DISPLAY is whatever the caller set.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
export WINEPREFIX=${VEXA_WINEPREFIX:?VEXA_WINEPREFIX must name the build prefix}
export WINEDEBUG=${WINEDEBUG:--all}
# No Mono/Gecko installers, and a crash ends the program instead of stopping in the debugger.
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=;winedbg.exe=d}
"$here/wine-prefix.sh" "$WINEPREFIX"
exec wine "$@"
