#!/usr/bin/env bash
# Builds kv-bench and kolvane-cli in a release build and runs the benchmark on a folder
# (default: the Windows DLLs of the wine32 package, stripped, copied once into the build
# folder). Prints times, MB/s and peak memory of kolvane-cli beside zip -1, 7z, unzip and
# bsdtar with the ratios, and the listing of generated archives of 100,000 and 1,000,000
# entries beside unzip -l. With a Windows build in $KV_BENCH_WIN32 (default build/win32) it
# also runs kolvane-cli.exe under Wine. Usage: tools/bench/run.sh [FOLDER]
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${KV_BENCH_BUILD:-$root/build-bench}
cmake --preset linux-release -B "$build" >/dev/null
cmake --build "$build" --target kv-bench kolvane-cli -j2 >/dev/null
folder=${1:-}
if [ -z "$folder" ]; then
  folder=$build/bench-dlls
  if [ ! -d "$folder" ]; then
    source=/usr/lib/i386-linux-gnu/wine/i386-windows
    [ -d "$source" ] || source=/usr/lib/wine/i386-windows
    mkdir -p "$folder.tmp"
    for f in "$source"/*.dll; do
      i686-w64-mingw32-strip -o "$folder.tmp/$(basename "$f")" "$f" 2>/dev/null || cp "$f" "$folder.tmp/"
    done
    mv "$folder.tmp" "$folder"
  fi
fi
win32=${KV_BENCH_WIN32:-$root/build/win32}
if [ -f "$win32/tools/kolvane-cli/kolvane-cli.exe" ] && command -v wine >/dev/null; then
  export KV_BENCH_WINE_CLI=$win32/tools/kolvane-cli/kolvane-cli.exe
  export KV_BENCH_WINE=$root/cmake/wine-run.sh WINEPREFIX=${WINEPREFIX:-$win32/wineprefix}
fi
export KV_BENCH_CLI=$build/tools/kolvane-cli/kolvane-cli
exec "$build/tools/bench/kv-bench" "$folder"
