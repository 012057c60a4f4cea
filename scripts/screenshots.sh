#!/usr/bin/env bash
# Shows every window of update and compare on a virtual X display (Xvfb)
# managed by a real window manager (openbox), and saves a PNG of each, with
# its title bar, in <build>/screenshots, for review by eye: texts must fit
# their controls, nothing cut off, each window where it belongs.
#
#   scripts/screenshots.sh [build folder]     (default: build)
#
# Needs Xvfb, openbox and xprop (packages xvfb, openbox, x11-utils) and a
# build configured with BUILD_GUI and BUILD_TESTING; the two screenshot
# programs are built if needed.
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build}"
out="$build/screenshots"

cmake --build "$build" --target update_screenshots compare_screenshots -j 2

mkdir -p "$out"
status=0
for program in update compare; do
  scripts/with-wm.sh "$build/tests/${program}_screenshots" "$out" || status=$?
done
echo "Capturas en $out"
exit $status
