#!/usr/bin/env bash
# The whole demo on plain Xvfb: the scene appears (clear colour at the edges, lit models and
# particles ahead), the title carries the frame rate, the arrow keys move the light's ball,
# W moves the camera forwards, Escape ends the program with exit code 0 and a clean log.
source "$(dirname "$0")/demo-lib.sh"
demo_scratch
demo_start Vexa2.exe
program=$last_pid
window=$(demo_window '^Vexa2' 120)
[ -n "$window" ] || fail "the window did not appear"
demo_wait_fps "$window" 30 || fail "title without a frame rate: \"$(xdotool getwindowname "$window")\""
name=$(xdotool getwindowname "$window")
[[ $name =~ ^Vexa2,\ FPS:\ [0-9]+$ ]] || fail "title \"$name\""
fps=$(demo_fps "$window")
note "title: $name"

eval "$(xdotool getwindowgeometry --shell "$window")"
cx=$((WIDTH / 2))
cy=$((HEIGHT / 2))
start=$DEMO_SCRATCH/start.png
import -window "$window" "$start" || fail "screenshot failed"
for point in "2,2" "$((WIDTH - 3)),2" "2,$((HEIGHT - 3))" "$((WIDTH - 3)),$((HEIGHT - 3))"; do
    colour=$(e2e_pixel "$start" "${point%,*}" "${point#*,}")
    [ "$colour" = 000080 ] || fail "edge pixel $point is $colour, not the clear colour 000080"
done
# The skull straight ahead, below the centre, lit: many pixels and many shades.
skull="200x$((HEIGHT / 2 - 20))+$((cx - 100))+$((cy + 20))"
lit=$(demo_scene_pixels "$start" "$skull")
[ "$lit" -gt 5000 ] || fail "only $lit scene pixels where the skull should be"
shades=$(convert "$start" -crop "$skull" +repage -format %k info:)
[ "$shades" -gt 50 ] || fail "the skull shows only $shades colours: not lit"
# The fountain above it: small bright points.
fountain="300x$((cy - 40))+$((cx - 150))+0"
bright=$(convert "$start" -crop "$fountain" +repage -colorspace Gray -threshold 60% -format '%[fx:round(mean*w*h)]' info:)
[ "$bright" -gt 30 ] || fail "no particles above the skull ($bright bright pixels)"
note "scene: $lit lit pixels in $shades shades, $bright particle pixels"

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
before=$(demo_scene_pixels "$lightmoved" "$((WIDTH - 100))x$((HEIGHT / 2))+50+$cy")
xdotool keydown w
sleep 0.6
xdotool keyup w
sleep 1
forward=$DEMO_SCRATCH/forward.png
import -window "$window" "$forward"
after=$(demo_scene_pixels "$forward" "$((WIDTH - 100))x$((HEIGHT / 2))+50+$cy")
[ "$after" -gt $((before + before / 10)) ] || fail "W: the lower half went from $before to $after scene pixels"
note "forward: $before -> $after scene pixels"

demo_escape_and_check "$program"
note "Escape: exit code 0, log holds only its header"
