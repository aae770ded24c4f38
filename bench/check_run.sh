#!/usr/bin/env bash
# Times whole check runs against a local server that answers conditional requests: 200 sources
# x 50 items (2 KB descriptions), side by side with newsboat's reload of the same feeds.
#
#   vellorinctl check into an empty data folder   (target: at least 10x faster than newsboat's
#                                                  reload into an empty cache)
#   vellorinctl check again, nothing new          (target: at least 3x faster than newsboat's
#                                                  third reload into the same cache, when it
#                                                  sends the validators it kept)
#   peak resident memory of vellorinctl check     (target: under 40 MB)
#
# Usage: bench/check_run.sh [RUNS]   (default 3 runs each; the median is reported)
# Environment: BUILD_DIR (default build-bench), SOURCES, ITEMS, DESCRIPTION_BYTES.
set -euo pipefail
cd "$(dirname "$0")/.."

runs=${1:-3}
build=${BUILD_DIR:-build-bench}
sources=${SOURCES:-200}
items=${ITEMS:-50}
description_bytes=${DESCRIPTION_BYTES:-2048}

need=()
command -v newsboat >/dev/null || need+=(newsboat)
command -v sqlite3 >/dev/null || need+=(sqlite3)
[ -x /usr/bin/time ] || need+=(time)
if [ ${#need[@]} -gt 0 ]; then
    sudo=""
    if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
    echo "Installing: ${need[*]}"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${need[@]}"
fi

cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVELLORIN_BUILD_GUI=OFF \
    -DVELLORIN_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" --target vellorinctl bench_feed_server >/dev/null
ctl="$PWD/$build/bin/vellorinctl"
server_bin="$PWD/$build/bench/bench_feed_server"

work=$(mktemp -d)
server_pid=""
cleanup() {
    if [ -n "$server_pid" ]; then kill "$server_pid" 2>/dev/null || true; fi
    rm -rf "$work"
}
trap cleanup EXIT

"$server_bin" --sources "$sources" --items "$items" --description-bytes "$description_bytes" \
    --urls "$work/urls" >"$work/server.out" 2>&1 &
server_pid=$!
for _ in $(seq 200); do
    grep -q '^PORT ' "$work/server.out" 2>/dev/null && break
    sleep 0.05
done
grep -q '^PORT ' "$work/server.out" || { echo "the feed server did not start"; exit 1; }
export no_proxy="127.0.0.1,localhost"

# A subscription list with one source per URL (identifiers as the client makes them).
subscriptions() {
    local i=0
    printf '<?xml version="1.0" encoding="UTF-8"?>\r\n<sources>\r\n'
    while read -r url; do
        printf '<source id="%08X-0000-4000-8000-%012X" title="Bench source %d">%s</source>\r\n' \
            "$i" "$i" "$i" "$url"
        i=$((i + 1))
    done <"$work/urls"
    printf '</sources>\r\n'
}

# Runs a command under /usr/bin/time -v; prints "<wall seconds> <peak RSS in KiB>".
measure() {
    local out="$work/time.out"
    /usr/bin/time -v -o "$out" "$@" >"$work/cmd.out" 2>"$work/cmd.err" || {
        echo "failed: $*" >&2
        tail -5 "$work/cmd.err" >&2
        exit 1
    }
    local wall rss
    wall=$(sed -n 's/.*Elapsed (wall clock) time (h:mm:ss or m:ss): //p' "$out" |
        awk -F: '{ s = 0; for (i = 1; i <= NF; i++) s = s * 60 + $i; print s }')
    rss=$(sed -n 's/.*Maximum resident set size (kbytes): //p' "$out")
    echo "$wall $rss"
}

median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

first_times=() first_rss=() second_times=() second_rss=() nb_times=() nb_rss=() nb_again_times=()
for run in $(seq "$runs"); do
    data="$work/data-$run"
    mkdir -p "$data"
    subscriptions >"$data/subscriptions.dat"
    read -r t r < <(measure "$ctl" --app-dir "$PWD/$build/bin" --data-dir "$data" check --online)
    first_times+=("$t") first_rss+=("$r")
    stored=$(grep -c '^\[' "$data"/*/inbox.dat | awk -F: '{ s += $2 } END { print s }')
    read -r t r < <(measure "$ctl" --app-dir "$PWD/$build/bin" --data-dir "$data" check --online)
    [ -s "$work/cmd.out" ] && { echo "the second check found something new" >&2; exit 1; }
    second_times+=("$t") second_rss+=("$r")
    rm -rf "$data"

    home="$work/home-$run"
    mkdir -p "$home"
    : >"$home/config"
    nb() {
        measure env HOME="$home" XDG_CONFIG_HOME="$home" XDG_DATA_HOME="$home" \
            newsboat -x reload -u "$work/urls" -c "$home/cache.db" -C "$home/config"
    }
    read -r t r < <(nb)
    nb_times+=("$t") nb_rss+=("$r")
    nb_articles=$(echo "select count(*) from rss_item;" | sqlite3 "$home/cache.db" 2>/dev/null ||
        echo "?")
    # The second reload stores the validators; the third sends them.
    nb >/dev/null
    read -r t r < <(nb)
    nb_again_times+=("$t")
    rm -rf "$home"
done

f=$(printf '%s\n' "${first_times[@]}" | median)
fr=$(printf '%s\n' "${first_rss[@]}" | sort -n | tail -1)
s=$(printf '%s\n' "${second_times[@]}" | median)
sr=$(printf '%s\n' "${second_rss[@]}" | sort -n | tail -1)
n=$(printf '%s\n' "${nb_times[@]}" | median)
nr=$(printf '%s\n' "${nb_rss[@]}" | sort -n | tail -1)
na=$(printf '%s\n' "${nb_again_times[@]}" | median)

echo
echo "check run benchmark: $sources sources x $items items, ${description_bytes}-byte descriptions, $runs runs (median wall time, highest peak RSS)"
mb() { awk -v k="$1" 'BEGIN { printf "%.1f", k / 1024 }'; }
printf '  %-44s %7s s %7s MB\n' "vellorinctl check, empty data folder" "$f" "$(mb "$fr")"
printf '  %-44s %7s s %7s MB\n' "vellorinctl check again, nothing new" "$s" "$(mb "$sr")"
printf '  %-44s %7s s %7s MB\n' "newsboat -x reload, empty cache" "$n" "$(mb "$nr")"
printf '  %-44s %7s s\n' "newsboat -x reload, third into the same cache" "$na"
echo "  messages stored: vellorinctl $stored, newsboat $nb_articles"
first_ratio=$(awk -v n="$n" -v f="$f" 'BEGIN { print n / f }')
again_ratio=$(awk -v n="$na" -v s="$s" 'BEGIN { print n / s }')
printf '  newsboat / first check: %.2fx (target >= 10)\n' "$first_ratio"
printf '  newsboat third reload / second check: %.2fx (target >= 3)\n' "$again_ratio"
ok=1
awk -v r="$first_ratio" 'BEGIN { exit !(r >= 10) }' ||
    { echo "  MISSED: first check is not ten times as fast"; ok=0; }
awk -v r="$again_ratio" 'BEGIN { exit !(r >= 3) }' ||
    { echo "  MISSED: second check is not three times as fast"; ok=0; }
awk -v m="$fr" -v m2="$sr" 'BEGIN { exit !(m < 40960 && m2 < 40960) }' ||
    { echo "  MISSED: peak RSS of 40 MB or more"; ok=0; }
[ "$ok" -eq 1 ] && echo "  all targets met"
exit 0
