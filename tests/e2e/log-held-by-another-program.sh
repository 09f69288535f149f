#!/usr/bin/env bash
# Another program holds "myLog.log" open without sharing: the log cannot be opened, the message
# box "Error" appears, and after it the program runs and closes with exit code 0 without
# having written to the file.
source "$(dirname "$0")/e2e-lib.sh"
e2e_scratch

holder_out=$E2E_SCRATCH/holder.out
(cd "$E2E_SCRATCH" && exec "$E2E_BUILD/wine-run" "$E2E_TOOLS/vexa_hold_file.exe" myLog.log 60000 >"$holder_out") &
holder=$!
e2e_pids+=("$holder")
for attempt in $(seq 1 100); do
    grep -q held "$holder_out" 2>/dev/null && break
    sleep 0.1
done
grep -q held "$holder_out" || fail "the helper did not open myLog.log"

e2e_start "$E2E_PROGRAM"
program=$last_pid
box=$(e2e_window '^Error$' 30)
[ -n "$box" ] || fail "no message box named Error within 30 s"
e2e_expect_logger_box
note "message box \"Error\" shown"
xdotool key --window "$box" Return
window=$(e2e_window '^Vexa2' 30)
[ -n "$window" ] || fail "no window after the message box was dismissed"
note "window shown after the box was dismissed"

e2e_post_close
e2e_wait "$program" 15
[ "$exit_code" = 0 ] || fail "exit code $exit_code after WM_CLOSE"

touch "$E2E_SCRATCH/myLog.log.release"
e2e_wait "$holder" 10
[ "$exit_code" = 0 ] || fail "the helper ended with $exit_code"
[ ! -s "$E2E_SCRATCH/myLog.log" ] || fail "the held file was written to"
note "exit code 0, the held file untouched"
