#!/usr/bin/env bash
# Vexa2's one entry point.
#   ./vexa.sh test    install what is missing, build, run every test
#   ./vexa.sh demo    install, build, run the demo (headless: a screenshot)
#   ./vexa.sh bench   install, build in release mode, print the benchmark figures
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
jobs=$(nproc 2>/dev/null || echo 2)

configure() { # <build dir> <build type>
    cmake -S "$root" -B "$1" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake" \
          -DCMAKE_BUILD_TYPE="$2" >/dev/null
}

case "${1:-}" in
test)
    "$root/scripts/setup.sh"
    build=$root/build
    configure "$build" RelWithDebInfo
    cmake --build "$build" -j "$jobs"
    "$root/scripts/xvfb-session.sh" "$build/wineprefix" \
        ctest --test-dir "$build" --output-on-failure -j "$jobs" --timeout 600
    ;;
demo)
    "$root/scripts/setup.sh"
    build=$root/build
    configure "$build" RelWithDebInfo
    cmake --build "$build" -j "$jobs" --target demo_run_folder vexa_postclose
    exec "$root/scripts/demo.sh" "$build"
    ;;
bench)
    "$root/scripts/setup.sh"
    build=$root/build-release
    configure "$build" Release
    cmake --build "$build" -j "$jobs" --target benchmarks
    "$root/scripts/xvfb-session.sh" "$build/wineprefix" "$root/bench/run.sh" "$build"
    ;;
*)
    echo "usage: $0 test | demo | bench" >&2
    exit 2
    ;;
esac
