#!/usr/bin/env bash
# Installs everything both builds and their tests need on a fresh Debian 12 machine (as root).
set -euo pipefail
packages=(
  cmake ninja-build g++ zlib1g-dev libgtest-dev libgmock-dev googletest
  libcli11-dev nlohmann-json3-dev
  g++-mingw-w64-i686 g++-mingw-w64-x86-64-posix libz-mingw-w64-dev
  wine wine32:i386 wine64 xvfb xauth xdotool imagemagick
  zip unzip p7zip-full libarchive-tools python3 osslsigncode openssl
  clang libclang-rt-14-dev
)
missing=()
for p in "${packages[@]}"; do
  dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  dpkg --print-foreign-architectures | grep -qx i386 || dpkg --add-architecture i386
  apt-get update -qq
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
