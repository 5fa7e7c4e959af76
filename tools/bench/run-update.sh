#!/usr/bin/env bash
# Builds kv-bench-update in a release build and runs it: the time to add one small file to an
# archive of MEGABYTES (default 150) with the engine, with zip and a plain copy of the archive.
# Usage: tools/bench/run-update.sh [MEGABYTES]
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${KV_BENCH_BUILD:-$root/build-bench}
cmake --preset linux-release -B "$build" >/dev/null
cmake --build "$build" --target kv-bench-update -j2 >/dev/null
exec "$build/tools/bench/kv-bench-update" "$@"
