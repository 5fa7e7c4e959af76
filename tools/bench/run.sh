#!/usr/bin/env bash
# Builds kv-bench in a release build and runs it on a folder (default: the Windows DLLs that
# the wine32 package installs). Prints MB/s and peak memory of the engine beside zip -1,
# unzip and 7z, with the ratios. Usage: tools/bench/run.sh [FOLDER]
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${KV_BENCH_BUILD:-$root/build-bench}
cmake --preset linux-release -B "$build" >/dev/null
cmake --build "$build" --target kv-bench -j2 >/dev/null
exec "$build/tools/bench/kv-bench" "$@"
