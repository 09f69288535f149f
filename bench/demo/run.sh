#!/usr/bin/env bash
# The demo's benchmarks, side by side in one session (DISPLAY set by the caller):
#   startup_ms        launch of Vexa2.exe to the first frame showing the scene (fastest of 15)
#   startup_ratio     that time over the same for the minimal window-and-device program: the
#                     median over five blocks of three launches each, with startup_ratio_spread
#   demo_frame_ratio  the demo's frame rate (its title) over the minimal program's clear/present rate
#   update_cpu_us     processor time of one DemoScreen::OnUpdate (in-process, real device);
#                     update_camera_cpu_us and update_particles_cpu_us are its two largest parts
set -uo pipefail
build=$(cd "$1" && pwd) # absolute: the programs run from a scratch folder
bin=$build/bench-bin
run=$build/run
export VEXA_WINEPREFIX=${VEXA_WINEPREFIX:-$build/wineprefix}
scratch=$(mktemp -d)
pids=()
cleanup() {
    local pid
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null && wait "$pid" 2>/dev/null; done
    rm -rf "$scratch"
}
trap cleanup EXIT
cp -r "$run"/. "$scratch"/ && cp "$bin"/bench_minimal_window.exe "$bin"/bench_update_cpu.exe "$scratch"/ || exit 1

# The first frame is caught by first_frame.c (two pixels read every 2 ms), built here for the host.
cc -O2 -o "$scratch/first_frame" "$(dirname "${BASH_SOURCE[0]}")/first_frame.c" -lX11 || exit 1

# Starts a program and waits until its window shows the <check> frame; sets `took` (ms, 0 on
# time-out), `shown` (ms until the window was visible) and `last` (the process).
startup() { # <title prefix> <cleared|scene> <program...>
    local prefix=$1 check=$2 t0 times
    shift 2
    t0=$(date +%s%N)
    (cd "$scratch" && exec "$build/wine-run" "$@") >/dev/null 2>&1 &
    last=$!
    pids+=("$last")
    times=$("$scratch/first_frame" "$t0" 60000 "$prefix" "$check")
    shown=${times% *} took=${times#* }
}

# Mean of five frame-rate readings from a title "<name>, FPS: n", one a second.
title_fps() { # <title regex>
    local window sum=0 n=0 name
    window=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -1)
    sleep 2
    for _ in 1 2 3 4 5; do
        sleep 1
        name=$(xdotool getwindowname "$window" 2>/dev/null)
        [[ $name =~ FPS:\ ([0-9]+)$ ]] && { sum=$((sum + BASH_REMATCH[1])); n=$((n + 1)); }
    done
    [ "$n" -gt 0 ] && awk -v s="$sum" -v n="$n" 'BEGIN { printf "%.1f", s / n }' || echo 0
}

stop_last() { kill "$last" 2>/dev/null; wait "$last" 2>/dev/null; }

# The smallest, leaving out failed launches (0).
fastest() { printf '%s\n' "$@" | grep -vx 0 | sort -n | head -1; }

# Untimed: the first Wine program of a session also starts the prefix's services.
startup Minimal cleared bench_minimal_window.exe 60
stop_last
# Fifteen launches of each, alternating, so that a busy moment of the machine falls on both.
# Other processes only ever add time to a launch, so each side's figure is its fastest launch.
# Launch i counts for block i mod 5, and each block compares the fastest launch of each program:
# startup_ratio is the median of the five block ratios, its spread their largest over smallest.
minimal=() minimal_window=() demo=() demo_window=()
for _ in $(seq 15); do
    sleep 1
    startup Minimal cleared bench_minimal_window.exe 60
    minimal+=("$took") minimal_window+=("$shown")
    stop_last
    sleep 1
    startup Vexa2 scene Vexa2.exe
    demo+=("$took") demo_window+=("$shown")
    stop_last
done
echo "startup launches (ms): minimal ${minimal[*]}; demo ${demo[*]}" >&2
minimal_ms=$(fastest "${minimal[@]}")
minimal_shown=$(fastest "${minimal_window[@]}")
demo_ms=$(fastest "${demo[@]}")
demo_shown=$(fastest "${demo_window[@]}")
# Prints "<median> <spread>" of the block ratios, leaving out failed launches (0).
block_ratios() {
    awk -v demo="${demo[*]}" -v minimal="${minimal[*]}" 'BEGIN {
        n = split(demo, d, " "); split(minimal, m, " ")
        for (i = 1; i <= n; ++i) {
            b = (i - 1) % 5
            if (d[i] > 0 && (bd[b] == 0 || d[i] < bd[b])) bd[b] = d[i]
            if (m[i] > 0 && (bm[b] == 0 || m[i] < bm[b])) bm[b] = m[i]
        }
        k = 0
        for (b = 0; b < 5; ++b) if (bd[b] > 0 && bm[b] > 0) r[++k] = bd[b] / bm[b]
        if (k == 0) { print "0 0"; exit }
        for (i = 1; i <= k; ++i) for (j = i + 1; j <= k; ++j) if (r[j] < r[i]) { t = r[i]; r[i] = r[j]; r[j] = t }
        printf "%.3f %.3f\n", r[int((k + 1) / 2)], r[k] / r[1]
    }'
}
read -r ratio ratio_spread <<<"$(block_ratios)"

startup Minimal cleared bench_minimal_window.exe 60
minimal_fps=$(title_fps '^Minimal')
stop_last
sleep 1
startup Vexa2 scene Vexa2.exe
demo_fps=$(title_fps '^Vexa2')
stop_last
sleep 1

echo "startup_ms: $demo_ms"
echo "startup_minimal_ms: $minimal_ms"
echo "startup_window_ms: $demo_shown"
echo "startup_minimal_window_ms: $minimal_shown"
echo "startup_ratio: $ratio"
echo "startup_ratio_spread: $ratio_spread"
echo "demo_fps: $demo_fps"
echo "minimal_fps: $minimal_fps"
awk -v d="$demo_fps" -v m="$minimal_fps" 'BEGIN { printf "demo_frame_ratio: %.3f\n", (m > 0 ? d / m : 0) }'
(cd "$scratch" && "$build/wine-run" bench_update_cpu.exe 5000 2>/dev/null | tr -d '\r' | grep -E '^(update_([a-z]+_)?(cpu|wall)_us|update_rss_growth_kb|load_[a-z_]+_ms|demo_load_ms):')
