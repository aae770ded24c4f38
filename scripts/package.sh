#!/usr/bin/env bash
# Builds the Debian packages from a build folder (default build/): vellorin, and vellorin-webview
# with the web engine's message view. Validates the desktop entry and AppStream metadata and the
# packages' relations; installs vellorin alone with apt-get, starts vellorinctl and the desktop
# client's tray icon from the installed paths and opens a message with the built-in view (the web
# engine not in the process's memory map); then installs vellorin-webview, chooses the engine in
# settings.cfg and opens a message with it; removes both packages again.
#   scripts/package.sh [BUILD_DIR]
# Screenshots of the installed client with a message open go to BUILD_DIR/package-test/.
set -euo pipefail
cd "$(dirname "$0")/.."
# shellcheck source=../tests/support/x_tray_session.sh
source tests/support/x_tray_session.sh
build=${1:-build}

# The message is opened through the accessibility interface, with a screenshot of each view.
bash scripts/install-deps.sh at-spi2-core python3-pyatspi dbus-daemon imagemagick
sudo=""
if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi

cmake --build "$build" -j"$(nproc)"
rm -f "$build"/vellorin_*.deb "$build"/vellorin-webview_*.deb
(cd "$build" && cpack -G DEB >/dev/null)
deb=$(ls "$PWD/$build"/vellorin_*.deb)
webview_deb=$(ls "$PWD/$build"/vellorin-webview_*.deb)
echo "package: $deb"
echo "package: $webview_deb"

desktop-file-validate packaging/net.vellorin.Vellorin.desktop
appstreamcli validate --no-net "$build/packaging/net.vellorin.Vellorin.metainfo.xml"

work=$(mktemp -d)
client_pid=""
cleanup() {
    [ -n "$client_pid" ] && kill "$client_pid" 2>/dev/null
    stop_x_with_tray
    rm -rf "$work"
}
trap cleanup EXIT

fail() { echo "package: $*" >&2; exit 1; }
installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"; }
install_deb() {
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "$1" \
        >"$work/install.log" 2>&1 || { cat "$work/install.log"; exit 1; }
}

# The packages' relations: the client needs no web engine and suggests the engine's package,
# which needs the web engine and the client of the same version.
field() { dpkg-deb --field "$1" "$2"; }
field "$deb" Depends | grep -qi webengine && fail "vellorin depends on the web engine"
field "$deb" Suggests | grep -qw vellorin-webview || fail "vellorin does not suggest vellorin-webview"
field "$webview_deb" Depends | grep -q "vellorin (= $(field "$deb" Version))" ||
    fail "vellorin-webview does not depend on vellorin of its version"
field "$webview_deb" Depends | grep -q libqt6webengine ||
    fail "vellorin-webview does not depend on the web engine"
dpkg-deb --contents "$deb" | grep -q libvellorin_webview && fail "vellorin holds the web engine plugin"

for package in vellorin-webview vellorin; do
    if installed "$package"; then $sudo apt-get remove -y -qq "$package" >/dev/null; fi
done
install_deb "$deb"
installed vellorin-webview && fail "installing vellorin brought vellorin-webview"
[ ! -e /usr/lib/vellorin/libvellorin_webview.so ] || fail "vellorin installed the engine plugin"
ldd /usr/bin/vellorin | grep -qi webengine && fail "the client itself links the web engine"

# vellorinctl from the installed paths: its version, and settings kept per user, not beside it.
/usr/bin/vellorinctl --version
mkdir -p "$work/home"
HOME="$work/home" XDG_CONFIG_HOME="" XDG_DATA_HOME="" /usr/bin/vellorinctl settings freq=1
grep -q '^freq=1' "$work/home/.config/Vellorin/settings.cfg" ||
    fail "the installed vellorinctl did not keep settings.cfg in ~/.config/Vellorin"
[ ! -e /usr/bin/settings.cfg ] && [ ! -e /usr/share/vellorin/settings.cfg ] ||
    fail "the installed vellorinctl wrote settings.cfg beside itself"
man -w vellorinctl >/dev/null 2>&1 || [ -e /usr/share/man/man1/vellorinctl.1.gz ] ||
    fail "no manual page for vellorinctl"

# The desktop client from the installed paths: its tray icon embedded in a real tray host.
start_x_with_tray "$work" || fail "Xvfb did not start"
sandbox=""
if [ "$(id -u)" -eq 0 ]; then sandbox="QTWEBENGINE_DISABLE_SANDBOX=1"; fi
env HOME="$work/home" XDG_CONFIG_HOME="" XDG_DATA_HOME="" DBUS_SESSION_BUS_ADDRESS="" \
    QT_QPA_PLATFORM=xcb $sandbox /usr/bin/vellorin -s >"$work/client.log" 2>&1 &
client_pid=$!
embedded=""
for _ in $(seq 200); do
    # The tray host's panel holds the client's icon window once it is embedded.
    if xwininfo -root -tree 2>/dev/null | awk '/"panel": \("panel" "trayer"\)/ { p = 1; next }
            p && /"vellorin": \("vellorin" "vellorin"\)/ { found = 1 } END { exit !found }'; then
        embedded=1
        break
    fi
    kill -0 "$client_pid" 2>/dev/null || break
    sleep 0.1
done
[ -n "$embedded" ] || { cat "$work/client.log"; fail "the installed client showed no tray icon"; }
echo "package: the installed client's tray icon is in the tray"
kill "$client_pid"
wait "$client_pid" 2>/dev/null || true
client_pid=""

# A message opened in the installed client: the main window shows at start where no tray host
# runs; the tree is worked through the accessibility interface.
kill "$trayer_pid" 2>/dev/null || true
trayer_pid=""
# Screenshots of the open message go to BUILD_DIR/package-test/.
shots="$PWD/$build/package-test"
mkdir -p "$shots"
open_message() {
    env -u DBUS_SESSION_BUS_ADDRESS dbus-run-session -- \
        /usr/bin/python3 scripts/package_open_message.py "$work" "$1" "$shots/$2.png"
}
# vellorin alone: the built-in view, whatever settings.cfg asks for.
open_message builtin builtin-view
HOME="$work/home" XDG_CONFIG_HOME="" XDG_DATA_HOME="" /usr/bin/vellorinctl settings webengine=1
grep -q '^webengine=1' "$work/home/.config/Vellorin/settings.cfg" ||
    fail "vellorinctl did not store webengine=1 in settings.cfg"
grep -q "^Web Engine Not Available: " "$work/client-builtin.log" &&
    fail "the client told of a missing web engine that was not chosen"
open_message builtin engine-chosen-not-installed
grep -c "^Web Engine Not Available: " "$work/client-builtin.log" | grep -qx 1 ||
    fail "the client did not tell once that the chosen web engine is missing"

# With vellorin-webview, where the installed client looks for it (../lib/vellorin).
install_deb "$webview_deb"
[ -f /usr/lib/vellorin/libvellorin_webview.so ] ||
    fail "no message view plugin in /usr/lib/vellorin"
ldd /usr/lib/vellorin/libvellorin_webview.so | grep -q 'not found' &&
    fail "the message view plugin misses libraries"
open_message engine engine-view
grep -q "^Web Engine Not Available: " "$work/client-engine.log" &&
    fail "the client told of a missing web engine that is installed"

$sudo apt-get remove -y -qq vellorin-webview >/dev/null
[ ! -e /usr/lib/vellorin ] || fail "/usr/lib/vellorin is left after removing vellorin-webview"
installed vellorin || fail "removing vellorin-webview removed vellorin"
$sudo apt-get remove -y -qq vellorin >/dev/null
for path in /usr/bin/vellorin /usr/bin/vellorinctl /usr/share/vellorin /usr/lib/vellorin \
    /usr/share/applications/net.vellorin.Vellorin.desktop; do
    [ ! -e "$path" ] || fail "$path is left after removing the package"
done
echo "package: installed, started, showed messages in both views and removed cleanly"
