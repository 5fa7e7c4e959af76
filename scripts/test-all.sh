#!/usr/bin/env bash
# Sets everything up, builds both builds and runs every test: the Linux build with
# AddressSanitizer and UndefinedBehaviorSanitizer, then the Windows build under Wine. On a machine
# that cannot start 32-bit programs at all, the Windows build is still compiled (every test program
# included) and the skipped Windows tests are announced at the end; they run wherever Wine can.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh

status=0
build_preset() {
  local preset=$1
  echo "=== $preset: configure and build"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
}
test_preset() {
  local preset=$1
  echo "=== $preset: tests"
  ctest --preset "$preset" --label-exclude bench || status=1
}
build_preset linux-asan
test_preset linux-asan
build_preset win32
if why=$(bash scripts/win32-runnable.sh 2>&1); then
  test_preset win32
else
  echo "=== win32: tests NOT RUN"
  echo "    $why"
  echo "    The Windows build was compiled; its tests need a machine that runs 32-bit programs."
fi
exit $status
