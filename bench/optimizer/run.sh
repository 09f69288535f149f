#!/usr/bin/env bash
# Vertex-cache optimiser figures; $1 is the build directory.
set -euo pipefail
build=$1
"$build/wine-run" "$build/bench-bin/optimizer_bench.exe" 2>/dev/null | tr -d '\r' | grep -E '^[a-z0-9_]+: '
