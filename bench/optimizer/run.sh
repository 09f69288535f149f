#!/usr/bin/env bash
# Vertex-cache optimiser figures; $1 is the Windows build directory. The native comparison
# with meshoptimizer is built in a Release folder without sanitizers beside it,
# "$1/../build-native-release" (or $VEXA_NATIVE_RELEASE_DIR), configured here when needed.
set -euo pipefail
build=$1
root=$(cd "$(dirname "$0")/../.." && pwd)
"$build/wine-run" "$build/bench-bin/optimizer_bench.exe" 2>/dev/null | tr -d '\r' | grep -E '^[a-z0-9_]+: '

native=${VEXA_NATIVE_RELEASE_DIR:-$build/../build-native-release}
# Our code with the flags Debian builds its packages with, meshoptimizer among them (-O2, not
# CMake's -O3): the speed ratios then compare code, not compiler options.
flags=$(dpkg-buildflags --get CXXFLAGS 2>/dev/null || echo -O2)
if cmake -S "$root/native" -B "$native" -DVEXA_SANITIZE=OFF -DCMAKE_BUILD_TYPE=Release \
         -DCMAKE_CXX_FLAGS_RELEASE="$flags -DNDEBUG" >/dev/null &&
   cmake --build "$native" -j2 --target optimizer_native_bench >/dev/null; then
    "$native/optimizer_native_bench" | grep -E '^[a-z0-9_]+: '
else
    echo "optimizer: no native comparison (optimizer_native_bench did not build)" >&2
fi
