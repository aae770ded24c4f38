# Sourced by the scripts that need a private X display with a tray host.
#
# start_x_with_tray WORKDIR
#   Starts Xvfb on a free display (1280x800) and trayer at its top edge, right-aligned, where a
#   tray menu opens under the pointer unless the program places it. Exports DISPLAY and sets
#   xvfb_pid and trayer_pid, which the caller kills when it is done. Logs go to WORKDIR.
start_x_with_tray() {
    local workdir=$1
    # Xvfb picks a free display and writes its number.
    Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp -noreset 3>"$workdir/display" \
        >"$workdir/xvfb.log" 2>&1 &
    xvfb_pid=$!
    for _ in $(seq 200); do
        [ -s "$workdir/display" ] && break
        sleep 0.05
    done
    if [ ! -s "$workdir/display" ]; then
        echo "Xvfb did not start"
        cat "$workdir/xvfb.log"
        return 1
    fi
    export DISPLAY=":$(cat "$workdir/display")"
    # The strut keeps a window manager's windows (their title bars) out of the panel's strip.
    trayer --edge top --align right --widthtype request --height 24 --SetDockType true \
        --SetPartialStrut true >"$workdir/trayer.log" 2>&1 &
    trayer_pid=$!
}

# start_window_manager WORKDIR
#   Starts a window manager (openbox, with Debian's own configuration, so the title bars carry
#   the close, maximise and minimise boxes a desktop user sees) on the display of
#   start_x_with_tray and waits until it manages the screen. Sets wm_pid. Its log goes to WORKDIR.
start_window_manager() {
    local workdir=$1
    openbox --config-file /etc/xdg/openbox/rc.xml --sm-disable >"$workdir/openbox.log" 2>&1 &
    wm_pid=$!
    # A window manager announces itself with the root window's _NET_SUPPORTING_WM_CHECK.
    for _ in $(seq 200); do
        xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && return 0
        sleep 0.05
    done
    echo "openbox did not start"
    cat "$workdir/openbox.log"
    return 1
}

# stop_x_with_tray
#   Ends the window manager, the tray host and the display that start_x_with_tray and
#   start_window_manager started, if they did.
stop_x_with_tray() {
    local pid
    for pid in ${wm_pid:-} ${trayer_pid:-} ${xvfb_pid:-}; do
        kill "$pid" 2>/dev/null || true
    done
}
