#!/usr/bin/env bash
# Chooses the Windows platform that this host builds, tests and runs: Win32 (x86, the shipped
# program) where the kernel starts 32-bit programs, x64 where it does not. An argument forces one.
# Prints the platform on stdout and one line on stderr saying which and why; forcing x86 on a
# host that cannot run it fails at once.
# Usage: choose-platform.sh [x86|x64]   (VEXA_PROBE_32BIT: the 32-bit program the probe runs)
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source=wine-platform.sh
. "$here/wine-platform.sh"
probe=$vexa_probe_32bit

case "${1:-}" in
"")
    if ! vexa_can_run_32bit; then
        echo "platform: x64 (this host cannot run 32-bit programs: $probe does not start)" >&2
        echo x64
    elif [ ! -x "$vexa_wine32" ]; then
        echo "platform: x64 (32-bit Wine is not installed: $vexa_wine32 is missing)" >&2
        echo x64
    else
        echo "platform: x86 (Win32: this host runs 32-bit programs; ./vexa.sh <command> x64 forces x64)" >&2
        echo x86
    fi
    ;;
x86)
    if ! vexa_can_run_32bit; then
        echo "vexa: x86 cannot run on this host: it refuses 32-bit programs ($probe does not start)." \
             "Use x64, or leave the platform out to have it chosen." >&2
        exit 1
    fi
    if [ ! -x "$vexa_wine32" ]; then
        echo "vexa: x86 cannot run on this host: 32-bit Wine is not installed ($vexa_wine32 is missing)." \
             "Use x64, or leave the platform out to have it chosen." >&2
        exit 1
    fi
    echo "platform: x86 (asked for)" >&2
    echo x86
    ;;
x64)
    echo "platform: x64 (asked for)" >&2
    echo x64
    ;;
*)
    echo "vexa: unknown platform \"$1\": x86 or x64" >&2
    exit 2
    ;;
esac
