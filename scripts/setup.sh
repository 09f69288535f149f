#!/usr/bin/env bash
# Installs what the build, the tests, the demo and the benchmarks need, from Debian's packages.
# Quick and silent when everything is already there.
set -euo pipefail

# Both Windows platforms: Win32 (i686 compilers, 32-bit Wine and Mesa) and x64 (x86-64
# compilers, 64-bit Wine and Mesa). Hosts that cannot run 32-bit programs still install the
# 32-bit ones: the Win32 build is compiled there, never run.
packages=(
    cmake make g++-mingw-w64-i686 mingw-w64-i686-dev g++-mingw-w64-x86-64 mingw-w64-x86-64-dev
    wine wine32:i386 wine64 xvfb xauth xdotool x11-utils imagemagick
    libgl1:i386 libglx-mesa0:i386 libgl1-mesa-dri:i386 libgl1 libglx-mesa0 libgl1-mesa-dri
    googletest
    # The portable core's native build: clang with its sanitizer and libFuzzer runtimes; the
    # optimiser's benchmark compares against meshoptimizer.
    clang libclang-rt-14-dev libmeshoptimizer-dev
)

missing=()
for p in "${packages[@]}"; do
    status=$(dpkg-query -W -f='${db:Status-Abbrev}' "$p" 2>/dev/null || true)
    [[ $status == ii* ]] || missing+=("$p")
done
dpkg --print-foreign-architectures | grep -qx i386 || missing+=(i386-architecture)
[ ${#missing[@]} -eq 0 ] && exit 0

echo "setup: installing ${missing[*]}"
sudo=()
[ "$(id -u)" -eq 0 ] || sudo=(sudo)
export DEBIAN_FRONTEND=noninteractive
dpkg --print-foreign-architectures | grep -qx i386 || "${sudo[@]}" dpkg --add-architecture i386
"${sudo[@]}" apt-get update -qq
installable=()
for p in "${missing[@]}"; do [ "$p" = i386-architecture ] || installable+=("$p"); done
"${sudo[@]}" apt-get install -y -qq "${installable[@]}" >/dev/null
