#!/usr/bin/env bash
# The end-to-end run: starts the real programs of a Windows build in a fresh Wine prefix on a
# virtual display, works their windows through the driver, checks what they show and leave on
# disk and in the registry, and takes screenshots of the three windows. A second, 64-bit prefix
# then runs the same 32-bit programs with x86 and x64 libraries side by side.
#   run-e2e.sh BUILD_DIR [SCREENSHOT_DIR]
# Ends with "N passed, N failed"; exits 0 only when nothing failed.
set -u
build=$(cd "$1" && pwd)
shots=${2:-}
source_dir=$(cd "$(dirname "$0")/../.." && pwd)

# A GUI program without a display waits forever: run the whole scenario under Xvfb.
if [ -z "${KV_E2E_DISPLAY_READY:-}" ]; then
  exec env KV_E2E_DISPLAY_READY=1 timeout 400 xvfb-run -a -s "-screen 0 1600x1200x24" "$0" "$@"
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

# closes NAME CAPTION: closes the window and waits until it has gone; on failure, lists the
# windows still open.
closes() {
  driver close "$2" >/dev/null
  if driver gone "$2" >/dev/null; then pass "$1"; else fail "$1"; driver dump | grep -v '^ '; fi
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
expect "client area at 100 %" "501 591" "$(driver client-size "$main")"
expect "main window can be neither resized nor maximised" "0" "$(driver resizable "$main")"
# Folder field, Browse, Select all, Select none, (Save log: disabled), Register, log, then the
# search field, Create MendKit and the list inside the files panel.
expect "tab order" "101 102 107 108 110 113 106 104 103" "$(driver tab-order "$main")"
shot "$main" kolvane-main.png

driver click-static "$main" 115 >/dev/null
about=$(driver box "Kolvane")
expect "about box, first line" "Kolvane - easy and comfortable libraries registering" "$(printf '%s\n' "$about" | head -1)"
expect "about box, fifth line" "Ten years on the scene and still producing!" "$(printf '%s\n' "$about" | sed -n 5p)"
driver answer "Kolvane" 1 >/dev/null

echo "== Create MendKit with nothing ticked"
driver click "$main" 104 >/dev/null
expect "nothing ticked: message" "Please, select a files to be included in the MendKit SFX package." "$(driver box "Kolvane")"
driver answer "Kolvane" 1 >/dev/null

echo "== Browse, Register, Save log"
# Wine's folder picker finds shallow folders reliably: keep the libraries on drive C:.
libs="$WINEPREFIX/drive_c/Test Libraries"
mkdir -p "$libs"
for f in a.dll c.dll b.ocx plain.dll; do cp "$build/tests/fixtures/libraries/$f" "$libs/"; done
# A backup copy: "*.dll" matches it through its 8.3 short name, the list must not.
cp "$build/tests/fixtures/libraries/a.dll" "$libs/a.dll_old"
driver click "$main" 102 >/dev/null
if driver pick-folder "C:\\Test Libraries" >/dev/null; then pass "folder picker confirms the folder"; else
  fail "folder picker confirms the folder"; echo "$passed passed, $failed failed"; exit 1; fi
expect "folder field ends with a backslash" "C:\\Test Libraries\\" "$(driver text "$main" 101)"
listing=$(driver list "$main" 103)
expect "list holds the libraries" "a.dll b.ocx c.dll plain.dll" "$(printf '%s\n' "$listing" | cut -f2 | sort | xargs)"
expect "ocx names come after dll names" "b.ocx" "$(printf '%s\n' "$listing" | tail -1 | cut -f2)"
expect "status bar counts the listed libraries" "4 libraries" "$(driver text "$main" 114)"
index_of() { printf '%s\n' "$listing" | cut -f2 | grep -nx "$1" | cut -d: -f1 | awk '{ print $1 - 1 }'; }
for f in a.dll c.dll b.ocx; do driver tick "$main" 103 "$(index_of "$f")" 1 >/dev/null; done
driver click "$main" 110 >/dev/null
expect "run ends with the success message" "All operations performed successfully!" "$(driver box "Kolvane")"
driver answer "Kolvane" 1 >/dev/null
for f in a.dll c.dll b.ocx; do
  expect "$f registered (its value written)" "C:\\Test Libraries\\$f" "$(registry_value 'HKCU\Software\KolvaneTest' "$f")"
done
expect "plain.dll not registered" "" "$(registry_value 'HKCU\Software\KolvaneTest' plain.dll)"
expect "progress at 100" "100" "$(driver pos "$main" 111)"
expect "status bar says how the run ended" "All operations performed successfully!" "$(driver text "$main" 114)"
log=$(driver list "$main" 113 | cut -f2)
expect "log title" "Kolvane ver. 0.4 operation output" "$(printf '%s\n' "$log" | sed -n 1p)"
expect "log date line" "Performed on: " "$(printf '%s\n' "$log" | sed -n 2p | cut -c1-14)"
expect "log time line" "System time: " "$(printf '%s\n' "$log" | sed -n 3p | cut -c1-13)"
rule="--------------------------------------------"
expect "log rules" "$rule $rule" "$(printf '%s\n' "$log" | sed -n '4p;$p' | xargs)"
expected_results=""
for f in $(printf '%s\n' "$listing" | cut -f2); do
  [ "$f" != plain.dll ] && expected_results+="C:\\Test Libraries\\$f OK!"$'\n'
done
expect "log result lines in list order" "$expected_results" "$(printf '%s\n' "$log" | sed -n '5,7p')"$'\n'
expect "Save log enabled after the run" "1" "$(driver enabled "$main" 109)"
driver enter "$main" 106 >/dev/null
expect "Enter in the search field runs Register (default button)" "All operations performed successfully!" \
  "$(driver box "Kolvane")"
driver answer "Kolvane" 1 >/dev/null
expect "second run appends its own block to the log" "16" "$(driver list "$main" 113 | wc -l)"
log=$(driver list "$main" 113 | cut -f2)
shot "$main" kolvane-main.png
driver click "$main" 109 >/dev/null
check "save dialog takes the log name" driver save-as "$(winpath "$work")\\run.log"
for i in $(seq 1 50); do [ -s "$work/run.log" ] && break; sleep 0.2; done
expect "saved log holds the window's lines with CR LF" "$(printf '%s\n' "$log" | sed 's/$/\r/')" "$(cat "$work/run.log" 2>/dev/null)"

echo "== Unregister from Register's drop-down and from the list's menu"
driver menu "$main" 110 0 >/dev/null
sleep 0.3
shot "$main" kolvane-unregister.png
driver choose 1 >/dev/null
expect "Unregister asks first" "Unregister 3 libraries?" "$(driver box "Kolvane")"
driver answer "Kolvane" 7 >/dev/null  # No
check "No leaves a.dll registered" test -n "$(registry_value 'HKCU\Software\KolvaneTest' a.dll)"
check "No writes no log block" test "$(driver list "$main" 113 | wc -l)" -eq 16
driver menu "$main" 103 1 >/dev/null
expect "the list's menu asks the same" "Unregister 3 libraries?" "$(driver box "Kolvane")"
driver answer "Kolvane" 6 >/dev/null  # Yes
expect "unregistering ends with the success message" "All operations performed successfully!" "$(driver box "Kolvane")"
driver answer "Kolvane" 1 >/dev/null
for f in a.dll c.dll b.ocx; do
  expect "$f unregistered (its value removed)" "" "$(registry_value 'HKCU\Software\KolvaneTest' "$f")"
done
log=$(driver list "$main" 113 | cut -f2)
expect "unregister block: the log's title and result lines" "Kolvane ver. 0.4 operation output|$(printf '%s' "$expected_results" | paste -sd '|')" \
  "$(printf '%s\n' "$log" | sed -n '17p;21,23p' | paste -sd '|')"
expect "Register reads Register again" "Register" "$(driver text "$main" 110)"

echo "== Create MendKit"
driver tick "$main" 103 "$(index_of c.dll)" 0 >/dev/null
dialog="Create MendKit Lib Installer..."
driver click "$main" 104 >/dev/null
check "package dialog opens" driver wait "$dialog"
expect "package name" "My MendKit" "$(driver text "$dialog" 201)"
expect "default path" "C:\\Program Files\\My Libraries" "$(driver text "$dialog" 202)"
expect "description" "New libraries for better performance. Several bugs fixed." "$(driver text "$dialog" 203)"
expect "progress label" "Idle." "$(driver text "$dialog" 205)"
target="$WINEPREFIX/drive_c/Installed Libs"
driver set-text "$dialog" 201 "Test Kit" >/dev/null
driver set-text "$dialog" 202 "C:\\Installed Libs" >/dev/null
# Three lines: the installer must show all of them.
driver set-text "$dialog" 203 $'Fixes for the test servers\r\nSecond line\r\nThird line' >/dev/null
shot "$dialog" kolvane-package-dialog.png
mkdir -p "$work/packages"
package="$work/packages/TestKit.exe"
driver click "$dialog" 206 >/dev/null
check "save dialog takes the package name" driver save-as "$(winpath "$package")"
expect "build ends with the success message" "MendKit successfully built!" "$(driver box "Kolvane")"
driver answer "Kolvane" 1 >/dev/null
check "package dialog closes after the build" driver gone "$dialog"
expect "unzip lists the ticked libraries and the manifest" "a.dll b.ocx mendkit.ini" \
  "$(unzip -Z1 "$package" 2>/dev/null | sort | xargs)"
expect "7z lists the same" "a.dll b.ocx mendkit.ini" \
  "$(7z l -ba -slt "$package" 2>/dev/null | sed -n 's/^Path = //p' | sort | xargs)"
check "unzip tests the package" unzip -tq "$package"
stub_size=$(stat -c %s "$app/mendKit.exe")
check "the package begins with an unchanged mendKit.exe" cmp -n "$stub_size" "$app/mendKit.exe" "$package"
expect "staging folder emptied" "" "$(ls -A "$app/Temp" 2>/dev/null)"

echo "== One run at a time"
# wait_for_text CAPTION ID TEXT: until the control shows TEXT (about 10 s at most).
wait_for_text() {
  local i
  for i in $(seq 1 40); do [ "$(driver text "$1" "$2")" == "$3" ] && return 0; sleep 0.2; done
  return 1
}
lines_before=$(driver list "$main" 113 | wc -l)
driver double-click "$main" 110 >/dev/null
expect "double-click on Register: one run, one message" "All operations performed successfully!" \
  "$(driver box "Kolvane")"
driver answer "Kolvane" 1 >/dev/null
check "no second message box" test -z "$(KV_E2E_TIMEOUT=2 driver box "Kolvane")"
log=$(driver list "$main" 113 | cut -f2)
expect "double-click on Register: one header" "1" \
  "$(printf '%s\n' "$log" | tail -n +"$((lines_before + 1))" | grep -c '^Kolvane ver\. ')"
expect "double-click on Register: one block of a.dll and b.ocx" "$((lines_before + 7))" "$(printf '%s\n' "$log" | wc -l)"

# A run long enough to stop: many copies of one server, reached by typing the folder.
many="$WINEPREFIX/drive_c/Many Libraries"
mkdir -p "$many"
for i in $(seq -w 1 24); do cp "$build/tests/fixtures/libraries/a.dll" "$many/lib$i.dll"; done
driver set-text "$main" 101 "C:\\Many Libraries" >/dev/null
driver enter "$main" 101 >/dev/null
check "Enter in the folder field lists the typed folder" wait_for_text "$main" 114 "24 libraries"
expect "the typed folder gains its backslash" "C:\\Many Libraries\\" "$(driver text "$main" 101)"
# A message box still open from an earlier step would be read as this run's end message.
for i in 1 2 3; do [ -n "$(KV_E2E_TIMEOUT=1 driver box "Kolvane")" ] && driver answer "Kolvane" 1 >/dev/null; done
driver click "$main" 107 >/dev/null
driver click "$main" 110 >/dev/null
check "Register reads Stop during the run" wait_for_text "$main" 110 "Stop"
locked=""
for id in 102 107 108 103 106 109 104; do locked+="$(driver enabled "$main" "$id")"; done
expect "Browse, Select all/none, list, search, Save log and Create MendKit locked during the run" "0000000" "$locked"
sleep 0.6  # past the double-click time: this click is a stop
driver click "$main" 110 >/dev/null
stopped=$(driver box "Kolvane")
check "Stop ends the run early with the not attempted count" \
  grep -Eq '^Stopped: [0-9]+ librar(y|ies) not attempted\.$' <<<"$stopped"
driver answer "Kolvane" 1 >/dev/null
log=$(driver list "$main" 113 | cut -f2)
expect "log: the stopped line before the closing rule" "$stopped $rule" "$(printf '%s\n' "$log" | tail -2 | xargs)"
expect "status bar after Stop" "$stopped" "$(driver text "$main" 114)"
expect "Register again after the run" "Register" "$(driver text "$main" 110)"
unlocked=""
for id in 102 107 108 103 106 109 104; do unlocked+="$(driver enabled "$main" "$id")"; done
expect "controls back after the run" "1111111" "$unlocked"

mkdir -p "$WINEPREFIX/drive_c/Empty Folder"
driver set-text "$main" 101 "C:\\Empty Folder" >/dev/null
driver enter "$main" 101 >/dev/null
check "status bar after listing an empty folder" wait_for_text "$main" 114 "No .dll or .ocx files in this folder"
driver set-text "$main" 101 "C:\\No Such Folder" >/dev/null
driver enter "$main" 101 >/dev/null
sleep 0.5
check "status bar after listing a missing folder" grep -q '^Cannot read this folder: ' <<<"$(driver text "$main" 114)"

closes "main window closes" "$main"

echo "== Kolvane: second start from another folder"
other="$work/Other copy"
mkdir -p "$other"
cp "$build/bin/Kolvane.exe" "$other/"
start "$other/Kolvane.exe"
check "main window opens again" driver wait "$main"
expect "InstallPath kept at second start" "$(winpath "$app")\\" "$(registry_value 'HKCU\Software\Velmora\Kolvane' InstallPath)"
closes "second copy closes" "$main"

echo "== mendKit: installing the package through its window"
installer="MendKit Installer (Powered by Kolvane)"
start "$package"
check "installer window opens" driver wait "$installer"
memo=$(driver text "$installer" 303)
expect "memo shows the name" "Program name: Test Kit" "$(printf '%s\n' "$memo" | sed -n 1p | tr -d '\r')"
expect "memo shows the description" "Description: Fixes for the test servers" "$(printf '%s\n' "$memo" | sed -n 2p | tr -d '\r')"
expect "memo shows every line of the description" "Second line|Third line" \
  "$(printf '%s\n' "$memo" | sed -n '3,4p' | tr -d '\r' | paste -sd '|')"
expect "destination from the manifest" "C:\\Installed Libs" "$(driver text "$installer" 305)"
expect "title label" "MendKit" "$(driver text "$installer" 302)"
expect "overwrite ticked at start" "1" "$(driver checked "$installer" 307)"
check "manifest copy beside the package while the window is open" test -f "$work/packages/mendkit.ini"
shot "$installer" mendkit-installer.png
driver click "$installer" 310 >/dev/null
expect "installation ends with the success message" "Libraries successfully installed." "$(driver box "Install")"
driver answer "Install" 1 >/dev/null
check "installer window closes after the installation" driver gone "$installer"
expect "destination holds the members, the uninstaller and its record" "a.dll b.ocx uninstall.dat uninstall.exe" \
  "$(ls "$target" 2>/dev/null | xargs)"
check "no manifest left beside the package" test ! -e "$work/packages/mendkit.ini"
for f in a.dll b.ocx; do
  expect "$f registered from the destination" "C:\\Installed Libs\\$f" "$(registry_value 'HKCU\Software\KolvaneTest' "$f")"
done

echo "== mendKit: installing again without overwriting"
cp "$build/tests/fixtures/libraries/c.dll" "$target/a.dll"  # an older a.dll that must stay
start "$package"
check "installer window opens again" driver wait "$installer"
driver set-check "$installer" 307 0 >/dev/null
driver click "$installer" 310 >/dev/null
expect "the engine asks before replacing a.dll" "Overwrite file" "$(driver box "Confirm" | cut -c1-14)"
driver answer "Confirm" 100 >/dev/null  # No to all
expect "installation still ends with the success message" "Libraries successfully installed." "$(driver box "Install")"
driver answer "Install" 1 >/dev/null
check "installer window closes" driver gone "$installer"
check "the older a.dll was kept" cmp "$build/tests/fixtures/libraries/c.dll" "$target/a.dll"

echo "== mendKit: unattended"
quiet="$work/Quiet Libs"
mkdir -p "$quiet"
echo "kept" > "$quiet/notes.txt"  # there before the install: the uninstall must leave it
# "/D=" takes the rest of the command line, so it comes last.
timeout 60 wine "$package" /S "/LOG=$(winpath "$work")\\quiet.log" "/D=$(winpath "$quiet")" >/dev/null 2>&1
expect "unattended install returns 0" "0" "$?"
expect "unattended destination holds the members" "a.dll b.ocx notes.txt uninstall.dat uninstall.exe" \
  "$(ls "$quiet" 2>/dev/null | xargs)"
expect "unattended run registers from its destination" "$(winpath "$quiet")\\a.dll" \
  "$(registry_value 'HKCU\Software\KolvaneTest' a.dll)"
check "unattended run writes its log" test -s "$work/quiet.log"
check "no manifest left after the unattended run" test ! -e "$work/packages/mendkit.ini" -a ! -e "$quiet/mendkit.ini"

# A package with a library whose registration fails, made by a peer: Info-ZIP's zip -A fixes
# the offsets of an archive placed behind the installer program.
bad="$work/packages/Failing.exe"
(cd "$build/tests/fixtures/libraries" && zip -qj "$work/failing.zip" failing.dll a.dll)
cat "$app/mendKit.exe" "$work/failing.zip" > "$bad"
zip -qA "$bad"
timeout 60 wine "$bad" /S "/D=$(winpath "$work")\\Failing Libs" >/dev/null 2>&1
expect "unattended install returns 1 when a registration fails" "1" "$?"

echo "== mendKit: uninstalling"
# The window install and its reinstall went to one folder; the unattended one took the entry.
timeout 60 wine "$target/uninstall.exe" /U /S "/LOG=$(winpath "$work")\\uninstall1.log" >/dev/null 2>&1
expect "uninstall /U /S after a reinstall returns 0" "0" "$?"
gone_soon() { local i; for i in $(seq 1 50); do [ -e "$1" ] || return 0; sleep 0.2; done; return 1; }
check "a reinstalled folder is left with nothing: gone" gone_soon "$target"
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\MendKit Test Kit'
expect "the entry names the uninstaller of the latest installation" "\"$(winpath "$quiet")\\uninstall.exe\" /U /S" \
  "$(registry_value "$uninstall_key" QuietUninstallString)"
check "wine uninstaller --list shows the package" grep -q "Test Kit" <<<"$(wine uninstaller --list 2>/dev/null)"
(wine uninstaller --remove "MendKit Test Kit" >/dev/null 2>&1 &)
uninstaller_window="MendKit Uninstaller (Powered by Kolvane)"
check "the installed programs open the uninstaller's window" driver wait "$uninstaller_window"
driver click "$uninstaller_window" 310 >/dev/null
expect "the uninstaller asks first" "Remove Test Kit and all of its libraries?" "$(driver box "Uninstall")"
driver answer "Uninstall" 6 >/dev/null
expect "the uninstaller reports success" "The libraries were successfully removed." "$(driver box "Uninstall")"
driver answer "Uninstall" 1 >/dev/null
check "the uninstaller's window closes" driver gone "$uninstaller_window"
gone_soon "$quiet/uninstall.exe"
expect "only the file that was there before the install is left" "notes.txt" "$(ls "$quiet" 2>/dev/null | xargs)"
for f in a.dll b.ocx; do
  expect "$f unregistered by the uninstall" "" "$(registry_value 'HKCU\Software\KolvaneTest' "$f")"
done
expect "the entry is gone" "" "$(registry_value "$uninstall_key" DisplayName)"

echo "== 150 % scaling"
wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d 144 /f >/dev/null 2>&1
wine reg add 'HKLM\System\CurrentControlSet\Hardware Profiles\Current\Software\Fonts' /v LogPixels \
  /t REG_DWORD /d 144 /f >/dev/null 2>&1
wineserver -k 2>/dev/null; wineserver -w 2>/dev/null
start "$app/Kolvane.exe"
check "main window opens at 150 %" driver wait "$main"
expect "client area scaled to 150 %" "752 887" "$(driver client-size "$main")"
shot "$main" kolvane-main-150.png
closes "main window closes at 150 %" "$main"

# The same programs, still 32-bit, on 64-bit Windows: libraries of both kinds side by side,
# each registered by the regsvr32 of its own bitness, and a package installed unattended.
echo "== 64-bit Windows: prefix"
wineserver -k 2>/dev/null; wineserver -w 2>/dev/null
export WINEARCH=win64 WINEPREFIX=$work/prefix64
KV_WINEARCH=win64 "$source_dir/cmake/wine-prefix.sh" "$WINEPREFIX" || {
  fail "64-bit prefix"; echo "$passed passed, $failed failed"; exit 1; }
check "64-bit prefix has a 64-bit system folder beside the 32-bit one" \
  test -d "$WINEPREFIX/drive_c/windows/syswow64" -a -f "$WINEPREFIX/drive_c/windows/system32/regsvr32.exe"

app64="$work/Kolvane app 64"
mkdir -p "$app64"
cp "$build/bin/Kolvane.exe" "$build/bin/mendKit.exe" "$build/tools/kolvane-cli/kolvane-cli.exe" "$app64/"
mixed="$WINEPREFIX/drive_c/Mixed Libraries"
mkdir -p "$mixed"
for f in server64.dll a.dll plain64.dll needs_helper.dll; do cp "$build/tests/fixtures/libraries/$f" "$mixed/"; done

# last_run_lines: the log lines of the latest run, without its title, time lines and rules.
last_run_lines() {
  driver list "$main" 113 | cut -f2 | awk '/^Kolvane ver\. / { n = 0 } { line[++n] = $0 }
    END { for (i = 5; i <= n; i++) if (line[i] !~ /^-*$/) print line[i] }'
}

# Verdicts, both registrations and the failure causes, in one window; returns early when the
# folder cannot be chosen, as every later step would only wait out its timeouts.
mixed_libraries_in_the_window() {
  echo "== 64-bit Windows: Kolvane with x86 and x64 libraries"
  start "$app64/Kolvane.exe"
  if driver wait "$main" >/dev/null; then pass "main window opens on 64-bit Windows"; else
    fail "main window opens on 64-bit Windows"; return; fi
  driver click "$main" 102 >/dev/null
  if driver pick-folder "C:\\Mixed Libraries" >/dev/null; then pass "folder picker confirms the mixed folder"; else
    fail "folder picker confirms the mixed folder"; closes "main window closes on 64-bit Windows" "$main"; return; fi
  listing=$(driver list "$main" 103)
  # The verdicts are drawn beside the names; the items themselves stay the bare file names.
  expect "list holds the x86 and x64 libraries by their bare names" \
    "a.dll needs_helper.dll plain64.dll server64.dll" "$(printf '%s\n' "$listing" | cut -f2 | sort | xargs)"
  expect "nothing ticked after browsing" "" "$(printf '%s\n' "$listing" | cut -f1 | grep -v 0 | xargs)"
  sleep 0.5  # let the list finish drawing its verdicts before the picture is taken
  shot "$main" kolvane-64bit.png

  for f in server64.dll a.dll; do driver tick "$main" 103 "$(index_of "$f")" 1 >/dev/null; done
  driver click "$main" 110 >/dev/null
  expect "x86 and x64 servers: success message" "All operations performed successfully!" "$(driver box "Kolvane")"
  driver answer "Kolvane" 1 >/dev/null
  for f in server64.dll a.dll; do
    expect "$f registered from the 32-bit program (its value written)" "C:\\Mixed Libraries\\$f" \
      "$(registry_value 'HKCU\Software\KolvaneTest' "$f")"
  done
  local expected="" f
  for f in $(printf '%s\n' "$listing" | cut -f2); do
    case $f in server64.dll | a.dll) expected+="C:\\Mixed Libraries\\$f OK!"$'\n' ;; esac
  done
  expect "log: both OK in list order, no cause lines" "$expected" "$(last_run_lines)"$'\n'
  driver menu "$main" 103 1 >/dev/null
  expect "64-bit Windows: Unregister asks first" "Unregister 2 libraries?" "$(driver box "Kolvane")"
  driver answer "Kolvane" 6 >/dev/null
  expect "x86 and x64 servers unregistered: success message" "All operations performed successfully!" \
    "$(driver box "Kolvane")"
  driver answer "Kolvane" 1 >/dev/null
  for f in server64.dll a.dll; do
    expect "$f unregistered by the regsvr32 of its bitness" "" "$(registry_value 'HKCU\Software\KolvaneTest' "$f")"
  done

  for f in server64.dll a.dll; do driver tick "$main" 103 "$(index_of "$f")" 0 >/dev/null; done
  for f in plain64.dll needs_helper.dll; do driver tick "$main" 103 "$(index_of "$f")" 1 >/dev/null; done
  driver click "$main" 110 >/dev/null
  expect "x64 non-server and x86 server without its helper: warning" "2 of 2 libraries failed to register." \
    "$(driver box "Kolvane")"
  driver answer "Kolvane" 1 >/dev/null
  expect "status shows the failure summary" "2 of 2 libraries failed to register." "$(driver text "$main" 112)"
  local block
  block=$(last_run_lines)
  expected=""
  for f in $(printf '%s\n' "$listing" | cut -f2); do
    case $f in plain64.dll | needs_helper.dll) expected+="C:\\Mixed Libraries\\$f failed."$'\n' ;; esac
  done
  expect "log: both failed, in list order, nothing else run" "$expected" \
    "$(printf '%s\n' "$block" | grep -v '^    ')"$'\n'
  cause_of() { printf '%s\n' "$block" | grep -A1 -Fx "C:\\Mixed Libraries\\$1 failed." | sed -n '2p'; }
  check "log: cause line under needs_helper.dll names kvhelper.dll" \
    grep -q '^    .*kvhelper\.dll' <<<"$(cause_of needs_helper.dll)"
  check "log: cause line under plain64.dll" grep -q '^    [^ ]' <<<"$(cause_of plain64.dll)"
  expect "log: one cause line per failure" "2" "$(printf '%s\n' "$block" | grep -c '^    [^ ]')"
  expect "needs_helper.dll not registered" "" "$(registry_value 'HKCU\Software\KolvaneTest' needs_helper.dll)"
  closes "main window closes on 64-bit Windows" "$main"
}
mixed_libraries_in_the_window

echo "== 64-bit Windows: package with x86 and x64 servers, installed unattended"
mkdir -p "$work/packages"
package64="$work/packages/Mixed Kit.exe"
timeout 60 wine "$app64/kolvane-cli.exe" pack --name "Mixed Kit" --path 'C:\Program Files\Mixed Kit' \
  --desc "An x64 and an x86 COM server" --stub "$(winpath "$app64")\\mendKit.exe" --out "$(winpath "$package64")" \
  "C:\\Mixed Libraries\\server64.dll" "C:\\Mixed Libraries\\a.dll" >"$work/pack64.out" 2>&1
status=$?
expect "kolvane-cli pack returns 0" "0" "$status"
[ "$status" -eq 0 ] || tr -d '\r' <"$work/pack64.out"
expect "the package holds both servers and the manifest" "a.dll mendkit.ini server64.dll" \
  "$(unzip -Z1 "$package64" 2>/dev/null | sort | xargs)"
check "the package begins with an unchanged mendKit.exe" \
  cmp -n "$(stat -c %s "$app64/mendKit.exe")" "$app64/mendKit.exe" "$package64"
installed="$WINEPREFIX/drive_c/Program Files/Kolvane Test"
# Typed as on a command line, unquoted: /D= takes the rest of the arguments, spaces and all.
timeout 60 wine "$package64" /S "/LOG=$(winpath "$work")\\install64.log" /D=C:\\Program Files\\Kolvane Test \
  >/dev/null 2>&1
status=$?
expect "unattended install on 64-bit Windows returns 0" "0" "$status"
[ "$status" -eq 0 ] || tr -d '\r' <"$work/install64.log" 2>/dev/null
expect "destination with spaces holds both servers" "a.dll server64.dll uninstall.dat uninstall.exe" \
  "$(ls "$installed" 2>/dev/null | xargs)"
for f in server64.dll a.dll; do
  expect "$f registered from the destination" "C:\\Program Files\\Kolvane Test\\$f" \
    "$(registry_value 'HKCU\Software\KolvaneTest' "$f")"
done

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
