#!/usr/bin/env bash
# "myLog.log" cannot be created (a directory of that name is in the way): the program says so in
# a message box "Error", and once it is dismissed runs normally and closes with exit code 0.
source "$(dirname "$0")/e2e-lib.sh"
e2e_scratch
mkdir "$E2E_SCRATCH/myLog.log"

e2e_start "$E2E_PROGRAM"
program=$last_pid
box=$(e2e_window '^Error$' 30)
[ -n "$box" ] || fail "no message box named Error within 30 s"
e2e_expect_logger_box
# The box comes first: no window of the program yet, and the program waits for the answer.
sleep 0.5
e2e_no_window --name '^Vexa2' || fail "the main window exists before the box is answered"
kill -0 "$program" 2>/dev/null || fail "the program did not wait for the message box"
note "message box \"Error\" shown before the window"

xdotool key --window "$box" Return
window=$(e2e_window '^Vexa2' 30)
[ -n "$window" ] || fail "no window after the message box was dismissed"
e2e_no_window --name '^Error$' || fail "the message box is still (or again) there"
note "window shown after the box was dismissed"

e2e_post_close
e2e_wait "$program" 15
[ "$exit_code" = 0 ] || fail "exit code $exit_code after WM_CLOSE"
[ -d "$E2E_SCRATCH/myLog.log" ] && [ -z "$(ls -A "$E2E_SCRATCH/myLog.log")" ] ||
    fail "the directory myLog.log was changed"
note "exit code 0, nothing written"
