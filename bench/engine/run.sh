#!/usr/bin/env bash
# Prints empty_frame_ratio (engine with no screen / bare Clear-BeginScene-EndScene-Present loop,
# same window size, medians of alternating one-second rounds; target >= 0.9) and both rates.
# Usage: run.sh <build dir>; needs a DISPLAY.
set -euo pipefail
build=$1
"$build/wine-run" "$build/bench-bin/engine_empty_frame.exe" 2> >(grep -v 'err:vulkan' >&2) |
    grep -E '^empty_frame_[a-z_]+: '
