#!/usr/bin/env bash
# F1/F2. On plain Xvfb (one display mode) both keys leave the window as it is. In a Wine virtual
# desktop (nine modes, the fourth 640x480): F2 goes full screen at 640x480; another program
# taking the foreground loses the device, which is reset with the scene intact; F1 comes back
# to a 640x480 window on the 1024x768 desktop. Escape ends it all with a clean log.
source "$(dirname "$0")/demo-lib.sh"

# --- plain Xvfb ---
demo_scratch
demo_start Vexa2.exe
program=$last_pid
demo_expect_window "$program"
demo_wait_fps "$window" 30 || fail "no frame rate in the title"
fps=$(demo_fps "$window")
before=$(xdotool getwindowgeometry "$window" | tail -1)
demo_hold F2 3 "$fps"
demo_hold F1 3 "$fps"
sleep 1
kill -0 "$program" 2>/dev/null || fail "plain Xvfb: the program ended after F2/F1"
after=$(xdotool getwindowgeometry "$window" | tail -1)
[ "$before" = "$after" ] || fail "plain Xvfb: F2/F1 changed the window ($before -> $after)"
demo_wait_fps "$window" 10 || fail "plain Xvfb: no frame rate after F2/F1"
demo_escape_and_check "$program"
note "plain Xvfb: F2/F1 leave the window ($after), exit 0, clean log"

# --- virtual desktop ---
demo_use_desktop_prefix
demo_scratch
cp "$DEMO_THIEF" "$DEMO_SCRATCH/" || fail "no focus thief"
desk_size() { xdotool getwindowgeometry "$desktop" | awk '/Geometry/ { print $2 }'; }
wait_size() { # <WxH> <timeout s>
    local i
    for i in $(seq 1 $(($2 * 4))); do
        [ "$(desk_size)" = "$1" ] && return 0
        sleep 0.25
    done
    return 1
}
# Waits until <x>,<y> of the desktop shows the clear colour (the scene is being drawn there).
wait_clear_at() { # <x> <y> <timeout s>
    local i shot=$DEMO_SCRATCH/poll.png
    for i in $(seq 1 $(($3 * 2))); do
        import -window "$desktop" "$shot" 2>/dev/null && [ "$(e2e_pixel "$shot" "$1" "$2")" = 000080 ] && return 0
        sleep 0.5
    done
    return 1
}
demo_start explorer /desktop=vexademo,1024x768 Vexa2.exe
desk_pid=$last_pid
desktop=$(e2e_window 'Wine desktop' 60)
[ -n "$desktop" ] || fail "no virtual desktop window"
# The pointer rests inside the desktop at every size (keys go to the window under it) and never
# moves while the demo reads the mouse: a move would turn the camera.
xdotool mousemove 10 10
# The window sits at the desktop's top left corner, its client area below the caption.
wait_clear_at 150 500 120 || fail "virtual desktop: the demo never drew"
slow=3 # keys held for a few frames at a low rate: the title is not visible from outside

demo_hold F2 2 "$slow"
wait_size 640x480 30 || fail "F2: the desktop is $(desk_size), not 640x480"
wait_clear_at 2 2 20 || fail "F2: the full-screen scene is not drawn"
sleep 2
full=$DEMO_SCRATCH/full.png
import -window "$desktop" "$full"
for point in "637,2" "2,477" "637,477"; do
    [ "$(e2e_pixel "$full" "${point%,*}" "${point#*,}")" = 000080 ] || fail "F2: $point is not the clear colour"
done
lit=$(demo_scene_pixels "$full" "200x200+220+260")
[ "$lit" -gt 3000 ] || fail "F2: only $lit scene pixels ahead"
note "F2: full screen 640x480, $lit scene pixels ahead"

# A real device loss: another program takes the foreground for a second and a half, then the
# demo's window is restored and activated again, as a user switching back would.
demo_start explorer /desktop=vexademo,1024x768 vexa_focus_thief.exe 1500 restore
thief=$last_pid
# While the thief holds the foreground the full-screen demo is minimised: no scene in view.
away=""
for i in $(seq 1 60); do
    import -window "$desktop" "$DEMO_SCRATCH/away.png" 2>/dev/null &&
        [ "$(e2e_pixel "$DEMO_SCRATCH/away.png" 320 400)" != 000080 ] && { away=yes; break; }
    kill -0 "$thief" 2>/dev/null || break
    sleep 0.1
done
[ -n "$away" ] || fail "the demo stayed in view while another program had the foreground"
e2e_wait "$thief" 60
[ "$exit_code" = 0 ] || fail "the focus thief ended with $exit_code"
wait_size 640x480 30 || fail "after the loss the desktop is $(desk_size)"
sleep 3
wait_clear_at 2 2 30 || fail "after the loss the scene is not drawn again"
sleep 2
restored=$DEMO_SCRATCH/restored.png
import -window "$desktop" "$restored"
# Same models in the same places; only the particles move.
changed=$(demo_changed_pixels "$full" "$restored" "300x180+170+300")
[ "$changed" -lt 2700 ] || fail "after the device loss $changed of 54000 pixels differ"
kill -0 "$desk_pid" 2>/dev/null || fail "the program ended during the device loss"
note "device loss survived: $changed of 54000 pixels of the models differ"

demo_hold F1 2 "$slow"
wait_size 1024x768 30 || fail "F1: the desktop is $(desk_size), not 1024x768"
wait_clear_at 20 450 20 || fail "F1: the window is not drawn"
windowed=$DEMO_SCRATCH/windowed.png
import -window "$desktop" "$windowed"
[ "$(e2e_pixel "$windowed" 700 300)" != 000080 ] || fail "F1: the window reaches (700, 300): not 640x480"
[ "$(e2e_pixel "$windowed" 20 450)" = 000080 ] || fail "F1: the window does not reach (20, 450)"
note "F1: back to a 640x480 window on the 1024x768 desktop"

e2e_escape_until_gone demo_gone || fail "virtual desktop: the program still runs after Escape"
# The desktop's explorer may outlive the program; it is ours to end.
e2e_wait "$desk_pid" 10
[ "$exit_code" = 124 ] && kill "$desk_pid" 2>/dev/null
e2e_expect_clean_log "$DEMO_SCRATCH/myLog.log"
note "virtual desktop: Escape ends the program, clean log"
