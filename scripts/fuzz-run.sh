#!/usr/bin/env bash
# Runs one libFuzzer target for a bounded time over its checked-in corpus, with new inputs kept in a
# scratch folder (the checked-in corpus stays as it is). A crash input is copied into the corpus
# folder's regressions/ so that every later run replays it.
# Usage: fuzz-run.sh <target> <corpus folder> <scratch folder> <seconds>
set -euo pipefail
target=$1 corpus=$2 scratch=$3 seconds=$4
mkdir -p "$scratch" "$corpus/regressions"
artifacts=$scratch/artifacts/
mkdir -p "$artifacts"
# Regressions first: each must run clean.
if compgen -G "$corpus/regressions/*" >/dev/null; then
    "$target" -runs=0 "$corpus/regressions"/* >/dev/null 2>&1 ||
        { "$target" -runs=0 "$corpus/regressions"/*; exit 1; }
fi
status=0
"$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
          -artifact_prefix="$artifacts" "$scratch" "$corpus" 2>"$scratch/log" || status=$?
grep -E '^(stat::number_of_executed_runs|stat::peak_rss_mb)|cov: ' "$scratch/log" | tail -3
for crash in "$artifacts"*; do
    [ -f "$crash" ] || continue
    cp "$crash" "$corpus/regressions/"
    echo "fuzz: $(basename "$crash") kept in $corpus/regressions" >&2
done
[ $status -eq 0 ] || { tail -40 "$scratch/log" >&2; exit $status; }
