# Shared steps of the end-to-end tests (sourced). Each test runs Vexa2.exe in a fresh scratch
# folder holding a copy of the run folder, drives it from outside and ends every process it
# started. Expects: E2E_BUILD (build dir), E2E_PROGRAM (Vexa2.exe), E2E_TOOLS (helper programs),
# E2E_SCRATCH (this test's scratch folder) and a DISPLAY (the runner's Xvfb).
set -uo pipefail

e2e_pids=()

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

note() {
    echo "$*"
}

e2e_cleanup() {
    local pid
    for pid in "${e2e_pids[@]}"; do
        if kill -0 "$pid" 2>/dev/null; then
            echo "cleanup: ending process $pid" >&2
            kill "$pid" 2>/dev/null
            wait "$pid" 2>/dev/null
        fi
    done
}
trap e2e_cleanup EXIT

[ -n "${DISPLAY:-}" ] || fail "no DISPLAY: run under scripts/xvfb-session.sh"
run_folder=$(dirname "$E2E_PROGRAM")

# Fresh scratch folder with everything the program needs next to it (assets once they exist),
# but not the log of an earlier run in the run folder.
e2e_scratch() {
    rm -rf "$E2E_SCRATCH" && mkdir -p "$E2E_SCRATCH" || fail "cannot create $E2E_SCRATCH"
    local entry
    for entry in "$run_folder"/* "$run_folder"/.[!.]*; do
        [ -e "$entry" ] || continue
        case "$(basename "$entry")" in
        Vexa2.exe | myLog.log) ;;
        *) cp -r "$entry" "$E2E_SCRATCH/" ;;
        esac
    done
}

# Runs a Windows program of the build in the scratch folder, in the background.
# Sets `last_pid`.
e2e_start() {
    (cd "$E2E_SCRATCH" && exec "$E2E_BUILD/wine-run" "$@") &
    last_pid=$!
    e2e_pids+=("$last_pid")
}

# Waits for an X window whose name matches the pattern; prints its id.
e2e_window() { # <name regex> <timeout s>
    timeout "$2" xdotool search --sync --onlyvisible --name "$1" 2>/dev/null | head -1
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

# The close button's message, through the helper (finds the window by its class name).
e2e_post_close() {
    "$E2E_BUILD/wine-run" "$E2E_TOOLS/vexa_post_close.exe" 10000 >/dev/null ||
        fail "vexa_post_close found no window of class \"Vexa2 v0.2\""
}

# The log-failure message box: caption "Error", text "Cannot initialize Logger", one button.
e2e_expect_logger_box() {
    local texts
    texts=$("$E2E_BUILD/wine-run" "$E2E_TOOLS/vexa_read_dialog.exe" Error | tr -d '\r')
    grep -qx "Cannot initialize Logger" <<<"$texts" || fail "message box texts: $(tr '\n' '|' <<<"$texts")"
    grep -qx "OK" <<<"$texts" || fail "no OK button in the message box"
}

# Colour of one pixel of an image as six hex digits (RRGGBB).
e2e_pixel() { # <image> <x> <y>
    convert "$1" -format "%[hex:p{$2,$3}]" info: | cut -c1-6
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
