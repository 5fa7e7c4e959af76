#!/usr/bin/env bash
# The end-to-end run: starts the real programs of a Windows build in a fresh Wine prefix on a
# virtual display, works their windows through the driver, checks what they show and leave on
# disk and in the registry, and takes screenshots of the three windows.
#   run-e2e.sh BUILD_DIR [SCREENSHOT_DIR]
# Ends with "N passed, N failed"; exits 0 only when nothing failed.
set -u
build=$(cd "$1" && pwd)
shots=${2:-}
source_dir=$(cd "$(dirname "$0")/../.." && pwd)

# A GUI program without a display waits forever: run the whole scenario under Xvfb.
if [ -z "${KV_E2E_DISPLAY_READY:-}" ]; then
  exec env KV_E2E_DISPLAY_READY=1 timeout 280 xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$@"
fi

export WINEARCH=win32 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" KV_E2E_TIMEOUT=${KV_E2E_TIMEOUT:-20}
work=$(mktemp -d "$build/e2e-run.XXXXXX")
export WINEPREFIX=$work/prefix
passed=0
failed=0
programs=()

cleanup() {
  for pid in "${programs[@]}"; do kill "$pid" 2>/dev/null; done
  wineserver -k 2>/dev/null
  wineserver -w 2>/dev/null
  if [ "$failed" -eq 0 ]; then rm -rf "$work"; else echo "kept for inspection: $work"; fi
}
trap cleanup EXIT

winpath() { local p=${1//\//\\}; printf 'Z:%s' "$p"; }
driver() { timeout 60 wine "$build/tests/e2e/kv_e2e_driver.exe" "$@" 2>/dev/null | tr -d '\r'; return "${PIPESTATUS[0]}"; }
start() { (cd "$(dirname "$1")" && exec wine "$@" >/dev/null 2>&1) & programs+=($!); }

pass() { passed=$((passed + 1)); echo "PASS  $1"; }
fail() { failed=$((failed + 1)); echo "FAIL  $1${2:+ -- $2}"; }
# check NAME COMMAND...: passes when the command succeeds.
check() { local name=$1; shift; if "$@" >/dev/null 2>&1; then pass "$name"; else fail "$name"; fi; }
# expect NAME EXPECTED ACTUAL
expect() { if [ "$2" == "$3" ]; then pass "$1"; else fail "$1" "expected [$2], got [$3]"; fi; }

# shot CAPTION FILE: one window, found by its exact caption, into the screenshot folder.
shot() {
  [ -n "$shots" ] || return 0
  local pattern id
  pattern="^$(printf '%s' "$1" | sed 's/[].[()*+?^$|\\]/\\&/g')\$"
  id=$(xdotool search --name "$pattern" 2>/dev/null | head -1)
  mkdir -p "$shots"
  if [ -n "$id" ] && import -window "$id" "$shots/$2" 2>/dev/null; then pass "screenshot $2"; else fail "screenshot $2"; fi
}

registry_value() {  # registry_value KEY NAME: the value's data, or nothing
  wine reg query "$1" /v "$2" 2>/dev/null | tr -d '\r' | awk -v n="$2" '$1 == n { sub(/^[^R]*REG_SZ[ \t]+/, ""); print }'
}

echo "== prefix"
"$source_dir/cmake/wine-prefix.sh" "$WINEPREFIX" || { fail "prefix"; exit 1; }

app="$work/Kolvane app"
mkdir -p "$app"
cp "$build/bin/Kolvane.exe" "$build/bin/mendKit.exe" "$app/"
main="Kolvane (0.4)"

echo "== Kolvane: first start"
start "$app/Kolvane.exe"
check "main window opens" driver wait "$main"
expect "InstallPath written at first start" "$(winpath "$app")\\" "$(registry_value 'HKCU\Software\Velmora\Kolvane' InstallPath)"
expect "folder field starts empty" "" "$(driver text "$main" 101)"
expect "Browse caption" "Browse..." "$(driver text "$main" 102)"
expect "Register caption" "Register" "$(driver text "$main" 110)"
expect "Create MendKit caption" "Create MendKit" "$(driver text "$main" 104)"
expect "Silent ticked at start" "1" "$(driver checked "$main" 105)"
expect "Save log disabled at start" "0" "$(driver enabled "$main" 109)"
expect "status reads (waiting)" "(waiting)" "$(driver text "$main" 112)"
expect "progress at 0" "0" "$(driver pos "$main" 111)"
shot "$main" kolvane-main.png

driver click-static "$main" 115 >/dev/null
about=$(driver box "Kolvane")
expect "about box, first line" "Kolvane - easy and comfortable libraries registering" "$(printf '%s\n' "$about" | head -1)"
expect "about box, fifth line" "Ten years on the scene and still producing!" "$(printf '%s\n' "$about" | sed -n 5p)"
driver answer "Kolvane" 1 >/dev/null

echo "== package dialog"
dialog="Create MendKit Lib Installer..."
driver click "$main" 104 >/dev/null
check "package dialog opens" driver wait "$dialog"
expect "package name" "My MendKit" "$(driver text "$dialog" 201)"
expect "default path" "C:\\Program Files\\My Libraries" "$(driver text "$dialog" 202)"
expect "description" "New libraries for better performance. Several bugs fixed." "$(driver text "$dialog" 203)"
expect "progress label" "Idle." "$(driver text "$dialog" 205)"
shot "$dialog" kolvane-package-dialog.png
driver click "$dialog" 207 >/dev/null
check "Cancel closes the dialog" driver gone "$dialog"

driver close "$main" >/dev/null
check "main window closes" driver gone "$main"

echo "== Kolvane: second start from another folder"
other="$work/Other copy"
mkdir -p "$other"
cp "$build/bin/Kolvane.exe" "$other/"
start "$other/Kolvane.exe"
check "main window opens again" driver wait "$main"
expect "InstallPath kept at second start" "$(winpath "$app")\\" "$(registry_value 'HKCU\Software\Velmora\Kolvane' InstallPath)"
driver close "$main" >/dev/null
check "second copy closes" driver gone "$main"

echo "== mendKit window"
installer="MendKit Installer (Powered by Kolvane)"
start "$app/mendKit.exe"
check "installer window opens" driver wait "$installer"
expect "title label" "MendKit" "$(driver text "$installer" 302)"
expect "overwrite ticked at start" "1" "$(driver checked "$installer" 307)"
expect "Install caption" "Install" "$(driver text "$installer" 310)"
shot "$installer" mendkit-installer.png
driver close "$installer" >/dev/null
check "installer window closes" driver gone "$installer"

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
