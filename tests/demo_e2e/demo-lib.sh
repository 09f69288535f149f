# Shared steps of the demo's end-to-end tests (sourced). Expects DEMO_BUILD, DEMO_RUN (the run
# folder with Vexa2.exe and the assets, for demo_scratch), DEMO_SCRATCH, DEMO_THIEF and a DISPLAY.
source "$(dirname "${BASH_SOURCE[0]}")/../support/e2e-common.sh"

# From here on, programs run in a prefix of their own: a virtual desktop's display modes and
# mode switches then never reach the prefix that the other tests share.
demo_use_desktop_prefix() {
    e2e_desktop_prefix=$DEMO_BUILD/wineprefix-demo-desktop
    export VEXA_WINEPREFIX=$e2e_desktop_prefix
}

# A fresh scratch folder holding a copy of the run folder (the program too), without a log.
demo_scratch() {
    [ -f "$DEMO_RUN/Vexa2.exe" ] || fail "no $DEMO_RUN/Vexa2.exe (build demo_run_folder)"
    rm -rf "$DEMO_SCRATCH" && mkdir -p "$DEMO_SCRATCH" || fail "cannot create $DEMO_SCRATCH"
    cp -r "$DEMO_RUN"/. "$DEMO_SCRATCH"/ || fail "cannot copy the run folder"
    rm -f "$DEMO_SCRATCH/myLog.log"
}

# Runs a Windows program in the scratch folder, in the background; sets `last_pid`. Through
# start /wait, whose exit code is the program's as Windows has it: the wineserver kills a process
# whose Unix side takes over a second to exit after its last thread (seen on a loaded machine),
# and the shell then sees 137 whatever the program returned. Ending start ends the program too.
demo_start() {
    (cd "$DEMO_SCRATCH" && exec "$DEMO_BUILD/wine-run" start.exe /wait /b "$@") &
    last_pid=$!
    e2e_pids+=("$last_pid")
}

# The program's main window once visible (sets `window`); fails, showing the program's log, when
# the program ends or 120 s pass first.
demo_expect_window() { # <program pid>
    window=$(e2e_window '^Vexa2' 120 "$1")
    [ -n "$window" ] && return 0
    [ -f "$DEMO_SCRATCH/myLog.log" ] && e2e_log_text "$DEMO_SCRATCH/myLog.log" >&2
    e2e_gone "$1" && fail "the program ended without showing its window"
    fail "the window did not appear"
}

# Keys are levels read once a frame: hold one long enough for <frames> frames at <fps>.
demo_hold() { # <key> <frames> <fps>
    local fps=$3
    [ "$fps" -gt 0 ] 2>/dev/null || fps=1
    local seconds
    seconds=$(awk -v f="$2" -v r="$fps" 'BEGIN { s = f / r; if (s < 0.15) s = 0.15; printf "%.2f", s }')
    xdotool keydown "$1"
    sleep "$seconds"
    xdotool keyup "$1"
}

# Frame rate from the title "Vexa2, FPS: <n>"; 0 when the title has no number yet.
demo_fps() { # <window>
    local name
    name=$(xdotool getwindowname "$1" 2>/dev/null)
    if [[ $name =~ ^Vexa2,\ FPS:\ ([0-9]+)$ ]]; then echo "${BASH_REMATCH[1]}"; else echo 0; fi
}

# Waits until the title shows a frame rate above zero (the timer has measured a second).
demo_wait_fps() { # <window> <timeout s>
    local i
    for i in $(seq 1 $(($2 * 4))); do
        [ "$(demo_fps "$1")" -gt 0 ] && return 0
        sleep 0.25
    done
    return 1
}

# Pixels of a region that are not the clear colour (0,0,128).
demo_scene_pixels() { # <image> <geometry WxH+X+Y>
    convert "$1" -crop "$2" +repage -fuzz 3% -fill black -opaque '#000080' -fill white +opaque black \
        -format '%[fx:round(mean*w*h)]' info:
}

# Screenshot of the window, which must show the scene as it starts: the clear colour at the
# corners, the skull straight ahead below the centre, lit (many pixels, many shades), and the
# fountain's small bright points above it. Sets WIDTH and HEIGHT (the window's) and `skull`, the
# skull's region.
demo_expect_scene() { # <window> <screenshot>
    eval "$(xdotool getwindowgeometry --shell "$1")"
    import -window "$1" "$2" || fail "screenshot failed"
    local point colour cx=$((WIDTH / 2)) cy=$((HEIGHT / 2))
    for point in "2,2" "$((WIDTH - 3)),2" "2,$((HEIGHT - 3))" "$((WIDTH - 3)),$((HEIGHT - 3))"; do
        colour=$(e2e_pixel "$2" "${point%,*}" "${point#*,}")
        [ "$colour" = 000080 ] || fail "edge pixel $point is $colour, not the clear colour 000080"
    done
    skull="200x$((HEIGHT / 2 - 20))+$((cx - 100))+$((cy + 20))"
    local lit shades bright
    lit=$(demo_scene_pixels "$2" "$skull")
    [ "$lit" -gt 5000 ] || fail "only $lit scene pixels where the skull should be"
    shades=$(convert "$2" -crop "$skull" +repage -format %k info:)
    [ "$shades" -gt 50 ] || fail "the skull shows only $shades colours: not lit"
    bright=$(convert "$2" -crop "300x$((cy - 40))+$((cx - 150))+0" +repage -colorspace Gray -threshold 60% \
        -format '%[fx:round(mean*w*h)]' info:)
    [ "$bright" -gt 30 ] || fail "no particles above the skull ($bright bright pixels)"
    note "scene: $lit lit pixels in $shades shades, $bright particle pixels"
}

# Pixels of a region that differ by more than 10% between two images.
demo_changed_pixels() { # <image a> <image b> <geometry>
    local a b
    a=$(mktemp --suffix=.png) b=$(mktemp --suffix=.png)
    convert "$1" -crop "$3" +repage "$a" && convert "$2" -crop "$3" +repage "$b"
    compare -metric AE -fuzz 10% "$a" "$b" null: 2>&1 | cut -d' ' -f1
    rm -f "$a" "$b"
}

# Resident memory (kB) of the Vexa2.exe process running in the scratch folder, 0 when there is
# none. (Inside a virtual desktop it is not a Unix child of the process the test started.)
demo_rss() {
    local dir p
    for dir in /proc/[0-9]*; do
        [ "$(readlink "$dir/cwd" 2>/dev/null)" = "$DEMO_SCRATCH" ] || continue
        # The program itself: its first argument is the exe (start and the desktop's explorer only
        # name it).
        tr '\0' '\n' <"$dir/cmdline" 2>/dev/null | head -1 | grep -q 'Vexa2\.exe$' || continue
        p=$(awk '/^VmRSS:/ { print $2 }' "$dir/status" 2>/dev/null)
        [ -n "$p" ] && { echo "$p"; return 0; }
    done
    echo 0
}

# Succeeds once no Vexa2.exe runs in the scratch folder (also inside a virtual desktop).
demo_gone() {
    [ "$(demo_rss)" = 0 ]
}

# Escape, held a frame at a time, until the process ends; expects exit code 0 and a clean log.
demo_escape_and_check() { # <pid>
    e2e_escape_until_gone e2e_gone "$1"
    e2e_wait "$1" 1
    [ "$exit_code" != 124 ] || fail "still running 40 s after Escape"
    [ "$exit_code" = 0 ] || fail "exit code $exit_code after Escape (0 expected)"
    e2e_expect_clean_log "$DEMO_SCRATCH/myLog.log"
}
