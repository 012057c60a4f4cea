#!/usr/bin/env bash
# Runs a command on a virtual X display (Xvfb) managed by a real window
# manager (openbox), so that the windows meet decorations, stacking, focus
# and transient-for rules as on a desktop:
#
#   scripts/with-wm.sh <command> [arguments...]
#
# The command sees DISPLAY and QT_QPA_PLATFORM=xcb. Its exit status is
# passed on; when Xvfb, openbox or xprop is missing, the reason is printed
# and the status is 77 (CTest counts it as skipped).
set -uo pipefail

for tool in Xvfb openbox xprop; do
  if ! command -v "$tool" >/dev/null; then
    echo "SKIP: $tool no está instalado (paquetes xvfb, openbox, x11-utils)"
    exit 77
  fi
done
[ $# -gt 0 ] || { echo "uso: $0 <orden> [argumentos...]" >&2; exit 2; }

# A display number nobody uses: tests may run side by side.
number=$(( 90 + RANDOM % 400 ))
while [ -e "/tmp/.X${number}-lock" ] || [ -S "/tmp/.X11-unix/X${number}" ]; do
  number=$(( number + 1 ))
done
display=":$number"

Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
wm_pid=""
cleanup() {
  [ -n "$wm_pid" ] && kill "$wm_pid" 2>/dev/null
  kill "$xvfb_pid" 2>/dev/null
  wait 2>/dev/null
}
trap cleanup EXIT

# Wait for the server's socket, then for the window manager to announce
# itself on the root window, rather than a fixed time.
for _ in $(seq 1 100); do
  [ -S "/tmp/.X11-unix/X$number" ] && break
  sleep 0.05
done
[ -S "/tmp/.X11-unix/X$number" ] || { echo "Xvfb no arrancó en $display" >&2; exit 1; }

config="$(mktemp -d)"
trap 'cleanup; rm -rf "$config"' EXIT
# Openbox's own defaults (/etc/xdg), whatever the user's configuration says.
DISPLAY="$display" XDG_CONFIG_HOME="$config" openbox --sm-disable >/dev/null 2>&1 &
wm_pid=$!
for _ in $(seq 1 100); do
  DISPLAY="$display" xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id" && break
  sleep 0.05
done
DISPLAY="$display" xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id" ||
  { echo "openbox no arrancó en $display" >&2; exit 1; }

env -u WAYLAND_DISPLAY DISPLAY="$display" QT_QPA_PLATFORM=xcb "$@"
