#!/usr/bin/env bash
# Builds the native fuzz targets (clang, libFuzzer, ASan and UBSan) and runs each over its
# checked-in corpus for the given seconds (default 180), one after the other. Prints per target
# its executions, coverage and any crash input, which is kept in the corpus's regressions/.
# Exits non-zero when a target found anything.
# Usage: scripts/fuzz.sh [seconds] [build folder, default build-native]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-180}
build=${2:-$root/build-native}
[[ $seconds =~ ^[1-9][0-9]*$ ]] || { echo "fuzz: seconds must be a positive number, not '$seconds'" >&2; exit 2; }
command -v clang++ >/dev/null || { echo "fuzz: clang++ is missing; run scripts/setup.sh" >&2; exit 2; }

mkdir -p "$build"
cmake -S "$root/native" -B "$build" -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_C_COMPILER=clang >"$build/configure.log" 2>&1 ||
    { cat "$build/configure.log" >&2; exit 1; }
list=$build/fuzz-targets.txt
[ -s "$list" ] || { echo "fuzz: no fuzz targets in $list (is the compiler clang?)" >&2; exit 1; }
mapfile -t names < <(cut -f1 "$list")
echo "fuzz: building ${names[*]}"
cmake --build "$build" -j2 --target "${names[@]}" >"$build/fuzz-build.log" 2>&1 ||
    { tail -40 "$build/fuzz-build.log" >&2; exit 1; }

failed=()
while IFS=$'\t' read -r name program corpus; do
    echo "fuzz: $name over $corpus for $seconds s"
    ASAN_OPTIONS=detect_leaks=1 "$root/scripts/fuzz-run.sh" "$program" "$corpus" "$build/fuzz/$name" "$seconds" ||
        failed+=("$name")
done <"$list"
if [ ${#failed[@]} -gt 0 ]; then
    echo "fuzz: FOUND something in: ${failed[*]} (inputs kept in each corpus's regressions/)" >&2
    exit 1
fi
echo "fuzz: ${#names[@]} targets, nothing found"
