#!/usr/bin/env bash
# The demo's benchmarks, side by side in one session (DISPLAY set by the caller):
#   startup_ms        launch of Vexa2.exe to the first screenshot showing the scene (median of five)
#   startup_ratio     that time over the same for the minimal window-and-device program
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

now_ms() { echo $(($(date +%s%N) / 1000000)); }

# Two pixels of a screenshot in one read, "RRGGBB RRGGBB": both checks below cost the same, so
# neither program's wait is lengthened by its own check.
pixels() { convert "$1" -format "%[hex:p{$2,$3}] %[hex:p{$4,$5}]" info: 2>/dev/null | sed -E 's/([0-9A-F]{6})[0-9A-F]*/\1/g'; }

# Starts a program and waits until a screenshot of its window satisfies <check>; sets `took`
# (ms, 0 on time-out), `shown` (ms until the window was mapped) and `last` (the process).
startup() { # <title regex> <check function> <program...>
    local regex=$1 check=$2
    shift 2
    local t0 window shot=$scratch/startup.png
    t0=$(now_ms)
    (cd "$scratch" && exec "$build/wine-run" "$@") >/dev/null 2>&1 &
    last=$!
    pids+=("$last")
    shown=0
    for _ in $(seq 1 1200); do
        window=$(xdotool search --onlyvisible --name "$regex" 2>/dev/null | head -1)
        [ -n "$window" ] && [ "$shown" = 0 ] && shown=$(($(now_ms) - t0))
        if [ -n "$window" ] && import -window "$window" "$shot" 2>/dev/null && "$check" "$shot"; then
            took=$(($(now_ms) - t0))
            return 0
        fi
        sleep 0.05
    done
    took=0
    return 1
}
# The clear colour at the corner and in the middle.
cleared() { [ "$(pixels "$1" 2 2 400 300)" = "000080 000080" ]; }
# The scene: clear colour at the corner, the lit skull below the centre.
scene() { [[ $(pixels "$1" 2 2 397 420) =~ ^000080\ ([0-9A-F]{6})$ ]] && [ "${BASH_REMATCH[1]}" != 000080 ]; }

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

median() { printf '%s\n' "$@" | sort -n | sed -n "$((($# + 1) / 2))p"; }

# Untimed: the first Wine program of a session also starts the prefix's services.
startup '^Minimal' cleared bench_minimal_window.exe 60
stop_last
# Five launches of each, alternating, so that a busy moment of the machine falls on both; one
# launch moves by about a poll of the screenshot loop (150 to 250 ms), so the median needs five.
minimal=() minimal_window=() demo=() demo_window=()
for _ in 1 2 3 4 5; do
    sleep 1
    startup '^Minimal' cleared bench_minimal_window.exe 60
    minimal+=("$took") minimal_window+=("$shown")
    stop_last
    sleep 1
    startup '^Vexa2' scene Vexa2.exe
    demo+=("$took") demo_window+=("$shown")
    stop_last
done
minimal_ms=$(median "${minimal[@]}")
minimal_shown=$(median "${minimal_window[@]}")
demo_ms=$(median "${demo[@]}")
demo_shown=$(median "${demo_window[@]}")

startup '^Minimal' cleared bench_minimal_window.exe 60
minimal_fps=$(title_fps '^Minimal')
stop_last
sleep 1
startup '^Vexa2' scene Vexa2.exe
demo_fps=$(title_fps '^Vexa2')
stop_last
sleep 1

echo "startup_ms: $demo_ms"
echo "startup_minimal_ms: $minimal_ms"
echo "startup_window_ms: $demo_shown"
echo "startup_minimal_window_ms: $minimal_shown"
awk -v d="$demo_ms" -v m="$minimal_ms" 'BEGIN { printf "startup_ratio: %.2f\n", (m > 0 ? d / m : 0) }'
echo "demo_fps: $demo_fps"
echo "minimal_fps: $minimal_fps"
awk -v d="$demo_fps" -v m="$minimal_fps" 'BEGIN { printf "demo_frame_ratio: %.3f\n", (m > 0 ? d / m : 0) }'
(cd "$scratch" && "$build/wine-run" bench_update_cpu.exe 5000 2>/dev/null | tr -d '\r' | grep -E '^(update_([a-z]+_)?(cpu|wall)_us|update_rss_growth_kb|load_[a-z_]+_ms|demo_load_ms):')
