#!/usr/bin/env bash
# Prints empty_frame_ratio (engine with no screen / bare Clear-BeginScene-EndScene-Present loop,
# same window size, best of alternating 0.2 s rounds in each of five blocks, median of the
# blocks; target >= 0.9), its spread over the blocks and both rates.
# Usage: run.sh <build dir>; needs a DISPLAY.
set -euo pipefail
build=$1
"$build/wine-run" "$build/bench-bin/engine_empty_frame.exe" 2> >(grep -v 'err:vulkan' >&2) |
    grep -E '^empty_frame_[a-z_]+: '
