#!/usr/bin/env bash
# Vexa2.exe shows its window, clears it to (0,0,128), and closes on WM_CLOSE (the close button's
# message) with exit code 0, leaving a log that holds only its header.
source "$(dirname "$0")/e2e-lib.sh"
e2e_scratch

e2e_start "$E2E_PROGRAM"
program=$last_pid
launched=$(date +%s%N)
window=$(e2e_window '^Vexa2' 30)
[ -n "$window" ] || fail "no window named Vexa2* within 30 s"
note "window mapped after $((($(date +%s%N) - launched) / 1000000)) ms"
# The title is "Vexa2 v0.2" until a screen writes the frame rate into it.
name=$(xdotool getwindowname "$window")
[[ $name == "Vexa2 v0.2" || $name =~ ^Vexa2,\ FPS:\ [0-9]+$ ]] || fail "unexpected title \"$name\""
note "title: $name"

# The clear colour over the client area: corners and side midpoints (the scene covers the
# middle). Frames start a moment after the window is mapped: poll a little.
eval "$(xdotool getwindowgeometry --shell "$window")"
shot=$E2E_SCRATCH/window.png
# (Not the top and bottom middles: the particle fountain and the skull reach those edges.)
points="2,2 $((WIDTH - 3)),2 2,$((HEIGHT - 3)) $((WIDTH - 3)),$((HEIGHT - 3)) 2,$((HEIGHT / 2)) $((WIDTH - 3)),$((HEIGHT / 2))"
for attempt in $(seq 1 20); do
    import -window "$window" "$shot" || fail "screenshot failed"
    wrong=""
    for point in $points; do
        colour=$(e2e_pixel "$shot" "${point%,*}" "${point#*,}")
        [ "$colour" = 000080 ] || wrong="$wrong $point=$colour"
    done
    [ -z "$wrong" ] && break
    sleep 0.25
done
[ -z "$wrong" ] || fail "not the clear colour 000080 at:$wrong"
[ "$(identify -format '%w %h' "$shot")" = "$WIDTH $HEIGHT" ] || fail "screenshot size differs from the window"
note "client area ${WIDTH}x${HEIGHT}, clear colour at corners and edges"

kill -0 "$program" 2>/dev/null || fail "the program ended by itself"
e2e_post_close
asked=$(date +%s%N)
e2e_wait "$program" 15
[ "$exit_code" = 0 ] || fail "exit code $exit_code after WM_CLOSE (124: still running after 15 s)"
note "exit code 0, $((($(date +%s%N) - asked) / 1000000)) ms after WM_CLOSE"
e2e_no_window --name '^Vexa2' || fail "a Vexa2 window is still there"

e2e_expect_clean_log "$E2E_SCRATCH/myLog.log"
note "myLog.log: byte-order mark and header only"
