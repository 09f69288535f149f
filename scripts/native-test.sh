#!/usr/bin/env bash
# Builds the portable core natively (clang, AddressSanitizer and UBSan) and runs its tests and a
# short fuzz pass. Usage: native-test.sh <build dir>
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=$1
cmake -S "$root/native" -B "$build" -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ >/dev/null
cmake --build "$build" -j "$(nproc 2>/dev/null || echo 2)"
ctest --test-dir "$build" --output-on-failure -j "$(nproc 2>/dev/null || echo 2)"
