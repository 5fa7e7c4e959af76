#!/usr/bin/env bash
# Runs a Windows program of the cross build under Wine, in the prefix named by WINEPREFIX
# (default: wineprefix, or wineprefix64 for KV_WINEARCH=win64, beside the current folder).
# KV_WINEARCH is the prefix's kind, win32 (the default) or win64; the program itself is
# started with `wine` in both, as our programs are 32-bit. The prefix is created on first use,
# under a lock so that tests started in parallel do not race its creation.
set -euo pipefail
export KV_WINEARCH=${KV_WINEARCH:-win32}
if [ "$KV_WINEARCH" = win64 ]; then default_prefix=$PWD/wineprefix64; else default_prefix=$PWD/wineprefix; fi
export WINEARCH=$KV_WINEARCH WINEDEBUG=${WINEDEBUG:--all} WINEDLLOVERRIDES="mscoree,mshtml="
export WINEPREFIX=${WINEPREFIX:-$default_prefix}
"$(dirname "$0")/wine-prefix.sh" "$WINEPREFIX"
exec wine "$@"
