#!/usr/bin/env bash
# Installs the Debian packages needed to build and test both programs.
set -euo pipefail
pkgs=(cmake ninja-build g++ pkg-config libgtest-dev libutf8proc-dev qt6-base-dev rsync)
# The removable-drive tests make FAT32, exFAT and NTFS images and mount them
# through FUSE.
pkgs+=(ntfs-3g exfat-fuse exfatprogs fusefat dosfstools)
# The fuzz step (scripts/fuzz.sh) builds with clang; libFuzzer's runtime
# comes with Debian's compiler-rt package.
if [ "${FUZZ_DEPS:-0}" = 1 ]; then
  pkgs+=(clang libclang-rt-14-dev)
fi
missing=()
for p in "${pkgs[@]}"; do
  dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  SUDO=""
  [ "$(id -u)" -eq 0 ] || SUDO=sudo
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "${missing[@]}"
fi
