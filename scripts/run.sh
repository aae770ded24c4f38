#!/usr/bin/env bash
# Installs what is missing, builds the client and starts it. Without a display it shows what the
# command-line client sees instead and says how to start the desktop client.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)" --target vellorin vellorinctl

if [ "$(id -u)" -eq 0 ]; then export QTWEBENGINE_DISABLE_SANDBOX=1; fi

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "No display found: showing the command-line client instead."
    ./build/bin/vellorinctl --version
    ./build/bin/vellorinctl settings
    echo
    echo "To start the desktop client on a desktop, run: ./build/bin/vellorin"
    echo "On a machine without a desktop: xvfb-run -a ./build/bin/vellorin"
    exit 0
fi
exec ./build/bin/vellorin "$@"
