# Steps every end-to-end script shares (sourced by tests/e2e/e2e-lib.sh and
# tests/demo_e2e/demo-lib.sh): failing, the processes a test started and their ending, waiting for
# a window or a process, Escape until a program is gone, reading a pixel, and the log a clean run
# leaves.
set -uo pipefail

e2e_pids=()

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

note() {
    echo "$*"
}

# Ends every process the test started; a virtual desktop's own prefix (e2e_desktop_prefix) ends
# with the test too, its desktop and wineserver included.
e2e_cleanup() {
    local pid
    for pid in "${e2e_pids[@]}"; do
        if kill -0 "$pid" 2>/dev/null; then
            echo "cleanup: ending process $pid" >&2
            kill "$pid" 2>/dev/null
            wait "$pid" 2>/dev/null
        fi
    done
    [ -n "${e2e_desktop_prefix:-}" ] &&
        VEXA_WINEPREFIX=$e2e_desktop_prefix "$(dirname "$e2e_desktop_prefix")/wine-run" --server -k 2>/dev/null
    # Keys go to the window under the pointer: leave it where a new X server has it, in the
    # middle, for the next test (the virtual-desktop tests park it in a corner).
    local width height
    read -r width height < <(xdotool getdisplaygeometry 2>/dev/null) &&
        xdotool mousemove $((width / 2)) $((height / 2)) 2>/dev/null
    return 0
}
trap e2e_cleanup EXIT

[ -n "${DISPLAY:-}" ] || fail "no DISPLAY: run under scripts/xvfb-session.sh"

# Waits for a visible X window whose name matches; prints its id (empty on time-out, or once the
# process <pid> has ended) and gives it the keyboard focus. Polls: a search ends at once with
# BadWindow when a window vanishes while it is being examined, as Wine's do around a message box
# and a device being created.
e2e_window() { # <name regex> <timeout s> [<pid>]
    local deadline=$((SECONDS + $2)) found
    while :; do
        found=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -1)
        if [ -n "$found" ]; then
            # With no window manager, an earlier test may have left the focus elsewhere.
            xdotool windowfocus "$found" 2>/dev/null
            echo "$found"
            return 0
        fi
        [ "$SECONDS" -lt "$deadline" ] || return 0
        [ -z "${3:-}" ] || kill -0 "$3" 2>/dev/null || return 0
        sleep 0.2
    done
}

# Succeeds when no window matches the search, fails when one does. A search cut short (see
# e2e_window) is repeated: it never counts as "no window", and the test fails if none completes.
e2e_no_window() { # <xdotool search options...>
    local attempt out
    for attempt in $(seq 1 20); do
        out=$(xdotool search "$@" 2>&1)
        [ -z "$out" ] && return 0
        grep -qv '^[0-9]*$' <<<"$out" || return 1
        sleep 0.1
    done
    fail "no window search completed: $out"
}

# Waits up to <timeout> s for a started process; sets `exit_code` (124 on time-out).
e2e_wait() { # <pid> <timeout s>
    local pid=$1 waited=0
    while kill -0 "$pid" 2>/dev/null && [ "$waited" -lt $(($2 * 10)) ]; do
        sleep 0.1
        waited=$((waited + 1))
    done
    if kill -0 "$pid" 2>/dev/null; then
        exit_code=124
    else
        wait "$pid"
        exit_code=$?
    fi
}

# Escape, held a few frames at a time, until <command...> succeeds (the program is gone): at most
# 30 presses about a second apart, as a mode switch or a focus change may swallow some.
# Fails unless the program ended.
e2e_escape_until_gone() { # <command...>
    local i
    for i in $(seq 1 30); do
        "$@" && return 0
        xdotool keydown Escape
        sleep 0.3
        xdotool keyup Escape
        sleep 0.7
    done
    "$@"
}

# Succeeds once a process the test started has ended.
e2e_gone() { # <pid>
    ! kill -0 "$1" 2>/dev/null
}

# Colour of one pixel of an image as six hex digits (RRGGBB).
e2e_pixel() { # <image> <x> <y>
    convert "$1" -format "%[hex:p{$2,$3}]" info: | cut -c1-6
}

e2e_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)

# The source file of a log entry's file field (".\Mesh_X" -> Vexa2/Resources/Mesh_X.cpp); fails
# when the repository holds none.
e2e_source_of() { # <file field>
    local path=${1#.\\} dir
    path=${path//\\//}
    for dir in "" Vexa2/Resources/ Vexa2/Demo/; do
        [ -f "$e2e_root/$dir$path.cpp" ] && { echo "$e2e_root/$dir$path.cpp"; return 0; }
    done
    return 1
}

# The log's text (UTF-8, LF line ends) with the line of every "[F | Q | LINE: L] >> ..." entry
# that names a report site (line L of F's source holds VLIB_HERE) written as "*". A line that
# names no report stays a number, so that comparing with "LINE: *" catches it.
e2e_log_text() { # <log file>
    local line source re='^([^[]*\[([^]|]*) \| [^|]* \| LINE: )([0-9]+)(\] >> .*)$'
    iconv -f UTF-16LE -t UTF-8 "$1" | tr -d '\r' | while IFS= read -r line; do
        if [[ $line =~ $re ]]; then
            source=$(e2e_source_of "${BASH_REMATCH[2]}") &&
                sed -n "${BASH_REMATCH[3]}p" "$source" | grep -q 'VLIB_HERE(' &&
                line=${BASH_REMATCH[1]}'*'${BASH_REMATCH[4]}
        fi
        printf '%s\n' "$line"
    done
}

# The log a clean run leaves: byte-order mark and the header "myLog.log" CR LF CR LF, UTF-16LE.
e2e_expect_clean_log() { # <file>
    [ -f "$1" ] || fail "no log file $1"
    local expected actual
    expected=$( (printf '\xff\xfe'; printf 'myLog.log\r\n\r\n' | iconv -f ASCII -t UTF-16LE) | xxd -p | tr -d '\n')
    actual=$(xxd -p "$1" | tr -d '\n')
    if [ "$actual" != "$expected" ]; then
        echo "log bytes: $actual" >&2
        iconv -f UTF-16LE -t UTF-8 "$1" >&2
        fail "the log holds more than its header"
    fi
}
