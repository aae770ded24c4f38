#!/usr/bin/env bash
# Runs the tray host tests of gui_tests (its first argument) on a private Xvfb display with an
# X11 tray host (trayer) at the top edge of the screen, where a tray menu opens right under the
# pointer unless the program places it. The tests drive the mouse with xdotool.
set -euo pipefail
gui_tests=$1
shift
# shellcheck source=../support/x_tray_session.sh
source "$(dirname "$0")/../support/x_tray_session.sh"

workdir=$(mktemp -d)
cleanup() {
    stop_x_with_tray
    rm -rf "$workdir"
}
trap cleanup EXIT

start_x_with_tray "$workdir"

# No D-Bus tray here: Qt uses the X11 tray. Without a session bus, libdbus keeps a buffer of
# its failed connection to the end; the leak checker of the sanitizer build is told so.
unset DBUS_SESSION_BUS_ADDRESS
echo "leak:libdbus-1.so" >"$workdir/lsan.supp"
export LSAN_OPTIONS="suppressions=$workdir/lsan.supp${LSAN_OPTIONS:+:$LSAN_OPTIONS}"
export QT_QPA_PLATFORM=xcb VELLORIN_TRAY_HOST_TESTS=1
"$gui_tests" "$@"
