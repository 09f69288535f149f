#!/usr/bin/env bash
# The players' zip unpacked into a folder whose name has a space and a non-ASCII letter: Vexa2.exe
# starts from its folder there, draws the scene, shows the frame rate in its title and ends on
# Escape with exit code 0 and a log that holds only its header. Expects PACKAGE_ZIP besides
# demo-lib.sh's variables.
source "$(dirname "$0")/../demo_e2e/demo-lib.sh"
[ -f "$PACKAGE_ZIP" ] || fail "no $PACKAGE_ZIP (build package_zip)"
# Wine names Unix files in the locale's character set: in the C locale "ü" has no Windows name
# and Wine cannot even start the program in that folder.
export LC_ALL=C.UTF-8
unpacked="$DEMO_SCRATCH/Vexa2 Prüfung"
rm -rf "$DEMO_SCRATCH" && mkdir -p "$unpacked" || fail "cannot create $unpacked"
unzip -q "$PACKAGE_ZIP" -d "$unpacked" || fail "cannot unpack $PACKAGE_ZIP"
DEMO_SCRATCH=$unpacked/$(basename "$PACKAGE_ZIP" .zip)
[ -f "$DEMO_SCRATCH/Vexa2.exe" ] || fail "no $(basename "$DEMO_SCRATCH")/Vexa2.exe in the zip"

demo_start Vexa2.exe
program=$last_pid
demo_expect_window "$program"
demo_wait_fps "$window" 30 || fail "title without a frame rate: \"$(xdotool getwindowname "$window")\""
note "title: $(xdotool getwindowname "$window")"
demo_expect_scene "$window" "$unpacked/scene.png"
demo_escape_and_check "$program"
note "Escape: exit code 0, log holds only its header"
