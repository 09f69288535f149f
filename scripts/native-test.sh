#!/usr/bin/env bash
# The portable core's tests, natively: configures the native build (clang, ASan and UBSan without
# recovery), builds it and runs CTest on it: every unit test, then a short fuzz pass of each
# target over its corpus (its regression inputs first). CTest names these "native.*".
# Usage: scripts/native-test.sh [build folder, default build-native] [fuzz seconds, default 15]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build-native}
seconds=${2:-15}
command -v clang++ >/dev/null || { echo "native: clang++ is missing; run scripts/setup.sh" >&2; exit 2; }

mkdir -p "$build"
echo "native: portable core with clang++ under ASan+UBSan in $build (fuzz pass ${seconds} s a target)"
cmake -S "$root/native" -B "$build" -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_C_COMPILER=clang \
      -DVEXA_FUZZ_SECONDS="$seconds" >"$build/configure.log" 2>&1 || { cat "$build/configure.log" >&2; exit 1; }
cmake --build "$build" -j2 >"$build/build.log" 2>&1 || { grep -E -A5 'error|Error' "$build/build.log" | head -60 >&2; exit 1; }
status=0
ctest --test-dir "$build" --output-on-failure -j2 || status=$?
for summary in "$build"/fuzz/*/summary; do
    [ -f "$summary" ] && echo "native fuzz: $(cat "$summary")"
done
exit $status
