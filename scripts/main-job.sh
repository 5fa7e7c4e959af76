#!/usr/bin/env bash
# Sets everything up and builds both programs (Linux build and the 32-bit Windows build).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake --preset linux >/dev/null
cmake --build --preset linux
cmake --preset win32 >/dev/null
cmake --build --preset win32
echo "Built: build/linux (native) and build/win32 (32-bit Windows programs)."
