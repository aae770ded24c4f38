#!/usr/bin/env bash
# Installs what is missing, builds everything with warnings as errors and runs every test.
#   scripts/test.sh              ordinary build in build/
#   scripts/test.sh --sanitize   AddressSanitizer + UndefinedBehaviorSanitizer build in build-asan/
set -euo pipefail
cd "$(dirname "$0")/.."

sanitize=OFF
build=build
if [ "${1:-}" = "--sanitize" ]; then
    sanitize=ON
    build=build-asan
fi

# The desktop test drives the client through the accessibility interface under a window manager,
# takes screenshots and writes a browser's compressed session file.
bash scripts/install-deps.sh at-spi2-core python3-pyatspi python3-lz4 dbus-daemon imagemagick \
    openbox

cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DVELLORIN_WERROR=ON -DVELLORIN_SANITIZE="$sanitize" -DVELLORIN_BUILD_BENCH="$([ $sanitize = ON ] && echo OFF || echo ON)"
cmake --build "$build" -j"$(nproc)"

export QT_QPA_PLATFORM=offscreen
# Qt WebEngine refuses to run as root without this.
if [ "$(id -u)" -eq 0 ]; then export QTWEBENGINE_DISABLE_SANDBOX=1; fi
if [ $sanitize = ON ]; then
    export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}"
    export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"
fi
ctest --test-dir "$build" --output-on-failure -j"$(nproc)"

# The ordinary build is also packaged, installed, started and removed again.
if [ $sanitize = OFF ]; then
    bash scripts/package.sh "$build"
fi
