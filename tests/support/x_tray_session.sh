# Sourced by scripts that need a private X display (Xvfb, 1280x800, DISPLAY exported) with a tray
# host (trayer, top edge, right-aligned) and a window manager (openbox); logs go to WORKDIR.
# start_x_with_tray WORKDIR: sets xvfb_pid and trayer_pid.
start_x_with_tray() {
    local workdir=$1
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
    trayer --edge top --align right --widthtype request --height 24 --SetDockType true \
        --SetPartialStrut true >"$workdir/trayer.log" 2>&1 &
    trayer_pid=$!
}

# start_window_manager WORKDIR: sets wm_pid once openbox manages the screen.
start_window_manager() {
    local workdir=$1
    openbox --config-file /etc/xdg/openbox/rc.xml --sm-disable >"$workdir/openbox.log" 2>&1 &
    wm_pid=$!
    for _ in $(seq 200); do
        xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && return 0
        sleep 0.05
    done
    echo "openbox did not start"
    cat "$workdir/openbox.log"
    return 1
}

stop_x_with_tray() {
    local pid
    for pid in ${wm_pid:-} ${trayer_pid:-} ${xvfb_pid:-}; do
        kill "$pid" 2>/dev/null || true
    done
}
