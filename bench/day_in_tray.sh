#!/usr/bin/env bash
# A day in the tray: the desktop client's memory over many scheduled check runs in a row, on a
# private Xvfb display with a tray host (trayer), 200 sources x 50 messages checked against a
# local feed server on which nothing changes (after the first check every feed is answered with
# 304 Not Modified, as the real service answers an unchanged feed):
#
#   PSS after the last run minus PSS after the first run (300 runs)            < 5 MB
#
# The schedule is shortened for the benchmark: VELLORIN_SCHEDULE_SECONDS=0 lets the scheduler run
# at each of its 2-second ticks once a second has passed since the last run, so 300 runs (more
# than three days at the 15-minute schedule) take some 20 minutes. A run is counted as done when
# the server has answered its 200 requests (GET /count) and a moment has passed. PSS is Pss in
# /proc/PID/smaps_rollup of the client (messages open in the built-in view, inside the client).
#
# With MODE=menu the runs are the tray menu's "Check for New Messages" instead, chosen with
# xdotool one after the other (each shows the busy window), after the one scheduled run of the
# start-up.
#
# With OPEN=1 one message is also opened and closed after each run, from the keyboard as a person
# does it: the inbox is shown once from the tray menu, with the pane's "Messages" group; then, each time, a click into the tree,
# Home and Right open the first source, Down moves one message further than the last time, Enter
# opens it in its window (which marks it read) and Ctrl+W closes that. Screenshots of the first and the last message
# window go to the work folder (open-first.png, open-last.png), which is then kept.
#
# Usage: bench/day_in_tray.sh [RUNS]   (default 300)
# Environment: BUILD_DIR (default build), KEEP=1 keeps the work folder, EVERY (default 25) how
# often PSS is printed, FEED_SERVER a bench_feed_server built elsewhere, HEAPTRACK=1 runs the
# client under heaptrack (the profile is left in the work folder, which is then kept; read it
# with heaptrack_print).
set -euo pipefail
cd "$(dirname "$0")/.."

runs=${1:-300}
mode=${MODE:-schedule}
every=${EVERY:-25}
build=${BUILD_DIR:-build}
sources=200
items=50

for tool in Xvfb trayer curl xdotool; do
    command -v "$tool" >/dev/null || { echo "missing: $tool (scripts/install-deps.sh)"; exit 1; }
done
[ "${OPEN:-0}" != 1 ] || KEEP=1
if [ "${HEAPTRACK:-0}" = 1 ]; then
    command -v heaptrack >/dev/null || { echo "missing: heaptrack"; exit 1; }
    KEEP=1
fi
if [ ! -f "$build/CMakeCache.txt" ]; then
    cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELLORIN_BUILD_GUI=ON \
        -DVELLORIN_BUILD_BENCH=ON >/dev/null
fi
targets=(vellorin vellorinctl)
[ -n "${FEED_SERVER:-}" ] || targets+=(bench_feed_server)
cmake --build "$build" --target "${targets[@]}" >/dev/null
bin="$PWD/$build/bin"
feed_server=${FEED_SERVER:-$PWD/$build/bench/bench_feed_server}

work=$(mktemp -d)
echo "work folder: $work"
pids=()
client_pid=""
cleanup() {
    if [ -n "$client_pid" ]; then kill "$client_pid" 2>/dev/null || true; fi
    for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
    if [ "${KEEP:-0}" != 1 ]; then rm -rf "$work"; fi
}
trap cleanup EXIT
export no_proxy="127.0.0.1,localhost"

# The application folder: the client and its files, away from the build's own.
mkdir -p "$work/app" "$work/runtime" "$work/home/Vellorin Data"
chmod 700 "$work/runtime"
cp "$bin/vellorin" "$work/app/"
find "$bin" -maxdepth 1 -type f ! -perm -u+x -exec cp {} "$work/app/" \;

# The feeds, and the data folder subscribed to them and filled by a first check.
"$feed_server" --sources "$sources" --items "$items" --urls "$work/urls" >"$work/server.out" 2>&1 &
pids+=($!)
for _ in $(seq 400); do
    grep -q '^PORT ' "$work/server.out" 2>/dev/null && break
    sleep 0.05
done
port=$(awk '/^PORT/ { print $2 }' "$work/server.out")
data="$work/home/Vellorin Data"
i=0
{
    printf '<?xml version="1.0" encoding="UTF-8"?>\r\n<sources>\r\n'
    while read -r url; do
        printf '<source id="%08X-0000-4000-8000-%012X" title="Bench source %d">%s</source>\r\n' \
            "$i" "$i" "$i" "$url"
        i=$((i + 1))
    done <"$work/urls"
    printf '</sources>\r\n'
} >"$data/subscriptions.dat"
"$bin/vellorinctl" --app-dir "$work/app" --data-dir "$data" check --online >/dev/null 2>&1 || true
echo "data: $(cat "$data"/*/inbox.dat | grep -c '^\[') messages in $sources sources"
answered() { curl -s "http://127.0.0.1:$port/count"; }
base=$(answered)

# The display: Xvfb picks a free display number; the tray host at the top edge.
source bench/x_session.sh
start_x_session "$work"

launcher=()
if [ "${HEAPTRACK:-0}" = 1 ]; then launcher=(heaptrack -o "$work/heaptrack"); fi
schedule=(VELLORIN_SCHEDULE_SECONDS=0)
[ "$mode" = schedule ] || schedule=()
env XDG_DATA_HOME="$work/home" HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" \
    VELLORIN_ONLINE=1 "${schedule[@]}" "${launcher[@]}" "$work/app/vellorin" -s \
    >"$work/client.log" 2>&1 &
client_pid=$!
# Under heaptrack the client is a child of the launcher.
pid=$client_pid
if [ "${HEAPTRACK:-0}" = 1 ]; then
    for _ in $(seq 200); do
        pid=$(pgrep -P "$client_pid" -x vellorin || true)
        [ -n "$pid" ] && break
        sleep 0.1
    done
fi

pss() { awk '/^Pss:/ { print $2 }' "/proc/$pid/smaps_rollup"; }
# The anonymous pages (the heap and the stacks; Anonymous in smaps_rollup), in KiB: where a leak
# shows. PSS also counts the libraries' pages, shared out among every process that maps them, so it
# moves by megabytes when another Qt program starts or ends on the machine.
anon() { awk '/^Anonymous:/ { print $2 }' "/proc/$pid/smaps_rollup"; }
# Waits until the server has answered at least `1` runs' requests and then nothing for a moment,
# between two runs (the next starts a second or more after the last ended); gives how many runs
# are over then.
wait_runs() {
    local want=$(($1 * sources + base)) deadline=$(($(date +%s) + 120)) n
    while :; do
        n=$(answered)
        if [ "$n" -ge "$want" ] && [ $(((n - base) % sources)) -eq 0 ]; then
            sleep 0.4
            [ "$(answered)" -eq "$n" ] && break
        fi
        [ "$(date +%s)" -lt "$deadline" ] || { echo "run $1 did not end (answered $n)" >&2; exit 1; }
        sleep 0.1
    done
    echo $(((n - base) / sources))
}

# The middle of the client's icon inside the tray host's panel, or nothing.
tray_icon() {
    local w
    for w in $(xdotool search --onlyvisible --classname '^vellorin$' 2>/dev/null); do
        eval "$(xdotool getwindowgeometry --shell "$w")"
        if [ "$WIDTH" -le 64 ] && [ "$HEIGHT" -le 64 ] && [ "$Y" -lt 24 ]; then
            echo "$((X + WIDTH / 2)) $((Y + HEIGHT / 2))"
            return
        fi
    done
}
# The tray menu's third item, "Check for New Messages".
check_from_tray() {
    local ix iy
    read -r ix iy < <(tray_icon)
    xdotool mousemove "$ix" "$iy" click 3
    sleep 0.5
    xdotool key Down Down Down Return
}

# The main window, shown from the tray menu's first item, "Show Inbox".
main_window() { xdotool search --onlyvisible --name '^Vellorin' 2>/dev/null | head -1; }
show_inbox() {
    local ix iy
    read -r ix iy < <(tray_icon)
    xdotool mousemove "$ix" "$iy" click 3
    sleep 0.5
    xdotool key Down Return
    for _ in $(seq 100); do
        [ -n "$(main_window)" ] && break
        sleep 0.1
    done
    [ -n "$(main_window)" ] || { echo "the inbox did not show" >&2; exit 1; }
    # The pane's first group, "Messages", holds the tree.
    eval "$(xdotool getwindowgeometry --shell "$(main_window)")"
    xdotool mousemove $((X + 30)) $((Y + 48)) click 1
    sleep 0.5
}
opened=0
# Opens the next message of the first source and closes its window (see the header).
open_and_close() {
    local w
    w=$(main_window)
    xdotool windowraise "$w" windowfocus "$w" 2>/dev/null || true
    eval "$(xdotool getwindowgeometry --shell "$w")"
    xdotool mousemove $((X + 60)) $((Y + HEIGHT / 2)) click 1
    xdotool key Home Right
    xdotool key --repeat $((opened % items + 1)) Down
    xdotool key Return
    sleep 0.7
    if [ "$opened" -eq 0 ] || [ "$run" -ge $((runs - 1)) ]; then
        import -window root "$work/open-$([ "$opened" -eq 0 ] && echo first || echo last).png"
    fi
    xdotool key ctrl+w
    sleep 0.3
    opened=$((opened + 1))
}

echo "mode: $mode$([ "${OPEN:-0}" = 1 ] && echo ', a message opened and closed after each run')"
echo "runs  opened  PSS KiB  growth since run 1  anon KiB  growth"
start=$(date +%s)
run=$(wait_runs 1) || exit 1
if [ "${OPEN:-0}" = 1 ]; then
    show_inbox
    open_and_close
    run=$(wait_runs $((run + 1))) || exit 1
fi
first=$(pss)
first_anon=$(anon)
first_run=$run
printf '%4d  %6d  %7d  %+7d  %7d  %+7d\n' "$run" "$opened" "$first" 0 "$first_anon" 0
next=$every
# With OPEN=1 the runs go on until as many messages have been opened and closed as runs were
# asked for (a run may end while a message is open, so there are some more runs).
more() { [ "$run" -lt "$1" ] || { [ "${OPEN:-0}" = 1 ] && [ "$opened" -lt "$1" ]; }; }
while more "$runs"; do
    [ "$next" -le "$runs" ] || next=$runs
    if [ "$mode" = menu ]; then
        while [ "$run" -lt "$next" ]; do
            check_from_tray
            run=$(wait_runs $((run + 1))) || exit 1
        done
    elif [ "${OPEN:-0}" = 1 ]; then
        while more "$next"; do
            open_and_close
            run=$(wait_runs $((run + 1))) || exit 1
        done
    else
        run=$(wait_runs "$next") || exit 1
    fi
    now=$(pss)
    now_anon=$(anon)
    printf '%4d  %6d  %7d  %+7d  %7d  %+7d\n' "$run" "$opened" "$now" $((now - first)) "$now_anon" \
        $((now_anon - first_anon))
    next=$((run + every))
done
last=$now
last_anon=$now_anon
seconds=$(($(date +%s) - start))
if [ "${OPEN:-0}" = 1 ]; then
    echo "messages opened and closed: $opened; read in the inboxes now:" \
        "$(cat "$data"/*/inbox.dat | grep -ci '^read=1')"
fi
growth=$((last - first))
verdict=ok
[ "$growth" -lt 5120 ] || verdict=MISSED
echo
echo "a day in the tray: $run runs of $sources sources in $seconds s (load average $(cut -d' ' -f1-3 /proc/loadavg))"
awk -v g="$growth" -v r="$run" -v f="$first_run" -v v="$verdict" 'BEGIN {
    printf "  PSS growth from run %d to run %d: %+.2f MB (target < 5 MB) %s; %.1f KiB per run\n",
        f, r, g / 1024, v, g / (r - f) }'
awk -v g="$((last_anon - first_anon))" -v r="$run" -v f="$first_run" 'BEGIN {
    printf "  anonymous pages from run %d to run %d: %+.2f MB, %.1f KiB per run\n", f, r, g / 1024,
        g / (r - f) }'
if [ "${HEAPTRACK:-0}" = 1 ]; then
    kill "$pid" 2>/dev/null || true
    wait "$client_pid" 2>/dev/null || true
    client_pid=""
    echo "  heap profile: $(ls "$work"/heaptrack*)"
fi
