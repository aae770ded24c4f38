#!/usr/bin/env bash
# The desktop client's speed and memory against its targets, on a private Xvfb display with a
# tray host (trayer), over data folders filled by vellorinctl from a local feed server:
#
#   tray icon shown after start (vellorin -s, 200 sources x 50 messages)          < 1000 ms
#   message tree filled, 100 sources x 1,000 messages (bench_desktop)             < 1000 ms
#   first message page of a session, built-in view (bench_desktop)                <  150 ms
#   a message page, built-in view (bench_desktop, median of 10)                   <   50 ms
#   idle in the tray, 200 x 50 messages, no message opened (vellorin -s), PSS     <   50 MB
#   (and its processor time over 20 idle seconds, reported beside it)
#   10,000 messages (200 x 50), one message open, built-in view, PSS               <   50 MB
#   the same with the full web engine chosen (client + its helpers), PSS, beside it
#   500 messages opened and closed in turn: PSS after the last minus after the first <  5 MB
#
# PSS is the sum of Pss in /proc/PID/smaps_rollup over the client and its child processes. The
# client runs offline (VELLORIN_ONLINE=0), so no scheduled check runs while it is measured. Its
# message is opened as a person would: the tray menu's "Show Inbox", the first source opened
# with the keyboard, a double-click on its newest message (xdotool; screenshots of the client
# are left in the work folder printed at the start and kept with KEEP=1).
#
# The view is chosen as a person chooses it, by settings.cfg in the application folder (written
# here as vellorinctl settings writes it).
#
# Usage: bench/desktop.sh [RUNS]   (default 3 runs each; the median is reported)
# Environment: BUILD_DIR (default build; configured here with the client and the benchmarks if
# it is not yet), KEEP=1 keeps the work folder, CLIENT_ENV="NAME=VALUE ..." more environment for
# the client and bench_desktop (to compare, say, QT_XCB_GL_INTEGRATION=none
# QT_QUICK_BACKEND=software: no OpenGL driver loaded, pages drawn in software).
set -euo pipefail
cd "$(dirname "$0")/.."

runs=${1:-3}
build=${BUILD_DIR:-build}

need=()
for tool in Xvfb trayer xdotool import; do
    command -v "$tool" >/dev/null || need+=("$tool")
done
if [ ${#need[@]} -gt 0 ]; then
    echo "missing: ${need[*]}; installing"
    bash scripts/install-deps.sh imagemagick
fi

if [ ! -f "$build/CMakeCache.txt" ]; then
    cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELLORIN_BUILD_GUI=ON \
        -DVELLORIN_BUILD_BENCH=ON >/dev/null
fi
cmake --build "$build" --target vellorin vellorinctl bench_feed_server bench_desktop >/dev/null
bin="$PWD/$build/bin"
ctl="$bin/vellorinctl"
feed_server="$PWD/$build/bench/bench_feed_server"
bench_desktop="$PWD/$build/bench/bench_desktop"

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
if [ "$(id -u)" -eq 0 ]; then export QTWEBENGINE_DISABLE_SANDBOX=1; fi

# --- Data: DIR/Vellorin Data filled with SOURCES x ITEMS messages by a check from the server.
make_data() {
    local home=$1 sources=$2 items=$3
    local data="$home/Vellorin Data" out="$work/server-$sources-$items.out"
    mkdir -p "$data"
    "$feed_server" --sources "$sources" --items "$items" --urls "$work/urls" >"$out" 2>&1 &
    local server=$!
    for _ in $(seq 400); do
        grep -q '^PORT ' "$out" 2>/dev/null && break
        sleep 0.05
    done
    local i=0
    {
        printf '<?xml version="1.0" encoding="UTF-8"?>\r\n<sources>\r\n'
        while read -r url; do
            printf '<source id="%08X-0000-4000-8000-%012X" title="Bench source %d">%s</source>\r\n' \
                "$i" "$i" "$i" "$url"
            i=$((i + 1))
        done <"$work/urls"
        printf '</sources>\r\n'
    } >"$data/subscriptions.dat"
    "$ctl" --app-dir "$work/app" --data-dir "$data" check --online >/dev/null 2>&1 || true
    kill "$server" 2>/dev/null || true
    wait "$server" 2>/dev/null || true
    local stored
    stored=$(cat "$data"/*/inbox.dat | grep -c '^\[' || true)
    [ "$stored" -eq $((sources * items)) ] ||
        { echo "the data folder holds $stored messages, not $((sources * items))"; exit 1; }
    echo "data: $sources sources x $items messages"
}

# The application folder: the client and its files, away from the build's own.
mkdir -p "$work/app" "$work/runtime"
chmod 700 "$work/runtime"
cp "$bin/vellorin" "$bin/libvellorin_webview.so" "$work/app/"
find "$bin" -maxdepth 1 -type f ! -perm -u+x -exec cp {} "$work/app/" \;
make_data "$work/small" 200 50
make_data "$work/large" 100 1000

# The message view of the clients started from now on: builtin or engine.
choose_view() {
    printf '[app]\r\nwebengine=%s\r\n' "$([ "$1" = engine ] && echo 1 || echo 0)" \
        >"$work/app/settings.cfg"
}
choose_view builtin

# --- The display: Xvfb picks a free display number; the tray host at the top edge.
source bench/x_session.sh
start_x_session "$work"

now_ms() { echo $(($(date +%s%N) / 1000000)); }
# Processor time a process has taken so far (user + system), in clock ticks (1/100 s).
cpu_ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat"; }

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

# Pss in KiB of a process and every process below it, and (second field) their pages that no
# other process maps (Private_Clean + Private_Dirty): the part of Pss that does not depend on
# what else runs on the machine, as shared library pages are split among all who map them.
pss_tree() {
    local total=0 private=0 p v
    for p in $1 $(descendants "$1"); do
        read -r v w < <(awk '/^Pss:/ { p = $2 } /^Private_(Clean|Dirty):/ { u += $2 }
            END { print p + 0, u + 0 }' "/proc/$p/smaps_rollup" 2>/dev/null || echo 0 0)
        total=$((total + v))
        private=$((private + w))
    done
    echo "$total $private"
}
descendants() {
    local c
    for c in $(ps -o pid= --ppid "$1"); do
        echo "$c"
        descendants "$c"
    done
}

median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
wait_until() {  # SECONDS COMMAND...: polls COMMAND every 50 ms
    local deadline=$(($(now_ms) + $1 * 1000))
    shift
    until "$@"; do
        [ "$(now_ms)" -lt "$deadline" ] || return 1
        sleep 0.05
    done
}
has_icon() { [ -n "$(tray_icon)" ]; }
has_helpers() { [ -n "$(descendants "$client_pid")" ]; }
message_read() { grep -q '^read=1' "$1"/*/inbox.dat; }

# Starts the client on the data folder $1 (log $2); sets client_pid.
start_client() {
    env ${CLIENT_ENV:-} XDG_DATA_HOME="$1" HOME="$1" VELLORIN_ONLINE=0 "$work/app/vellorin" -s \
        >"$2" 2>&1 &
    client_pid=$!
}
stop_client() {
    kill "$client_pid"
    wait "$client_pid" 2>/dev/null || true
    client_pid=""
}

# One message open: Show Inbox from the tray menu (its first item), the first source opened
# with the keyboard, its newest message double-clicked (the window sits at the origin without
# a window manager; below the search box, rows are 18 pixels high from y=96). $1: the data
# folder's home, $2: a name for the screenshots.
open_first_message() {
    local ix iy
    read -r ix iy < <(tray_icon)
    xdotool mousemove "$ix" "$iy" click 3
    sleep 1
    xdotool key Down Return
    sleep 2
    xdotool mousemove 100 105 click 1
    xdotool key Right
    sleep 1
    xdotool mousemove 120 123 click --repeat 2 --delay 80 1
    wait_until 60 message_read "$1/Vellorin Data" ||
        { import -window root "$work/no-message-$2.png"; echo "no message opened ($2)"; exit 1; }
}

tray_ms=() idle_ticks=() idle_kb=() open_kb=() open_client_kb=() idle_private_kb=() open_private_kb=()
engine_kb=()
for run in $(seq "$runs"); do
    home="$work/run-$run"
    cp -r "$work/small" "$home"
    start=$(now_ms)
    start_client "$home" "$work/client-$run.log"
    wait_until 30 has_icon || { echo "no tray icon after 30 s (run $run)"; exit 1; }
    tray_ms+=($(($(now_ms) - start)))

    # Idle: the welcome balloon has gone (6 s), nothing else happens. Nothing runs on a timer
    # (the unread count follows the inboxes' changes), so 20 idle seconds take no processor time.
    sleep 10
    t0=$(cpu_ticks "$client_pid")
    sleep 20
    idle_ticks+=($(($(cpu_ticks "$client_pid") - t0)))
    read -r v w < <(pss_tree "$client_pid")
    idle_kb+=("$v") idle_private_kb+=("$w")

    open_first_message "$home" "builtin-$run"
    sleep 5
    import -window root "$work/message-open-$run.png"
    read -r v w < <(pss_tree "$client_pid")
    open_kb+=("$v") open_private_kb+=("$w")
    open_client_kb+=("$(awk '/^Pss:/ { print $2 }' "/proc/$client_pid/smaps_rollup")")
    stop_client
    rm -rf "$home"

    # The same with the full web engine chosen.
    home="$work/run-engine-$run"
    cp -r "$work/small" "$home"
    choose_view engine
    start_client "$home" "$work/client-engine-$run.log"
    wait_until 30 has_icon || { echo "no tray icon after 30 s (engine run $run)"; exit 1; }
    sleep 10
    open_first_message "$home" "engine-$run"
    wait_until 60 has_helpers || { echo "no web engine helpers (run $run)"; exit 1; }
    sleep 10
    import -window root "$work/message-engine-$run.png"
    read -r v w < <(pss_tree "$client_pid")
    engine_kb+=("$v")
    stop_client
    choose_view builtin
    rm -rf "$home"
done

# Timings inside the client's process: the large data set's tree, then the pages.
tree_ms=() first_ms=() page_ms=() page_max=() nodes="" oc_first=() oc_last=() hundreds=()
for run in $(seq "$runs"); do
    out="$work/bench-desktop-$run.out"
    home="$work/run-large-$run"
    cp -r "$work/large" "$home"
    env ${CLIENT_ENV:-} "$bench_desktop" --app-dir "$work/app" --data-dir "$home/Vellorin Data" --pages 10 \
        --open-close "${OPEN_CLOSE:-500}" >"$out" 2>"$work/bench-desktop-$run.err"
    tree_ms+=("$(awk '/^tree_ms/ { print $2 }' "$out")")
    nodes=$(awk '/^tree_nodes/ { print $2 }' "$out")
    first_ms+=("$(awk '/^first_page_ms/ { print $2 }' "$out")")
    page_ms+=("$(awk '/^page_ms/ { print $2 }' "$out")")
    page_max+=("$(awk '/^page_ms/ { print $3 }' "$out")")
    oc_first+=("$(awk '/^open_close_kb/ { print $2 }' "$out")")
    oc_last+=("$(awk '/^open_close_kb/ { print $3 }' "$out")")
    hundreds+=("$(awk '/^open_close_kb_after/ { printf "%s ", $3 }' "$work/bench-desktop-$run.err")")
    rm -rf "$home"
done

mb() { awk -v k="$1" 'BEGIN { printf "%.1f", k / 1024 }'; }
t=$(printf '%s\n' "${tray_ms[@]}" | median)
tr=$(printf '%s\n' "${tree_ms[@]}" | median)
f=$(printf '%s\n' "${first_ms[@]}" | median)
p=$(printf '%s\n' "${page_ms[@]}" | median)
pm=$(printf '%s\n' "${page_max[@]}" | sort -n | tail -1)
i=$(printf '%s\n' "${idle_kb[@]}" | median)
o=$(printf '%s\n' "${open_kb[@]}" | median)
oc=$(printf '%s\n' "${open_client_kb[@]}" | median)
e=$(printf '%s\n' "${engine_kb[@]}" | median)
growth=()
for k in "${!oc_first[@]}"; do growth+=($((oc_last[k] - oc_first[k]))); done
g=$(printf '%s\n' "${growth[@]}" | median)

echo
echo "desktop benchmark: $runs runs, median (load average $(cut -d' ' -f1-3 /proc/loadavg) at the end)"
[ -n "${CLIENT_ENV:-}" ] && echo "  client environment: $CLIENT_ENV"
ok=1
row() {  # LABEL MEASURED TARGET UNIT
    local verdict=ok
    awk -v m="$2" -v t="$3" 'BEGIN { exit !(m != "" && m < t) }' || { verdict=MISSED; ok=0; }
    printf '  %-58s %8s %-2s (target < %s) %s\n' "$1" "$2" "$4" "$3" "$verdict"
}
row "tray icon shown after start (200 x 50 messages)" "$t" 1000 ms
row "message tree filled ($nodes nodes: 100 x 1,000)" "$tr" 1000 ms
row "first message page (built-in view)" "$f" 150 ms
row "next message pages (median; highest $pm ms)" "$p" 50 ms
row "idle in the tray, 200 x 50 messages, PSS" "$(mb "$i")" 50 MB
row "10,000 messages, one open, built-in view, PSS" "$(mb "$o")" 50 MB
row "${OPEN_CLOSE:-500} messages opened and closed: PSS growth" "$(mb "$g")" 5 MB
echo "  10,000 messages, one open, full web engine (client + helpers): $(mb "$e") MB PSS"
echo "  idle in the tray: processor time over 20 s, each run, in 1/100 s: ${idle_ticks[*]}"
echo "  open and close: PSS after the first and the last, KiB: ${oc_first[*]} / ${oc_last[*]}"
echo "  open and close: PSS after each hundred, KiB: ${hundreds[*]}"
ip=$(printf '%s\n' "${idle_private_kb[@]}" | median)
op=$(printf '%s\n' "${open_private_kb[@]}" | median)
echo "  one open: the client alone $(mb "$oc") MB PSS"
echo "  private pages (mapped by no other process): idle $(mb "$ip") MB, one open $(mb "$op") MB"
echo "  each run, PSS in KiB: idle ${idle_kb[*]}; one open ${open_kb[*]}; engine ${engine_kb[*]}"
[ "$ok" -eq 1 ] && echo "  all targets met"
exit 0
