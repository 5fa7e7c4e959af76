#!/usr/bin/env bash
# Runs a Windows program of the cross build under Wine, in the prefix named by WINEPREFIX
# (default: wineprefix beside the current folder). The prefix is created on first use,
# under a lock so that tests started in parallel do not race its creation.
set -euo pipefail
export WINEARCH=win32 WINEDEBUG=${WINEDEBUG:--all} WINEDLLOVERRIDES="mscoree,mshtml="
export WINEPREFIX=${WINEPREFIX:-$PWD/wineprefix}
"$(dirname "$0")/wine-prefix.sh" "$WINEPREFIX"
exec wine "$@"
