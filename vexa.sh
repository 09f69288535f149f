#!/usr/bin/env bash
# Vexa2's one entry point.
#   ./vexa.sh test  [x86|x64]   install what is missing, build, run every test; build the other platform
#   ./vexa.sh demo  [x86|x64]   install, build, run the demo (headless: a screenshot)
#   ./vexa.sh bench [x86|x64]   install, build in release mode, print the benchmark figures
#   ./vexa.sh package           install, build in release mode, write dist/Vexa2-<version>-<win32|x64>.zip
#   ./vexa.sh fuzz  [seconds]   run every fuzz target of the portable core for that long each
# The platform is Win32 (x86) where this host runs 32-bit programs, x64 otherwise, unless named.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
jobs=$(nproc 2>/dev/null || echo 2)

usage() {
    echo "usage: $0 test|demo|bench [x86|x64]  or  $0 package  or  $0 fuzz [seconds]" >&2
    exit 2
}

configure() { # <build dir> <platform> <build type> [cmake options...]
    local toolchain=mingw-i686
    [ "$2" = x64 ] && toolchain=mingw-x64
    # Flags a build folder was given before are dropped: each call names all it wants.
    cmake -S "$root" -B "$1" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/$toolchain.cmake" \
          -UCMAKE_CXX_FLAGS_RELWITHDEBINFO -UCMAKE_C_FLAGS_RELWITHDEBINFO \
          -DCMAKE_BUILD_TYPE="$3" "${@:4}" >/dev/null
}

command=${1:-}
case "$command" in
test | demo | bench)
    [ $# -le 2 ] || usage
    "$root/scripts/setup.sh"
    platform=$("$root/scripts/choose-platform.sh" "${2:-}")
    ;;
package)
    [ $# -le 1 ] || usage
    "$root/scripts/setup.sh"
    platform=$("$root/scripts/choose-platform.sh")
    ;;
fuzz)
    [ $# -le 2 ] || usage
    "$root/scripts/setup.sh"
    exec "$root/scripts/fuzz.sh" "${2:-}"
    ;;
*) usage ;;
esac
other=x64
[ "$platform" = x64 ] && other=x86

case "$command" in
test)
    build=$root/build-$platform
    configure "$build" "$platform" RelWithDebInfo -DVEXA_RUN_TOOLS=ON
    cmake --build "$build" -j "$jobs"
    # The other platform is compiled and linked, never run: its build breaks the test command too.
    # Without debug information (most of a file's compile time), otherwise as the tested build.
    echo "Building $other (compile and link only)"
    configure "$root/build-$other" "$other" RelWithDebInfo -DVEXA_RUN_TOOLS=OFF \
              -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O2 -DNDEBUG" -DCMAKE_C_FLAGS_RELWITHDEBINFO="-O2 -DNDEBUG"
    cmake --build "$root/build-$other" -j "$jobs"
    "$root/scripts/native-test.sh" "$root/build-native"
    # Three at a time: the display tests, the device tests and the virtual desktops' each run
    # one after another, beside each other (tests/CMakeLists.txt).
    "$root/scripts/xvfb-session.sh" --services "$build/wineprefix" \
        ctest --test-dir "$build" --output-on-failure -j 3 --timeout 600
    ;;
demo)
    build=$root/build-$platform
    configure "$build" "$platform" RelWithDebInfo -DVEXA_RUN_TOOLS=ON
    cmake --build "$build" -j "$jobs" --target demo_run_folder vexa_postclose
    exec "$root/scripts/demo.sh" "$build"
    ;;
bench)
    build=$root/build-$platform-release
    configure "$build" "$platform" Release -DVEXA_RUN_TOOLS=ON
    cmake --build "$build" -j "$jobs" --target benchmarks >&2  # stdout holds the figures alone
    echo "platform: $platform"
    "$root/scripts/xvfb-session.sh" "$build/wineprefix" "$root/bench/run.sh" "$build"
    ;;
package)
    # The assets are the same bytes on both platforms: the platform this host runs makes them, the
    # other's program is only cross-compiled and packed with them (package/CMakeLists.txt).
    for p in "$platform" "$other"; do
        run_tools=ON
        [ "$p" = "$platform" ] || run_tools=OFF
        configure "$root/build-$p-release" "$p" Release -DVEXA_RUN_TOOLS=$run_tools \
                  -DVEXA_PACKAGE_ASSETS="$root/build-$platform-release/run" -DVEXA_PACKAGE_OUTPUT="$root/dist"
        cmake --build "$root/build-$p-release" -j "$jobs" --target package_zip
    done
    for p in "$platform" "$other"; do
        zip=$(sed -n 's/^VEXA_PACKAGE_ZIP:INTERNAL=//p' "$root/build-$p-release/CMakeCache.txt")
        echo "$zip: $(stat -c %s "$zip") bytes"
    done
    ;;
esac
