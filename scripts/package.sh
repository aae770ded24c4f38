#!/usr/bin/env bash
# Builds the Debian package from a build folder (default build/), validates its desktop entry and
# AppStream metadata, installs it with apt-get, starts vellorinctl and the desktop client's tray
# icon from the installed paths, and removes the package again.
#   scripts/package.sh [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
# shellcheck source=../tests/support/x_tray_session.sh
source tests/support/x_tray_session.sh
build=${1:-build}

bash scripts/install-deps.sh
sudo=""
if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi

cmake --build "$build" -j"$(nproc)"
rm -f "$build"/vellorin_*.deb
(cd "$build" && cpack -G DEB >/dev/null)
deb=$(ls "$PWD/$build"/vellorin_*.deb)
echo "package: $deb"

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

if dpkg-query -W -f='${Status}' vellorin 2>/dev/null | grep -q "install ok installed"; then
    $sudo apt-get remove -y -qq vellorin >/dev/null
fi
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "$deb" \
    >"$work/install.log" 2>&1 || { cat "$work/install.log"; exit 1; }

fail() { echo "package: $*" >&2; exit 1; }

# The message view plugin, where the installed client looks for it (../lib/vellorin).
[ -f /usr/lib/vellorin/libvellorin_webview.so ] ||
    fail "no message view plugin in /usr/lib/vellorin"
ldd /usr/bin/vellorin | grep -qi webengine && fail "the client itself links the web engine"
ldd /usr/lib/vellorin/libvellorin_webview.so | grep -q 'not found' &&
    fail "the message view plugin misses libraries"

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

$sudo apt-get remove -y -qq vellorin >/dev/null
for path in /usr/bin/vellorin /usr/bin/vellorinctl /usr/share/vellorin /usr/lib/vellorin \
    /usr/share/applications/net.vellorin.Vellorin.desktop; do
    [ ! -e "$path" ] || fail "$path is left after removing the package"
done
echo "package: installed, started and removed cleanly"
