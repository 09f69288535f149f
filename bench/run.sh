#!/usr/bin/env bash
# Runs every benchmark of a release build (bench/<area>/run.sh <build dir>) and prints
# their figures as `name: value` lines. Runs inside one Xvfb session (see vexa.sh bench).
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
build=$1
export VEXA_WINEPREFIX=$build/wineprefix
for script in "$here"/*/run.sh; do
    [ -x "$script" ] && "$script" "$build"
done
