# Sourced by the desktop benchmarks: starts Xvfb (it picks a free display number) and the tray
# host at the top edge, appends both to the caller's `pids`, and exports the display and the Qt
# settings the client runs with. $1: the benchmark's work folder.
start_x_session() {
    local work="$1"
    Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp -noreset 3>"$work/display" \
        >"$work/xvfb.log" 2>&1 &
    pids+=($!)
    for _ in $(seq 200); do
        [ -s "$work/display" ] && break
        sleep 0.05
    done
    export DISPLAY=":$(cat "$work/display")"
    trayer --edge top --align right --widthtype request --height 24 --SetDockType true \
        >"$work/trayer.log" 2>&1 &
    pids+=($!)
    unset DBUS_SESSION_BUS_ADDRESS
    export QT_QPA_PLATFORM=xcb XDG_RUNTIME_DIR="$work/runtime"
}
