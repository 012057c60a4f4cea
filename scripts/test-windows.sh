#!/usr/bin/env bash
# Cross-builds both programs for Windows (mingw-w64) and runs the Windows
# test suites under Wine through CTest: the file-system layer's own suites,
# the platform-independent ones, and the sample tree mirrored end to end.
set -euo pipefail
cd "$(dirname "$0")/.."
WINDOWS_DEPS=1 scripts/install-deps.sh
export WINEDEBUG=-all
# No display: the programs and the tests run as console programs.
unset DISPLAY WAYLAND_DISPLAY
# A Wine prefix of its own, made once; a wineserver that stays up for the
# whole run, so that each test process costs milliseconds, not seconds.
export WINEPREFIX="${WINEPREFIX:-$PWD/build-windows/wineprefix}"
mkdir -p "$(dirname "$WINEPREFIX")"
if [ ! -d "$WINEPREFIX" ]; then
  wineboot --init >/dev/null 2>&1 || true
  # The server wineboot started must end before one is started to stay.
  wineserver -w
fi
wineserver -p
# Wine's own helper processes start with the first program and stay with the
# server: started here, away from CTest's pipes, which they would hold open.
wine cmd /c exit >/dev/null 2>&1 </dev/null || true
trap 'wineserver -k >/dev/null 2>&1 || true' EXIT
cmake --preset windows
cmake --build --preset windows -j "$(nproc)"
ctest --preset windows -j "$(nproc)"
