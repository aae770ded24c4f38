#!/usr/bin/env bash
# Runs whole_program.py on a private Xvfb display with openbox (whose title bars carry the close
# box) and a tray host (trayer), in a private D-Bus session whose AT-SPI bus starts on demand.
#   tests/desktop/whole_program.sh BIN_DIR OUT_DIR   (BIN_DIR: the build's bin folder)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=../support/x_tray_session.sh
source "$here/../support/x_tray_session.sh"
for tool in Xvfb openbox trayer xdotool xprop xwininfo import dbus-run-session \
    /usr/libexec/at-spi-bus-launcher "$1/desktop_drag_source"; do
    command -v "$tool" >/dev/null || { echo "missing: $tool (scripts/test.sh installs it)"; exit 1; }
done
/usr/bin/python3 -c 'import pyatspi, lz4.block' || { echo "missing: pyatspi or lz4"; exit 1; }
workdir=$(mktemp -d)
trap 'stop_x_with_tray; rm -rf "$workdir"' EXIT
start_x_with_tray "$workdir"
start_window_manager "$workdir"
# No session bus of the caller's: the client, the accessibility bus and the driver share a new one.
unset DBUS_SESSION_BUS_ADDRESS
dbus-run-session -- /usr/bin/python3 "$here/whole_program.py" "$1" "$2"
