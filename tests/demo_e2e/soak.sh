#!/usr/bin/env bash
# One minute of driving in a Wine virtual desktop: movement and light keys, mouse turns and a
# full-screen/window switch every quarter minute. Resident memory of Vexa2.exe stays flat and
# the run ends with exit code 0 and a clean log.
source "$(dirname "$0")/demo-lib.sh"
duration=${DEMO_SOAK_SECONDS:-60}
demo_scratch
demo_use_desktop_prefix
demo_start explorer /desktop=vexasoak,1024x768 Vexa2.exe
desk_pid=$last_pid
desktop=$(e2e_window 'Wine desktop' 60)
[ -n "$desktop" ] || fail "no virtual desktop window"
# The pointer rests inside the desktop at every size (keys go to the window under it) and never
# moves while the demo reads the mouse: a move would turn the camera.
xdotool mousemove 10 10
for i in $(seq 1 240); do
    shot=$DEMO_SCRATCH/poll.png
    import -window "$desktop" "$shot" 2>/dev/null && [ "$(e2e_pixel "$shot" 150 500)" = 000080 ] && break
    sleep 0.5
done
[ "$(e2e_pixel "$DEMO_SCRATCH/poll.png" 150 500)" = 000080 ] || fail "the demo never drew"

samples=()
begin=$(date +%s)
step=0
while [ $(($(date +%s) - begin)) -lt "$duration" ]; do
    case $((step % 8)) in
    0) xdotool keydown w; sleep 0.3; xdotool keyup w ;;
    1) xdotool keydown a keydown Up; sleep 0.3; xdotool keyup a keyup Up ;;
    2) xdotool mousemove_relative -- 40 10 ;;
    3) xdotool keydown s keydown Left; sleep 0.3; xdotool keyup s keyup Left ;;
    4) xdotool keydown d keydown Prior; sleep 0.3; xdotool keyup d keyup Prior ;;
    5) xdotool mousemove_relative -- -40 -10 ;;
    6) xdotool keydown Down keydown Next; sleep 0.3; xdotool keyup Down keyup Next ;;
    7) xdotool keydown F2; sleep 0.4; xdotool keyup F2; sleep 2; xdotool keydown F1; sleep 0.4; xdotool keyup F1 ;;
    esac
    step=$((step + 1))
    sleep 0.5
    rss=$(demo_rss)
    [ "$rss" != 0 ] || fail "Vexa2.exe ended during the soak (step $step)"
    # Just after a switch the device may still be resetting, its resources released (70 MB
    # less seen): not a level to measure growth from.
    [ $((step % 8)) = 0 ] || samples+=("$(($(date +%s) - begin)):$rss")
done
note "RSS samples (s:kB): ${samples[*]}"
# Flat: the lowest level of the last quarter stays within 6 MB of the lowest of the second
# (caches warm, modes visited). Lowest levels, as a leak raises them all while a moment's peak
# (a mode switch settling: 4 MB for three samples seen on a loaded machine) passes. Measured
# here: 1.0 to 2.4 MB over the minute; the rest is margin for a machine that draws more frames.
lowest() { # <from s> <to s>: the lowest sample taken in [from, to)
    local sample t kb low=0
    for sample in "${samples[@]}"; do
        t=${sample%%:*} kb=${sample#*:}
        [ "$t" -ge "$1" ] && [ "$t" -lt "$2" ] && { [ "$low" = 0 ] || [ "$kb" -lt "$low" ]; } && low=$kb
    done
    echo "$low"
}
baseline=$(lowest $((duration / 4)) $((duration / 2)))
final=$(lowest $((duration * 3 / 4)) $((duration + 60)))
[ "$baseline" -gt 0 ] && [ "$final" -gt 0 ] || fail "no memory samples in the second or last quarter"
growth=$((final - baseline))
note "memory: lowest $baseline kB in the second quarter, $final kB in the last, growth $growth kB"
[ "$growth" -lt 6144 ] || fail "resident memory grew by $growth kB"

# Back to a window, then Escape until the program is gone.
xdotool keydown F1; sleep 0.4; xdotool keyup F1
e2e_escape_until_gone demo_gone || fail "the program still runs after Escape"
e2e_wait "$desk_pid" 10
[ "$exit_code" = 124 ] && kill "$desk_pid" 2>/dev/null
e2e_expect_clean_log "$DEMO_SCRATCH/myLog.log"
note "soak: exit clean, log holds only its header"
