#!/usr/bin/env bash
# The running program side by side with its floor, on an Xvfb display of its
# own: the native game, the Windows game under Wine, and a bare GTK window.
#
#   bench/running_game.sh [SECONDS [LAUNCHES]]    defaults 30 and 3
#
# For each program: time from launch to window map and to the first painted
# frame (the red food cell; any non-black pixel for the bare window), the
# median of LAUNCHES short launches; then one run of SECONDS at the default
# speed for the CPU time used (utime + stime from /proc/PID/stat, as a share
# of one core; counted from 2 s after the first frame, so that the tail of the
# start-up is left out; the same from /proc/PID/schedstat, in nanoseconds
# rather than 10 ms ticks) and the peak resident memory (VmHWM). For Wine the figures are
# those of the Slithergrid.exe process; wineserver and Wine's own services
# are shared by every Wine program and are left out.
# Needs the native build with SLITHER_BENCH=ON (build/native) and the Windows
# build (build/windows). Prints one line per program.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-30}
launches=${2:-3}
probe=build/native/bench/frame_probe
ticks=$(getconf CLK_TCK)

export WINEPREFIX=/work/main/build/wineprefix WINEDEBUG=-all

source scripts/lib/display.sh
StartDisplay >/dev/null

running=""
trap 'for p in $running; do kill "$p" 2>/dev/null || true; done; kill $XVFB_PID 2>/dev/null || true' EXIT

# The process that runs the program itself: for Wine, the launcher's child
# that carries the .exe's name, else the launched process.
ProgramPid() {
    local pid=$1 child
    for child in $(cat /proc/"$pid"/task/*/children 2>/dev/null); do
        if tr '\0' ' ' <"/proc/$child/cmdline" 2>/dev/null | grep -q '\.exe'; then
            echo "$child"
            return
        fi
    done
    echo "$pid"
}

CpuTicks() {
    # Fields 14 and 15 after the command name, which may hold spaces.
    sed 's/^.*) //' "/proc/$1/stat" | awk '{ print $12 + $13 }'
}

SchedNs() {
    awk '{ print $1 }' "/proc/$1/schedstat"
}

Stop() {
    kill "$1" 2>/dev/null || true
    wait "$1" 2>/dev/null || true
    running=""
}

# Launch: name title mode command...
Measure() {
    local name=$1 title=$2 mode=$3
    shift 3
    local maps=() frames=() i start pid line
    for ((i = 0; i < launches; i++)); do
        start=$(date +%s%N)
        "$@" >/dev/null 2>&1 &
        pid=$!
        running=$pid
        line=$("$probe" "$title" "$mode" "$start" 60)
        maps+=("$(sed 's/.*map_ms=\([0-9]*\).*/\1/' <<<"$line")")
        frames+=("$(sed 's/.*frame_ms=\([0-9]*\).*/\1/' <<<"$line")")
        Stop "$pid"
        sleep 1
    done
    local mapMs frameMs
    mapMs=$(printf '%s\n' "${maps[@]}" | sort -n | sed -n "$(((launches + 1) / 2))p")
    frameMs=$(printf '%s\n' "${frames[@]}" | sort -n | sed -n "$(((launches + 1) / 2))p")

    "$@" >/dev/null 2>&1 &
    pid=$!
    running=$pid
    start=$(date +%s%N)
    "$probe" "$title" "$mode" "$start" 60 >/dev/null
    local program first last firstNs lastNs elapsedNs hwm
    sleep 2
    program=$(ProgramPid "$pid")
    first=$(CpuTicks "$program")
    firstNs=$(SchedNs "$program")
    start=$(date +%s%N)
    sleep "$seconds"
    last=$(CpuTicks "$program")
    lastNs=$(SchedNs "$program")
    elapsedNs=$(($(date +%s%N) - start))
    hwm=$(awk '/^VmHWM:/ { print $2 }' "/proc/$program/status")
    Stop "$pid"
    awk -v name="$name" -v used=$((last - first)) -v hz="$ticks" -v ns="$elapsedNs" \
        -v sched=$((lastNs - firstNs)) -v hwm="$hwm" -v map="$mapMs" -v frame="$frameMs" -v runs="$launches" -v s="$seconds" \
        'BEGIN { printf "program=%s cpu_percent_of_core=%.3f cpu_ms=%d sched_percent_of_core=%.3f over_s=%d peak_rss_mib=%.1f map_ms=%d first_frame_ms=%d launches=%d\n",
                 name, 100 * used / hz / (ns / 1e9), 1000 * used / hz, 100 * sched / ns, s, hwm / 1024, map, frame, runs }'
}

Measure native Slithergrid red build/native/slithergrid
Measure wine Slithergrid red wine build/windows/Slithergrid.exe
Measure bare_gtk "Bare window" any build/native/bench/bare_window
