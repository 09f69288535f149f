#!/usr/bin/env bash
# The whole demo on plain Xvfb: the scene appears (clear colour at the edges, lit models and
# particles ahead), the title carries the frame rate, the arrow keys move the light's ball,
# W moves the camera forwards, Escape ends the program with exit code 0 and a clean log.
source "$(dirname "$0")/demo-lib.sh"
demo_scratch
demo_start Vexa2.exe
program=$last_pid
demo_expect_window "$program"
demo_wait_fps "$window" 30 || fail "title without a frame rate: \"$(xdotool getwindowname "$window")\""
name=$(xdotool getwindowname "$window")
[[ $name =~ ^Vexa2,\ FPS:\ [0-9]+$ ]] || fail "title \"$name\""
fps=$(demo_fps "$window")
note "title: $name"

start=$DEMO_SCRATCH/start.png
demo_expect_scene "$window" "$start"

# Page Up for a few frames lifts the light (and its ball) from the eye into view, up and ahead
# after Up: the skull's lighting and the picture's centre change.
demo_hold Up 8 "$fps"
demo_hold Prior 2 "$fps"
sleep 1
lightmoved=$DEMO_SCRATCH/light.png
import -window "$window" "$lightmoved"
changed=$(demo_changed_pixels "$start" "$lightmoved" "$skull")
[ "$changed" -gt 200 ] || fail "moving the light changed only $changed pixels of the skull"
note "light: $changed pixels changed"

# W: the camera moves towards the skull, which grows. The step is 10 units a second of holding
# whatever the frame rate: about 6 units towards a skull 20 units ahead.
lower="$((WIDTH - 100))x$((HEIGHT / 2))+50+$((HEIGHT / 2))"
before=$(demo_scene_pixels "$lightmoved" "$lower")
xdotool keydown w
sleep 0.6
xdotool keyup w
sleep 1
forward=$DEMO_SCRATCH/forward.png
import -window "$window" "$forward"
after=$(demo_scene_pixels "$forward" "$lower")
[ "$after" -gt $((before + before / 10)) ] || fail "W: the lower half went from $before to $after scene pixels"
note "forward: $before -> $after scene pixels"

demo_escape_and_check "$program"
note "Escape: exit code 0, log holds only its header"
