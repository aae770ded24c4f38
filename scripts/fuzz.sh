#!/usr/bin/env bash
# Builds the libFuzzer targets under fuzz/ with clang and the sanitizers (build folder
# build-fuzz/) and runs each one for SECONDS (default 60) on a copy of its seed corpus in
# fuzz/corpus/, with its dictionary of tokens (fuzz/dict/TARGET.dict) when there is one. Fails
# when a target finds a crash, a leak, a sanitizer report or a broken property; the input that
# did it is kept in the work folder, whose path is printed.
#   scripts/fuzz.sh [SECONDS [TARGET...]]     TARGET: a folder name under fuzz/corpus/
# The targets run side by side, as many at a time as there are cores (FUZZ_JOBS overrides).
# FUZZ_WORK sets the work folder (default: a new folder under the system temp folder, removed
# when every target passes); nothing is written into the repository outside build-fuzz/.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds="${1:-60}"
case "$seconds" in
    '' | *[!0-9]*) echo "usage: scripts/fuzz.sh [SECONDS [TARGET...]]" >&2; exit 2 ;;
esac
shift $(($# > 0 ? 1 : 0))
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
    for corpus in fuzz/corpus/*/; do targets+=("$(basename "$corpus")"); done
fi

# libFuzzer's runtime ships in libclang-rt-14-dev, which clang only recommends.
bash scripts/install-deps.sh clang libclang-rt-14-dev

build=build-fuzz
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
    -DVELLORIN_WERROR=ON -DVELLORIN_BUILD_FUZZ=ON \
    -DVELLORIN_BUILD_GUI=OFF -DVELLORIN_BUILD_TESTS=OFF -DVELLORIN_BUILD_BENCH=OFF
cmake --build "$build" -j"$(nproc)" --target fuzz_targets

work="${FUZZ_WORK:-$(mktemp -d "${TMPDIR:-/tmp}/vellorin-fuzz.XXXXXX")}"
mkdir -p "$work"
echo "fuzz: work folder $work, $seconds s per target"

# The targets write and flush small files all the time; in memory that costs little.
scratch_root="$work"
if [ -d /dev/shm ] && [ -w /dev/shm ]; then scratch_root=/dev/shm; fi
scratch="$(mktemp -d "$scratch_root/vellorin-fuzz-scratch.XXXXXX")"
trap 'rm -rf "$scratch"' EXIT

export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"

# One target: its corpus is a copy of the seeds, and its scratch files (data folders, INI files)
# go to a folder of its own.
run_target() {
    local name="$1"
    local dir="$work/$name"
    rm -rf "$dir"
    mkdir -p "$dir/corpus" "$dir/artifacts" "$scratch/$name"
    cp -R "fuzz/corpus/$name/." "$dir/corpus/"
    local dict=()
    if [ -f "fuzz/dict/$name.dict" ]; then dict=(-dict="fuzz/dict/$name.dict"); fi
    if TMPDIR="$scratch/$name" "$build/bin/${name}_fuzzer" "$dir/corpus" "${dict[@]}" \
        -max_total_time="$seconds" -timeout=25 -rss_limit_mb=2048 -print_final_stats=1 \
        -artifact_prefix="$dir/artifacts/" >"$dir/log" 2>&1; then
        echo "fuzz: $name ok ($(grep -m1 -o 'stat::number_of_executed_units: *[0-9]*' "$dir/log" |
            grep -o '[0-9]*$') inputs)"
    else
        echo "fuzz: $name FAILED; log $dir/log, input in $dir/artifacts/" >&2
        tail -n 40 "$dir/log" >&2
        touch "$dir/FAILED"
    fi
}

jobs="${FUZZ_JOBS:-$(nproc)}"
running=0
for name in "${targets[@]}"; do
    if [ "$running" -ge "$jobs" ]; then
        wait -n || true
        running=$((running - 1))
    fi
    run_target "$name" &
    running=$((running + 1))
done
wait
failed=()
for name in "${targets[@]}"; do
    if [ -e "$work/$name/FAILED" ]; then failed+=("$name"); fi
done
if [ ${#failed[@]} -gt 0 ]; then
    echo "fuzz: failed: ${failed[*]}" >&2
    exit 1
fi
echo "fuzz: every target ran $seconds s without a finding"
# A work folder of our own goes once nothing in it is needed.
if [ -z "${FUZZ_WORK:-}" ]; then rm -rf "$work"; fi
