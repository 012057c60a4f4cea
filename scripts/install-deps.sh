#!/usr/bin/env bash
# Installs the Debian packages needed to build and test both programs.
set -euo pipefail
pkgs=(cmake ninja-build g++ pkg-config libgtest-dev libutf8proc-dev qt6-base-dev rsync)
# The removable-drive tests make FAT32, exFAT and NTFS images and mount them
# through FUSE.
pkgs+=(ntfs-3g exfat-fuse exfatprogs fusefat dosfstools)
# The window-manager tests and scripts/screenshots.sh: a virtual display,
# a small window manager and xprop to read what it knows of the windows.
pkgs+=(xvfb openbox x11-utils)
# Spanish error descriptions: the es_ES.UTF-8 locale and the C library's
# Spanish message catalogue (libc-l10n).
pkgs+=(locales libc-l10n)
# The Windows programs (scripts/test-windows.sh, scripts/package-windows.sh):
# the mingw-w64 cross compiler, GoogleTest's sources to cross-build, Wine to
# run the tests, zip and NSIS for the package.
if [ "${WINDOWS_DEPS:-0}" = 1 ]; then
  pkgs+=(g++-mingw-w64-x86-64-posix googletest wine wine64 zip nsis)
fi
# The fuzz step (scripts/fuzz.sh) builds with clang; libFuzzer's runtime
# comes with Debian's compiler-rt package.
if [ "${FUZZ_DEPS:-0}" = 1 ]; then
  pkgs+=(clang libclang-rt-14-dev)
fi
SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO=sudo
missing=()
for p in "${pkgs[@]}"; do
  dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "${missing[@]}"
fi

# Generated through /etc/locale.gen, so that a later locale-gen keeps it.
if ! locale -a 2>/dev/null | grep -qix 'es_ES\.utf-\?8'; then
  if grep -q '^# *es_ES.UTF-8 UTF-8' /etc/locale.gen; then
    $SUDO sed -i 's/^# *\(es_ES.UTF-8 UTF-8\)/\1/' /etc/locale.gen
  else
    echo 'es_ES.UTF-8 UTF-8' | $SUDO tee -a /etc/locale.gen >/dev/null
  fi
  $SUDO locale-gen >/dev/null
fi
