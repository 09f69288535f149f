#!/usr/bin/env bash
# Asset build time. assets_build_s: seconds to produce every run-time asset from nothing into a
# fresh folder, as the build does it: the asset generator, then the effect compiler on the three
# effects, each a Windows program started through wine-run (a warm-up start first, so that the
# figure does not include starting the wineserver). Also the two parts, and the generator's
# in-process time. Usage: run.sh <build dir>
set -euo pipefail
build=$(cd "$1" && pwd)
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
sources=$(cd "$here/../../assets/effects" && pwd)
generator=$build/tools/AssetGenerator/AssetGenerator.exe
compiler=$build/tools/EffectCompiler/EffectCompiler.exe
for program in "$generator" "$compiler" "$build/bench-bin/assets_generate_bench.exe"; do
    [ -f "$program" ] || { echo "assets: $program is not built (cmake --build $build --target benchmarks)" >&2; exit 1; }
done

out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
now() { date +%s.%N; }

"$build/wine-run" "$generator" >/dev/null 2>&1 || true # warm-up: usage error, exits at once

t0=$(now)
"$build/wine-run" "$generator" "$out" 2> >(grep -v "err:vulkan" >&2)
t1=$(now)
for effect in effect light particleEffect; do
    "$build/wine-run" "$compiler" "$sources/$effect.fx" "$out/$effect.fx" 2> >(grep -v "err:vulkan" >&2)
done
t2=$(now)

for file in skullocc.x venus.x ball.x tiny.x lizardSIG.sdkmesh particle.bmp effect.fx light.fx particleEffect.fx; do
    [ -s "$out/$file" ] || { echo "assets: $file was not produced" >&2; exit 1; }
done
awk -v a="$t0" -v b="$t1" -v c="$t2" 'BEGIN {
    printf "assets_build_s: %.2f\n", c - a
    printf "assets_generator_s: %.2f\n", b - a
    printf "effects_compile_s: %.2f\n", c - b
}'
"$build/wine-run" "$build/bench-bin/assets_generate_bench.exe" 2> >(grep -v "err:vulkan" >&2)
