#!/usr/bin/env bash
# Installs what is missing, builds the client, starts the local demo service and then the client.
# On a first run (no source subscribed yet) the demo service's sources are subscribed, so the
# client has something to check without the real service. Without a display it checks the demo
# sources with the command-line client instead, prints the messages and says how to start the
# desktop client.
#
# Environment: VELLORIN_DEMO_PORT (default 8765), VELLORIN_DEMO_INTERVAL (minutes between new
# demo messages, default 3).
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)" --target vellorin vellorinctl vellorin-demo-service

bin=build/bin
port=${VELLORIN_DEMO_PORT:-8765}
interval=${VELLORIN_DEMO_INTERVAL:-3}
export no_proxy="127.0.0.1,localhost${no_proxy:+,$no_proxy}"

if [ "$(id -u)" -eq 0 ]; then export QTWEBENGINE_DISABLE_SANDBOX=1; fi

listening() { (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null; }

# The demo service: started here unless one already answers on its port; stopped again when this
# script started it and the client has ended.
demo_pid=""
stop_demo() {
    if [ -n "$demo_pid" ]; then kill "$demo_pid" 2>/dev/null || true; fi
}
trap stop_demo EXIT
if ! listening; then
    log="${TMPDIR:-/tmp}/vellorin-demo-service.log"
    "$bin/vellorin-demo-service" --port "$port" --interval "$interval" >"$log" 2>&1 &
    demo_pid=$!
    for _ in $(seq 100); do
        listening && break
        sleep 0.05
    done
    listening || { echo "The demo service did not start; see $log"; exit 1; }
    echo "Demo service: http://127.0.0.1:$port/ (a new message per source every $interval min)"
fi
# The demo sources are on this machine: the desktop client checks them without waiting for a
# route off it (as vellorinctl's --online below).
export VELLORIN_ONLINE="${VELLORIN_ONLINE:-1}"

# First run: subscribe the demo service's sources.
if [ -z "$("$bin/vellorinctl" sources 2>/dev/null)" ]; then
    echo "No source subscribed yet: subscribing the demo service's sources."
    while IFS=$'\t' read -r title link; do
        "$bin/vellorinctl" subscribe "$title" "$link" || true
    done < <("$bin/vellorin-demo-service" --port "$port" --print-links)
fi

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "No display found: checking the sources with the command-line client instead."
    echo
    # The demo service is on this machine, so the check need not wait for a route off it. The
    # transfer states (indented lines) are left out; failure boxes and the announcement stay.
    "$bin/vellorinctl" check --online 2>&1 | grep -v '^  ' || true
    echo
    echo "Messages (link, guid, read, date, time, title):"
    "$bin/vellorinctl" messages || true
    echo
    echo "To start the desktop client on a desktop, run: bash scripts/run.sh"
    echo "On a machine without a desktop: xvfb-run -a ./build/bin/vellorin"
    echo "(the demo service: ./build/bin/vellorin-demo-service --port $port)"
    exit 0
fi
"$bin/vellorin" "$@"
