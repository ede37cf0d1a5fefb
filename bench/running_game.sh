#!/usr/bin/env bash
# Start-up of the running program next to its floor, on an Xvfb display of its own with a
# window manager (openbox): the native game, the Windows game under Wine and a bare GTK window.
#
#   bench/running_game.sh [LAUNCHES]    default 3
#
# For each program: time from launch to window map and to the first painted frame (the red food
# cell; any non-black pixel for the bare window), the median of LAUNCHES launches. What a tick
# costs is measured by running_game.py. Needs the native build with SLITHER_BENCH=ON
# (build/native) and the Windows build (build/windows). Prints one line per program.
set -euo pipefail
cd "$(dirname "$0")/.."
launches=${1:-3}
probe=build/native/bench/frame_probe

export WINEPREFIX=$PWD/build/bench/wineprefix WINEDEBUG=-all

source scripts/lib/display.sh
StartDisplay >/dev/null
openbox --sm-disable >/dev/null 2>&1 &
windowManager=$!
running=""
trap 'for p in $running; do kill "$p" 2>/dev/null || true; done; kill $windowManager $XVFB_PID 2>/dev/null || true' EXIT
for _ in $(seq 100); do
    wmctrl -m >/dev/null 2>&1 && break
    sleep 0.1
done

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
    echo "program=$name map_ms=$mapMs first_frame_ms=$frameMs launches=$launches"
}

Measure native Slithergrid red build/native/slithergrid
Measure wine Slithergrid red wine build/windows/Slithergrid.exe
Measure bare_gtk "Bare window" any build/native/bench/bare_window
