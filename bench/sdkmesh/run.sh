#!/usr/bin/env bash
# Prints sdkmesh_parse_ratio and sdkmesh_load_ms (needs DISPLAY for the device).
set -euo pipefail
"$1/wine-run" "$1/bench-bin/sdkmesh_bench.exe" 2>/dev/null | tr -d '\r'
