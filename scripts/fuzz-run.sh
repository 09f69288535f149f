#!/usr/bin/env bash
# Runs one libFuzzer target for a bounded time over its checked-in corpus, with new inputs kept in a
# scratch folder (the checked-in corpus stays as it is). A crash input (or one that runs out of time
# or memory) is copied into the corpus folder's regressions/, which every later run replays first.
# Prints one line: executions, coverage and peak memory, or the input kept.
# Usage: fuzz-run.sh <target> <corpus folder> <scratch folder> <seconds>
set -euo pipefail
target=$1 corpus=$2 scratch=$3 seconds=$4
name=$(basename "$target")
artifacts=$scratch/artifacts/
rm -rf "$artifacts"
mkdir -p "$scratch/inputs" "$artifacts"

# Regressions first: each must run clean.
shopt -s nullglob
regressions=("$corpus"/regressions/*)
if [ ${#regressions[@]} -gt 0 ]; then
    if ! "$target" -timeout=10 -rss_limit_mb=2048 "${regressions[@]}" >"$scratch/regressions.log" 2>&1; then
        tail -40 "$scratch/regressions.log" >&2
        echo "$name: a regression input of $corpus/regressions fails again" >&2
        exit 1
    fi
fi

# Inputs as long as the largest seed (at least 4 KB): a long regression input does not slow the search.
longest=$(find "$corpus" -maxdepth 1 -type f -printf '%s\n' | sort -n | tail -1)
max_len=$(( ${longest:-0} > 4096 ? ${longest:-0} : 4096 ))
# Words of the input's language, when the corpus has them beside it (<corpus>.dict).
dict=()
[ -f "${corpus%/}.dict" ] && dict=(-dict="${corpus%/}.dict")
status=0
"$target" -max_total_time="$seconds" -max_len="$max_len" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
          "${dict[@]}" -artifact_prefix="$artifacts" "$scratch/inputs" "$corpus" >"$scratch/log" 2>&1 || status=$?
runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$scratch/log")
rss=$(sed -n 's/^stat::peak_rss_mb: *//p' "$scratch/log")
last=$(grep -E '^#[0-9]+.* cov: ' "$scratch/log" | tail -1 || true)
cov=$(sed -n 's/.* cov: \([0-9]*\).*/\1/p' <<<"$last")
features=$(sed -n 's/.* ft: \([0-9]*\).*/\1/p' <<<"$last")
units=$(sed -n 's/.* corp: \([0-9]*\)\/.*/\1/p' <<<"$last")
[ -n "$runs" ] || runs=$(sed -n 's/^#\([0-9]*\).*/\1/p' <<<"$last")
rm -f "$scratch/summary"
echo "$name: ${runs:-?} executions in ${seconds} s (${#regressions[@]} regression inputs replayed first; coverage ${cov:-?} edges, ${features:-?} features, corpus ${units:-?} inputs, peak RSS ${rss:-?} MB)" | tee "$scratch/summary"

kept=0
for crash in "$artifacts"*; do
    mkdir -p "$corpus/regressions"
    cp "$crash" "$corpus/regressions/"
    echo "$name: found $(basename "$crash"), kept in $corpus/regressions" >&2
    kept=1
done
if [ $status -ne 0 ] || [ $kept -ne 0 ]; then
    grep -E -A30 '^==[0-9]+==|runtime error|^SUMMARY' "$scratch/log" | head -60 >&2 || tail -40 "$scratch/log" >&2
    exit 1
fi
