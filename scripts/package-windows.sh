#!/usr/bin/env bash
# Makes the Windows package: build-windows/update-compare-<version>-win64.zip
# with update.exe, compare.exe and their Spanish guides (CR LF line ends, as
# Windows editors expect), and, where makensis is installed, an installer
# build-windows/update-compare-<version>-setup.exe made from the same files.
set -euo pipefail
cd "$(dirname "$0")/.."
WINDOWS_DEPS=1 scripts/install-deps.sh
cmake --preset windows
cmake --build --preset windows -j "$(nproc)" --target update compare
version=$(sed -n 's/^project(BackupTools VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
name="update-compare-$version-win64"
stage="build-windows/package/$name"
rm -rf "build-windows/package"
mkdir -p "$stage"
cp build-windows/bin/update.exe build-windows/bin/compare.exe "$stage/"
x86_64-w64-mingw32-strip "$stage/update.exe" "$stage/compare.exe"
for guide in Update Create; do
  sed 's/\r*$/\r/' "docs/$guide.txt" > "$stage/$guide.txt"
done
rm -f "build-windows/$name.zip"
(cd build-windows/package && zip -q -r -X "../$name.zip" "$name")
echo "build-windows/$name.zip"
if command -v makensis >/dev/null; then
  makensis -V2 -DVERSION="$version" -DSTAGE="$PWD/$stage" -DOUTFILE="$PWD/build-windows/update-compare-$version-setup.exe" \
    scripts/windows-installer.nsi
  echo "build-windows/update-compare-$version-setup.exe"
fi
