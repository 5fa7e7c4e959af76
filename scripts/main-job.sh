#!/usr/bin/env bash
# Sets everything up, builds both builds, and runs the system end to end with its sample COM
# servers: builds a MendKit package with kolvane-cli pack, lists it, installs it unattended
# under Wine, and shows the installer's log and the registry values the servers wrote.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
bash scripts/setup.sh

echo "=== Building the programs (Linux and 32-bit Windows; no test suites)"
cmake --preset linux-programs >/dev/null && cmake --build --preset linux-programs
cmake --preset win32-programs >/dev/null && cmake --build --preset win32-programs

cli=$root/build/linux-programs/tools/kolvane-cli/kolvane-cli
win=$root/build/win32-programs
demo=$root/build/demo
rm -rf "$demo"
mkdir -p "$demo/Sample Libraries"
cp "$win"/tests/fixtures/libraries/{a.dll,c.dll,b.ocx} "$demo/Sample Libraries/"

echo
echo "=== Building a MendKit package from the sample servers"
"$cli" pack --name "Sample COM servers" --path 'C:\Program Files\Sample Servers' \
  --desc "Three small in-process COM servers that record their registration." \
  --stub "$win/bin/mendKit.exe" --out "$demo/SampleServers.exe" "$demo/Sample Libraries"/*
"$cli" list "$demo/SampleServers.exe"

if ! why=$(bash scripts/win32-runnable.sh 2>&1); then
  echo
  echo "=== NOT INSTALLED under Wine: $why"
  exit 0
fi

echo
echo "=== Installing it unattended under Wine"
export WINEARCH=win32 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" WINEPREFIX=$demo/prefix
bash cmake/wine-prefix.sh "$WINEPREFIX"
log_win="Z:${demo//\//\\}\\install.log"
set +e
wine "$demo/SampleServers.exe" /S "/LOG=$log_win"
status=$?
set -e
wineserver -w
echo "installer exit status: $status"
echo "--- installer log"
tr -d '\r' < "$demo/install.log"
echo "--- installed files"
ls -l "$WINEPREFIX/drive_c/Program Files/Sample Servers"
echo "--- registry values written by the servers (HKCU\\Software\\KolvaneTest)"
wine reg query 'HKCU\Software\KolvaneTest' | tr -d '\r'

cat <<EOT

To open the two windows (needs a display, e.g. under xvfb-run or a desktop session):
  WINEPREFIX=$WINEPREFIX WINEARCH=win32 wine $win/bin/Kolvane.exe
  WINEPREFIX=$WINEPREFIX WINEARCH=win32 wine $demo/SampleServers.exe
EOT
exit $status
