#!/usr/bin/env bash
# Runs Vexa2.exe from the build's run folder headless: a private Xvfb, the window awaited, about
# four seconds of drawing, a screenshot of the window, then WM_CLOSE (as the close button sends
# it) and the exit awaited. Prints the screenshot's path.
# Usage: demo.sh <build dir>. With DISPLAY set it runs on that display until closed instead
# (VEXA_DEMO_HEADLESS=1 forces the headless run).
set -euo pipefail
build=$(cd "$1" && pwd)
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
run=$build/run
export VEXA_WINEPREFIX=$build/wineprefix
[ -f "$run/Vexa2.exe" ] || { echo "demo: $run/Vexa2.exe is missing (build demo_run_folder)" >&2; exit 1; }

if [ -n "${DISPLAY:-}" ] && [ "${VEXA_DEMO_HEADLESS:-0}" != 1 ]; then
    cd "$run" && exec "$build/wine-run" Vexa2.exe
fi

# The helper that posts WM_CLOSE (vexa.sh demo builds it with the run folder).
closer=$build/tests/e2e/vexa_post_close.exe
[ -f "$closer" ] || { echo "demo: $closer is missing (build vexa_postclose)" >&2; exit 1; }

shot=$build/demo.png
rm -f "$shot"
"$here/xvfb-session.sh" "$VEXA_WINEPREFIX" bash -c '
    set -uo pipefail
    run=$1 build=$2 shot=$3 closer=$4
    cd "$run" || exit 1
    "$build/wine-run" Vexa2.exe 2> >(grep -v "err:vulkan" >&2) &
    program=$!
    # Ends the program if anything below goes wrong; a no-op once it has exited.
    trap "kill $program 2>/dev/null" EXIT

    window=""
    for _ in $(seq 1 600); do
        kill -0 $program 2>/dev/null || break
        window=$(xdotool search --onlyvisible --name "^Vexa2" 2>/dev/null | head -1)
        [ -n "$window" ] && break
        # No log possible (e.g. myLog.log held elsewhere): answer the message box, run anyway.
        box=$(xdotool search --onlyvisible --name "^Error\$" 2>/dev/null | head -1)
        if [ -n "$box" ]; then
            echo "demo: \"Cannot initialize Logger\": running without a log" >&2
            xdotool key --window "$box" Return 2>/dev/null
        fi
        sleep 0.1
    done
    if [ -z "$window" ]; then
        wait $program; code=$?
        echo "demo: the window did not appear (exit code $code); see $run/myLog.log" >&2
        exit 1
    fi

    sleep 4
    import -window "$window" "$shot" || echo "demo: the screenshot failed" >&2
    echo "demo: title \"$(xdotool getwindowname "$window" 2>/dev/null)\""

    "$build/wine-run" "$closer" 10000 >/dev/null || echo "demo: could not post WM_CLOSE" >&2
    for _ in $(seq 1 150); do
        kill -0 $program 2>/dev/null || break
        sleep 0.1
    done
    if kill -0 $program 2>/dev/null; then
        echo "demo: still running 15 s after WM_CLOSE; ending it" >&2
        kill $program
        wait $program
        exit 1
    fi
    wait $program; code=$?
    echo "demo: exit code $code"
    [ $code -eq 0 ] && [ -s "$shot" ]
' demo "$run" "$build" "$shot" "$closer"
echo "demo: screenshot saved to $shot"
