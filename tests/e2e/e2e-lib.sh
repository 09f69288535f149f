# Shared steps of the end-to-end tests (sourced). Each test runs Vexa2.exe in a fresh scratch
# folder holding a copy of the run folder, drives it from outside and ends every process it
# started. Expects: E2E_BUILD (build dir), E2E_PROGRAM (Vexa2.exe), E2E_TOOLS (helper programs),
# E2E_SCRATCH (this test's scratch folder) and a DISPLAY (the runner's Xvfb).
source "$(dirname "${BASH_SOURCE[0]}")/../support/e2e-common.sh"

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
