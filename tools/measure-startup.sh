#!/bin/bash
# Time from process start to the first painted main window of the console, and its peak
# resident memory. Median of several runs, offscreen and under Xvfb.
#
#   tools/measure-startup.sh [build-dir] [runs]
#
# Use a build without sanitizers, e.g.
#   cmake -S . -B build-ui-rel -G Ninja -DCMAKE_BUILD_TYPE=Release -DKVIR_TESTS=OFF
#   cmake --build build-ui-rel --target kvir-console kvir-console-startprobe
#
# kvir-console-startprobe runs the very start sequence of kvir-console and prints the
# wall-clock time of the first paint; under Xvfb kvir-console itself is measured as well,
# from launch until its window is mapped (xdotool).
set -euo pipefail

build=${1:-build-ui-rel}
runs=${2:-7}
probe=$build/console/kvir-console-startprobe
console=$build/console/kvir-console
for tool in "$probe" "$console"; do
    [[ -x $tool ]] || { echo "missing $tool" >&2; exit 1; }
done
probe=$(realpath "$probe")
console=$(realpath "$console")
work=$(mktemp -d)
trap 'rm -rf "$work"; [[ -n ${xvfb_pid:-} ]] && kill "$xvfb_pid" 2>/dev/null || true' EXIT

median() { sort -n | awk '{v[NR]=$1} END {print (NR%2) ? v[(NR+1)/2] : (v[NR/2]+v[NR/2+1])/2}'; }
now_ns() { date +%s%N; }

# One probe run in a fresh working directory (first start: the settings file is written).
probe_once() {
    rm -f "$work"/KVIR-*
    local t0 t1
    t0=$(now_ns)
    t1=$(cd "$work" && "$probe" 2>/dev/null | tail -1)
    echo $(( (t1 - t0) / 1000000 ))
}

peak_rss_kb() {
    rm -f "$work"/KVIR-*
    (cd "$work" && /usr/bin/time -v "$probe" 2>&1 >/dev/null) |
        awk -F: '/Maximum resident set size/ {gsub(/ /, "", $2); print $2}'
}

report() {
    local name=$1; shift
    local times=()
    for _ in $(seq "$runs"); do times+=("$("$@")"); done
    printf '%-34s median %4s ms   (runs: %s)\n' "$name" \
        "$(printf '%s\n' "${times[@]}" | median)" "${times[*]}"
}

export QT_QPA_PLATFORM=offscreen
report "offscreen, start probe" probe_once
printf '%-34s %s KiB\n' "offscreen, peak resident memory" "$(peak_rss_kb)"

# Under Xvfb.
display=:$(( 90 + RANDOM % 9 ))
Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
export DISPLAY=$display
unset QT_QPA_PLATFORM
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done

# kvir-console itself: from launch until a visible window with its caption exists.
console_once() {
    rm -f "$work"/KVIR-*
    local t0 t1 pid
    t0=$(now_ns)
    (cd "$work" && exec "$console" >/dev/null 2>&1) &
    pid=$!
    until xdotool search --onlyvisible --name 'КВИР' >/dev/null 2>&1; do :; done
    t1=$(now_ns)
    kill "$pid"; wait "$pid" 2>/dev/null || true
    echo $(( (t1 - t0) / 1000000 ))
}

report "Xvfb, start probe" probe_once
report "Xvfb, kvir-console window mapped" console_once
printf '%-34s %s KiB\n' "Xvfb, peak resident memory" "$(peak_rss_kb)"
