#!/usr/bin/env bash
# Prints log_write_ratio.
set -euo pipefail
"$1/wine-run" "$1/bench-bin/log_write_bench.exe" 2>/dev/null | tr -d '\r'
