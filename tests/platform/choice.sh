#!/usr/bin/env bash
# The platform choice: Win32 where a 32-bit program starts, x64 where the kernel refuses it, and
# x86 forced on such a host refused at once, before anything is built.
set -uo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

# A program that runs, and one that the kernel refuses as it refuses every 32-bit program on a
# 64-bit-only host (an ELF image it cannot load: execve fails with ENOEXEC).
runs=/bin/true
refused=$scratch/i386-program
printf '\177ELF\001\001\001\000\000\000\000\000\000\000\000\000\002\000\003\000' >"$refused"
chmod +x "$refused"

expect() { # <what> <expected> <actual>
    [ "$2" = "$3" ] || { echo "FAIL: $1: expected \"$2\", got \"$3\"" >&2; exit 1; }
}

chosen=$(VEXA_PROBE_32BIT=$runs VEXA_WINE32=$runs "$root/scripts/choose-platform.sh" 2>"$scratch/said")
expect "choice where 32-bit programs start" x86 "$chosen"
expect "reason" "platform: x86 (Win32: this host runs 32-bit programs; ./vexa.sh <command> x64 forces x64)" \
    "$(cat "$scratch/said")"

chosen=$(VEXA_PROBE_32BIT=$runs VEXA_WINE32=$scratch/wine "$root/scripts/choose-platform.sh" 2>"$scratch/said")
expect "choice without 32-bit Wine" x64 "$chosen"
expect "reason" "platform: x64 (32-bit Wine is not installed: $scratch/wine is missing)" "$(cat "$scratch/said")"
VEXA_PROBE_32BIT=$runs VEXA_WINE32=$scratch/wine "$root/scripts/choose-platform.sh" x86 >/dev/null 2>&1
expect "exit code of x86 forced without 32-bit Wine" 1 "$?"

chosen=$(VEXA_PROBE_32BIT=$refused "$root/scripts/choose-platform.sh" 2>"$scratch/said")
expect "choice where they cannot" x64 "$chosen"
expect "reason" "platform: x64 (this host cannot run 32-bit programs: $refused does not start)" \
    "$(cat "$scratch/said")"

chosen=$(VEXA_PROBE_32BIT=$refused "$root/scripts/choose-platform.sh" x64 2>/dev/null)
expect "x64 asked for" x64 "$chosen"

# x86 forced where it cannot run: the README's command stops before configuring or building.
VEXA_PROBE_32BIT=$refused "$root/vexa.sh" bench x86 >"$scratch/out" 2>&1
expect "exit code of x86 forced on a 64-bit-only host" 1 "$?"
expect "its message" "vexa: x86 cannot run on this host: it refuses 32-bit programs ($refused does not start). Use x64, or leave the platform out to have it chosen." \
    "$(grep -v '^setup:' "$scratch/out")"

"$root/vexa.sh" test arm64 >"$scratch/out" 2>&1
expect "exit code of an unknown platform" 2 "$?"
expect "its message" 'vexa: unknown platform "arm64": x86 or x64' "$(grep -v '^setup:' "$scratch/out")"
echo "platform choice: all cases pass"
