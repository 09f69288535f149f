# Sourced: the Wine of one Windows platform, called by path. Debian's `wine` and `wineserver`
# commands pick the 32-bit loader whenever wine32 is installed, so x64 programs would never run.
# Sets and exports WINELOADER, WINESERVER and WINEARCH for VEXA_PLATFORM (x86 or x64; x86 when
# unset), and defines the checks that this Wine can start programs here.
case "${VEXA_PLATFORM:-x86}" in
x86) WINELOADER=/usr/lib/wine/wine WINESERVER=/usr/lib/wine/wineserver32 WINEARCH=win32 ;;
x64) WINELOADER=/usr/lib/wine/wine64 WINESERVER=/usr/lib/wine/wineserver64 WINEARCH=win64 ;;
*)
    echo "wine: unknown platform \"$VEXA_PLATFORM\" (x86 or x64)" >&2
    return 2 2>/dev/null || exit 2
    ;;
esac
export WINELOADER WINESERVER WINEARCH

# The 32-bit program whose start tells whether this host's kernel runs 32-bit x86 programs: the
# i386 dynamic loader of Debian's libc6:i386, unless VEXA_PROBE_32BIT names another.
vexa_probe_32bit=${VEXA_PROBE_32BIT:-/usr/lib/i386-linux-gnu/ld-linux.so.2}
vexa_can_run_32bit() {
    [ -e "$vexa_probe_32bit" ] && "$vexa_probe_32bit" --help >/dev/null 2>&1
}
# Win32 programs also need the 32-bit Wine (package wine32:i386), which a host may lack although
# its kernel runs 32-bit programs: scripts/setup.sh says so when it cannot install it.
vexa_wine32=${VEXA_WINE32:-/usr/lib/wine/wine}

# Fails with the cause and the fix when the platform's Wine cannot start programs here.
vexa_check_wine() {
    if [ ! -x "$WINELOADER" ] || [ ! -x "$WINESERVER" ]; then
        echo "wine: $WINELOADER is missing: Wine for ${VEXA_PLATFORM:-x86} is not installed;" \
             "run scripts/setup.sh" >&2
        return 1
    fi
    if [ "${VEXA_PLATFORM:-x86}" = x86 ] && ! vexa_can_run_32bit; then
        echo "wine: this host cannot run 32-bit programs (its kernel refuses them), so no Win32" \
             "program starts here; use the x64 build (./vexa.sh test x64)" >&2
        return 1
    fi
}
