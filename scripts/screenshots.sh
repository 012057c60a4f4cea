#!/usr/bin/env bash
# Shows every window of update and compare on a virtual X display (Xvfb)
# and saves a PNG of each in <build>/screenshots, for review by eye: texts
# must fit their controls, nothing cut off.
#
#   scripts/screenshots.sh [build folder]     (default: build)
#
# Needs Xvfb (package xvfb) and a build configured with BUILD_GUI and
# BUILD_TESTING; the two screenshot programs are built if needed.
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build}"
out="$build/screenshots"
display=":99"

command -v Xvfb >/dev/null || { echo "Xvfb no está instalado (paquete xvfb)" >&2; exit 1; }
cmake --build "$build" --target update_screenshots compare_screenshots -j 2

Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
trap 'kill "$xvfb_pid" 2>/dev/null || true' EXIT
# Wait for the server's socket rather than a fixed time.
for _ in $(seq 1 50); do
  [ -S "/tmp/.X11-unix/X${display#:}" ] && break
  sleep 0.1
done

mkdir -p "$out"
status=0
for program in update compare; do
  env -u WAYLAND_DISPLAY DISPLAY="$display" QT_QPA_PLATFORM=xcb \
    "$build/tests/${program}_screenshots" "$out" || status=1
done
echo "Capturas en $out"
exit $status
