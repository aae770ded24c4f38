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
    trayer --edge top --align right --widthtype request --height 24 --SetDockType true \
        >"$workdir/trayer.log" 2>&1 &
    trayer_pid=$!
}

# stop_x_with_tray
#   Ends the tray host and the display that start_x_with_tray started, if it did.
stop_x_with_tray() {
    local pid
    for pid in ${trayer_pid:-} ${xvfb_pid:-}; do
        kill "$pid" 2>/dev/null || true
    done
}
