#!/usr/bin/env bash
# Makes the Windows icon files of both programs (common/win32/resources/
# update.ico and compare.ico) from the pictures paint_icons draws, so that
# the Windows build needs no host tool. Run it after changing PaintIcons.cpp:
#
#   scripts/make-win32-icons.sh [build folder, default build]
#
# Needs the Linux build (for paint_icons) and ImageMagick's convert.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$root/build}"
command -v convert >/dev/null || { echo "falta convert (imagemagick)" >&2; exit 1; }
cmake --build "$build" --target paint_icons
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
"$build/bin/paint_icons" "$work"
for program in update compare; do
  convert $(for size in 16 24 32 48 64 128 256; do echo "$work/$program-$size.png"; done) \
    "$root/common/win32/resources/$program.ico"
done
echo "iconos en $root/common/win32/resources"
