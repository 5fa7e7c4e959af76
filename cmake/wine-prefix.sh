#!/usr/bin/env bash
# Creates and boots a quiet 32-bit Wine prefix once: wine-prefix.sh PREFIX
set -euo pipefail
prefix=$1
export WINEARCH=win32 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" WINEPREFIX=$prefix
mkdir -p "$(dirname "$prefix")"
exec 9>"$prefix.lock"
flock 9
if [ ! -f "$prefix/.kv-ready" ]; then
  rm -rf "$prefix"
  wineboot -i >/dev/null 2>&1 || true
  # Without a window manager Wine waits 2 s on every hide or close of a managed window.
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1 || true
  wineserver -w || true
  touch "$prefix/.kv-ready"
fi
