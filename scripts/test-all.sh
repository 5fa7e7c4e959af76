#!/usr/bin/env bash
# Sets everything up, builds both builds and runs every test: the Linux build with
# AddressSanitizer and UndefinedBehaviorSanitizer, then the Windows build under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh

status=0
run_preset() {
  local preset=$1
  echo "=== $preset: configure and build"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
  echo "=== $preset: tests"
  ctest --preset "$preset" --label-exclude bench || status=1
}
run_preset linux-asan
run_preset win32
exit $status
