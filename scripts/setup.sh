#!/usr/bin/env bash
# Installs what the build, the tests, the demo and the benchmarks need, from Debian's packages.
# Quick and silent when everything is already there.
set -euo pipefail

# Both Windows platforms: Win32 (i686 compilers, 32-bit Wine and Mesa) and x64 (x86-64
# compilers, 64-bit Wine and Mesa). Hosts that cannot run 32-bit programs still install the
# 32-bit ones: the Win32 build is compiled there, never run.
packages=(
    cmake make g++-mingw-w64-i686 mingw-w64-i686-dev g++-mingw-w64-x86-64 mingw-w64-x86-64-dev
    wine wine64 xvfb xauth xdotool x11-utils imagemagick libgl1 libglx-mesa0 libgl1-mesa-dri
    # The players' zip (package/pack.sh) and its tests.
    zip unzip
    # The start-up bench's first-frame helper is built for the host against Xlib.
    libx11-dev
    googletest
    # The portable core's native build: clang with its sanitizer and libFuzzer runtimes; the
    # optimiser's benchmark compares against meshoptimizer.
    clang libclang-rt-14-dev libmeshoptimizer-dev
)
# Only Win32 programs run on these. A mirror whose i386 lists lag behind its amd64 ones cannot
# install them; the host then builds Win32 and runs x64 (scripts/choose-platform.sh).
packages32=(wine32:i386 libgl1:i386 libglx-mesa0:i386 libgl1-mesa-dri:i386)

missing_of() { # <package...>: prints those not installed
    local p status
    for p in "$@"; do
        status=$(dpkg-query -W -f='${db:Status-Abbrev}' "$p" 2>/dev/null || true)
        [[ $status == ii* ]] || echo "$p"
    done
}
mapfile -t missing < <(missing_of "${packages[@]}")
mapfile -t missing32 < <(missing_of "${packages32[@]}")
# A refused 32-bit install is tried again after 12 hours, not at every command.
refused32=${XDG_CACHE_HOME:-$HOME/.cache}/vexa2-win32-refused
[ -n "$(find "$refused32" -mmin -720 2>/dev/null)" ] && missing32=()
[ ${#missing[@]} -eq 0 ] && [ ${#missing32[@]} -eq 0 ] && exit 0

echo "setup: installing ${missing[*]} ${missing32[*]}"
sudo=()
[ "$(id -u)" -eq 0 ] || sudo=(sudo)
export DEBIAN_FRONTEND=noninteractive
dpkg --print-foreign-architectures | grep -qx i386 || "${sudo[@]}" dpkg --add-architecture i386
# A list that fails to download leaves the others usable: the installs below tell.
"${sudo[@]}" apt-get update -qq 2>/dev/null || echo "setup: apt-get update reported errors; going on with the lists it has"
if [ ${#missing[@]} -gt 0 ]; then
    "${sudo[@]}" apt-get install -y -qq "${missing[@]}" >/dev/null
fi
if [ ${#missing32[@]} -gt 0 ] && ! "${sudo[@]}" apt-get install -y -qq "${missing32[@]}" >/dev/null 2>&1; then
    echo "setup: ${missing32[*]} cannot be installed from this host's package lists;" \
         "Win32 programs will not run here (x64 runs instead)"
    mkdir -p "$(dirname "$refused32")" && touch "$refused32"
fi
exit 0
