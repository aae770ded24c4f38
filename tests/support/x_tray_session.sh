# Sourced by scripts that need a private X display (Xvfb, 1280x800, DISPLAY exported) with a tray
# host (trayer, top edge, right-aligned) and a window manager (openbox); logs go to WORKDIR.
# wait_until WHAT CONDITION...: polls for up to 10 s; on a time-out prints WHAT and fails.
wait_until() {
    local what=$1
    shift
    for _ in $(seq 200); do
        "$@" && return 0
        sleep 0.05
    done
    echo "$what did not start"
    return 1
}

# start_x_with_tray WORKDIR: sets xvfb_pid and trayer_pid.
start_x_with_tray() {
    Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp -noreset 3>"$1/display" \
        >"$1/xvfb.log" 2>&1 &
    xvfb_pid=$!
    wait_until Xvfb test -s "$1/display" || { cat "$1/xvfb.log"; return 1; }
    export DISPLAY=":$(cat "$1/display")"
    trayer --edge top --align right --widthtype request --height 24 --SetDockType true \
        --SetPartialStrut true >"$1/trayer.log" 2>&1 &
    trayer_pid=$!
}

# start_window_manager WORKDIR: sets wm_pid once openbox manages the screen.
start_window_manager() {
    openbox --config-file /etc/xdg/openbox/rc.xml --sm-disable >"$1/openbox.log" 2>&1 &
    wm_pid=$!
    wait_until openbox eval 'xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id"' ||
        { cat "$1/openbox.log"; return 1; }
}

stop_x_with_tray() {
    kill ${wm_pid:-} ${trayer_pid:-} ${xvfb_pid:-} 2>/dev/null || true
}
