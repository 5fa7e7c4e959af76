#!/usr/bin/env bash
# Creates and boots a quiet Wine prefix once: wine-prefix.sh PREFIX
# KV_WINEARCH chooses its kind: win32 (the default) or win64, which also runs our 32-bit
# programs and adds the 64-bit system folder. A prefix of the other kind at PREFIX is replaced.
# A lock per prefix lets callers in parallel wait for one creation; different prefixes are
# created side by side (each has its own wineserver).
set -euo pipefail
prefix=$1
arch=${KV_WINEARCH:-win32}
case "$arch" in
  win32 | win64) ;;
  *) echo "wine-prefix.sh: KV_WINEARCH must be win32 or win64, not '$arch'" >&2; exit 2 ;;
esac
export WINEARCH=$arch WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" WINEPREFIX=$prefix
mkdir -p "$(dirname "$prefix")"
exec 9>"$prefix.lock"
flock 9
# The marker holds the prefix's kind; an empty one comes from before there were two kinds.
ready=none
if [ -f "$prefix/.kv-ready" ]; then ready=$(cat "$prefix/.kv-ready"); fi
if [ "${ready:-win32}" != "$arch" ]; then
  if [ -d "$prefix" ]; then
    wineserver -k 2>/dev/null || true
    wineserver -w 2>/dev/null || true
  fi
  rm -rf "$prefix"
  wineboot -i >/dev/null 2>&1 || true
  # Without a window manager Wine waits 2 s on every hide or close of a managed window.
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1 || true
  wineserver -w || true
  if [ ! -d "$prefix/drive_c/windows/system32" ] ||
     { [ "$arch" = win64 ] && [ ! -d "$prefix/drive_c/windows/syswow64" ]; }; then
    echo "wine-prefix.sh: wineboot made no $arch prefix at $prefix (for win64: is wine64 installed?)" >&2
    exit 1
  fi
  echo "$arch" >"$prefix/.kv-ready"
fi
