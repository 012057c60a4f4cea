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

work="$(mktemp -d)"
xvfb_pid=""
wm_pid=""
cleanup() {
  [ -n "$wm_pid" ] && kill "$wm_pid" 2>/dev/null
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
  wait 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

# Xvfb picks a free display itself and writes its number once it accepts
# connections, so that several runs side by side never share one.
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" >/dev/null 2>&1 &
xvfb_pid=$!
for _ in $(seq 1 200); do
  [ -s "$work/display" ] && break
  kill -0 "$xvfb_pid" 2>/dev/null || break
  sleep 0.05
done
[ -s "$work/display" ] || { echo "Xvfb no arrancó" >&2; exit 1; }
display=":$(head -n 1 "$work/display")"

# Openbox's own defaults (/etc/xdg), whatever the user's configuration says.
# The command starts once the window manager announces itself.
DISPLAY="$display" XDG_CONFIG_HOME="$work" openbox --sm-disable >/dev/null 2>&1 &
wm_pid=$!
managed() { DISPLAY="$display" xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id"; }
for _ in $(seq 1 200); do
  managed && break
  sleep 0.05
done
managed || { echo "openbox no arrancó en $display" >&2; exit 1; }

env -u WAYLAND_DISPLAY DISPLAY="$display" QT_QPA_PLATFORM=xcb "$@"
status=$?
exit $status
