#!/usr/bin/env bash
# Shows every Win32 window of update and compare under Wine on a virtual X
# display (Xvfb) managed by openbox, and saves a PNG of each, cut to the
# windows on screen, in <build>/screenshots, for review by eye: texts must
# fit their controls, nothing cut off, the fonts and themes as on Windows.
#
#   scripts/screenshots-windows.sh [build folder]     (default: build-windows)
#
# With DPI set (for example DPI=144) the windows are shown at that many dots
# per inch, in a Wine prefix of their own under the build folder, and the
# screenshots go to <build>/screenshots-<DPI>dpi.
#
# Needs wine, Xvfb, openbox, xprop, xdotool and ImageMagick (import,
# convert), and a Windows build; the demo program is built if needed.
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build-windows}"
out="$build/screenshots"
if [ -n "${DPI:-}" ]; then
  out="$build/screenshots-${DPI}dpi"
  export WINEPREFIX="$(pwd)/$build/wineprefix-${DPI}dpi"
fi

for tool in wine xdotool import convert; do
  command -v "$tool" >/dev/null || { echo "SKIP: falta $tool"; exit 77; }
done
cmake --build "$build" --target win32_windows_demo -j 2
mkdir -p "$out"

export WINEDEBUG=-all
export DEMO="$(pwd)/$build/bin/win32_windows_demo.exe" OUT="$out"
# window name, then the caption that shows it is up.
export SHOTS="update-main:Update
compare-main:Compare
seldir:Directorio origen
update-progress:Actualizando...
compare-progress:Comparando...
errores:Errores
about-update:Acerca de Update
about-compare:Acerca de Compare
question:Actualizar
no-origin:Compare"

scripts/with-wm.sh bash -c '
  # A server that outlives each demo for a few seconds keeps them quick;
  # the first run of a new Wine prefix sets it up first.
  wineserver -p10 >/dev/null 2>&1 || true
  wine wineboot --init >/dev/null 2>&1 || true
  if [ -n "${DPI:-}" ]; then
    wine reg add "HKCU\\Control Panel\\Desktop" /v LogPixels /t REG_DWORD /d "$DPI" /f >/dev/null 2>&1
  fi
  status=0
  while IFS=: read -r name caption; do
    wine "$DEMO" "$name" --exit-after 30 &
    pid=$!
    # The window is up once the window manager has mapped it; a message box
    # shares its caption with a window behind it, so the last one mapped wins.
    # Polled rather than waited on: a window Wine destroys meanwhile would
    # end xdotool'"'"'s own wait with an X error.
    up=""
    for _ in $(seq 1 100); do
      if xdotool search --onlyvisible --name "^${caption//./\\.}\$" >/dev/null 2>&1; then
        up=1
        break
      fi
      sleep 0.2
    done
    if [ -n "$up" ]; then
      sleep 1.5
      import -window root "$OUT/$name-full.png"
      convert "$OUT/$name-full.png" -trim +repage "$OUT/$name.png"
      rm -f "$OUT/$name-full.png"
      echo "$OUT/$name.png"
    else
      echo "no apareció la ventana \"$caption\" ($name)" >&2
      status=1
    fi
    # The demo ends by itself after 30 s; once photographed it is not needed.
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  done <<< "$SHOTS"
  exit $status
' || status=$?
echo "Capturas en $out"
exit "${status:-0}"
