#!/usr/bin/env bash
# Runs whole_program.py on a private Xvfb display with a window manager (openbox, whose title bars
# carry the close box) and an X11 tray host (trayer) at the top edge, inside a private D-Bus
# session whose accessibility bus (AT-SPI) starts on demand.
#   tests/desktop/whole_program.sh BIN_DIR OUT_DIR
# BIN_DIR holds vellorin, vellorinctl and desktop_drag_source (the build's bin folder);
# screenshots, the client's output and, on a failure, its accessible tree go to OUT_DIR.
set -euo pipefail
bin_dir=$1
out_dir=$2
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=../support/x_tray_session.sh
source "$here/../support/x_tray_session.sh"

missing=()
for tool in Xvfb openbox trayer xdotool xprop xwininfo import dbus-run-session; do
    command -v "$tool" >/dev/null || missing+=("$tool")
done
[ -x /usr/libexec/at-spi-bus-launcher ] || missing+=(at-spi-bus-launcher)
/usr/bin/python3 -c 'import pyatspi' 2>/dev/null || missing+=(pyatspi)
/usr/bin/python3 -c 'import lz4.block' 2>/dev/null || missing+=(python3-lz4)
[ -x "$bin_dir/desktop_drag_source" ] || missing+=("$bin_dir/desktop_drag_source (build it)")
if [ ${#missing[@]} -gt 0 ]; then
    echo "missing: ${missing[*]} (scripts/test.sh installs them)"
    exit 1
fi

workdir=$(mktemp -d)
cleanup() {
    stop_x_with_tray
    rm -rf "$workdir"
}
trap cleanup EXIT

start_x_with_tray "$workdir"
start_window_manager "$workdir"

# No session bus of the caller's: the client, the accessibility bus and the driver share a new one.
unset DBUS_SESSION_BUS_ADDRESS
dbus-run-session -- /usr/bin/python3 "$here/whole_program.py" "$bin_dir" "$out_dir"
