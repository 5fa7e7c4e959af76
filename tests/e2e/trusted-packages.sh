# Sourced by run-e2e.sh once $package (a.dll, b.ocx, installed to C:\Installed Libs) exists:
# packages signed with osslsigncode under a throwaway certificate made by openssl here (a small
# certificate table and one past 64 KiB) install through the window and unattended; cut,
# flipped and edited-after-signing copies install nothing; libraries planted beside a package
# under system names are not loaded.
trusted="$work/trusted"
mkdir -p "$trusted"
server_key='HKCU\Software\KolvaneTest'
forget_servers() { wine reg delete "$server_key" /f >/dev/null 2>&1; }
# certificate_table_size FILE: the size the PE32 security directory names.
certificate_table_size() {
  python3 -c 'import sys; d=open(sys.argv[1],"rb").read(); pe=int.from_bytes(d[60:64],"little")
print(int.from_bytes(d[pe+24+132:pe+24+136],"little"))' "$1"
}
# flip FILE OFFSET: inverts one bit of the byte at OFFSET.
flip() {
  python3 -c 'import sys; p,o=sys.argv[1],int(sys.argv[2]); d=bytearray(open(p,"rb").read()); d[o]^=1
open(p,"wb").write(d)' "$1" "$2"
}
# member_data FILE NAME: the offset of the first data byte of a member, through its local header.
member_data() {
  python3 -c 'import sys,zipfile; z=zipfile.ZipFile(sys.argv[1]); i=z.getinfo(sys.argv[2]); f=open(sys.argv[1],"rb")
f.seek(i.header_offset); h=f.read(30); print(i.header_offset+30+int.from_bytes(h[26:28],"little")+int.from_bytes(h[28:30],"little"))' "$1" "$2"
}
# The first line of the installer's message box.
installer_box_first_line() { driver box "Install" | head -1; }

echo "== mendKit: signed packages"
openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj /CN=Throwaway -addext extendedKeyUsage=codeSigning \
  -keyout "$trusted/key.pem" -out "$trusted/cert.pem" >/dev/null 2>&1
for i in $(seq 100); do cat "$trusted/cert.pem"; done >"$trusted/chain.pem"
sign() {  # sign IN OUT [OPTION...]
  osslsigncode sign -certs "$trusted/cert.pem" -key "$trusted/key.pem" -h sha256 "${@:3}" -in "$1" -out "$2" >/dev/null 2>&1
}
sign "$package" "$trusted/Small Kit.exe"
sign "$package" "$trusted/Large Kit.exe" -ac "$trusted/chain.pem"
check "the long chain makes a certificate table past 64 KiB" test "$(certificate_table_size "$trusted/Large Kit.exe")" -gt 65536
for kit in Small Large; do
  signed="$trusted/$kit Kit.exe"
  check "$kit table: osslsigncode verify passes" osslsigncode verify -CAfile "$trusted/cert.pem" -in "$signed"
  forget_servers
  dest="$work/Signed $kit"
  timeout 60 wine "$signed" /S "/LOG=$(winpath "$trusted")\\$kit.log" "/D=$(winpath "$dest")" >/dev/null 2>&1
  expect "$kit table: unattended install returns 0" "0" "$?"
  expect "$kit table: unattended run registers a.dll" "$(winpath "$dest")\\a.dll" "$(registry_value "$server_key" a.dll)"
  forget_servers
  start "$signed"
  check "$kit table: installer window opens" driver wait "$installer"
  driver set-text "$installer" 305 "C:\\Signed $kit Window" >/dev/null
  driver click "$installer" 310 >/dev/null
  expect "$kit table: window installation ends with the success message" "Libraries successfully installed." \
    "$(driver box "Install")"
  driver answer "Install" 1 >/dev/null
  check "$kit table: installer window closes" driver gone "$installer"
  expect "$kit table: window run registers b.ocx" "C:\\Signed $kit Window\\b.ocx" "$(registry_value "$server_key" b.ocx)"
done

echo "== mendKit: damaged packages install nothing"
size=$(stat -c %s "$package")
head -c $((size - 1000)) "$package" >"$trusted/Cut.exe"
cp "$package" "$trusted/Flipped.exe"
flip "$trusted/Flipped.exe" $(($(member_data "$package" a.dll) + 100))
# Edited after signing: one letter of the DOS header's message, which no program start runs.
cp "$trusted/Small Kit.exe" "$trusted/Edited.exe"
flip "$trusted/Edited.exe" $(($(grep -boa 'This program cannot' "$package" | head -1 | cut -d: -f1) + 5))
for kit in Cut Flipped Edited; do
  forget_servers
  dest="$work/Damaged $kit"
  timeout 60 wine "$trusted/$kit.exe" /S "/LOG=$(winpath "$trusted")\\$kit.log" "/D=$(winpath "$dest")" >/dev/null 2>&1
  expect "$kit: unattended run returns 4" "4" "$?"
  check "$kit: the destination is not created" test ! -e "$dest"
  check "$kit: the log names the damage" grep -q "The package is damaged" "$trusted/$kit.log"
  check "$kit: nothing is registered" test -z "$(registry_value "$server_key" a.dll)"
  start "$trusted/$kit.exe"
  expect "$kit: the window names the damage" "The package is damaged; nothing was installed. Download it again." \
    "$(installer_box_first_line)"
  driver answer "Install" 1 >/dev/null
  check "$kit: installer window opens" driver wait "$installer"
  expect "$kit: Install stays disabled" "0" "$(driver enabled "$installer" 310)"
  closes "$kit: installer window closes" "$installer"
  check "$kit: nothing written beside the package" test ! -e "$trusted/mendkit.ini"
done
grep -q "a.dll: " "$trusted/Flipped.log" && pass "Flipped: the log names the member" || fail "Flipped: the log names the member"
grep -q "changed after it was signed" "$trusted/Edited.log" && pass "Edited: the log names the signature" ||
  fail "Edited: the log names the signature"

echo "== mendKit: libraries planted beside a package are not loaded"
# A uxtheme.dll planted in the download folder leaves uxtheme.dll.loaded when it is loaded. Wine
# prefers its own system libraries; the runs below are told to prefer the file, as Windows does
# for a library found beside the program. (Wine's user32 imports version.dll itself, before any
# program line runs, so a planted version.dll says nothing about the program under Wine.)
# The control: a copy whose restriction is disabled (the function's name spoiled, so its lookup
# fails) must load the planted library, or the check would prove nothing.
downloads="$work/Downloads"
unprotected="$work/Unprotected"
mkdir -p "$downloads" "$unprotected"
cp "$build/tests/fixtures/libraries/planted/uxtheme.dll" "$downloads/"
cp "$build/tests/fixtures/libraries/planted/uxtheme.dll" "$unprotected/"
cp "$package" "$downloads/Kit.exe"
python3 -c 'import sys; d=open(sys.argv[1],"rb").read(); n=b"SetDefaultDllDirectories\0"; i=d.index(n)
open(sys.argv[2],"wb").write(d[:i]+b"SetDefaultDllDirectorieX\0"+d[i+len(n):])' "$package" "$unprotected/Kit.exe"
export WINEDLLOVERRIDES="mscoree,mshtml=;uxtheme=n,b"
for folder in "$unprotected" "$downloads"; do
  kind=$([ "$folder" == "$downloads" ] && echo protected || echo unprotected)
  start "$folder/Kit.exe"
  check "$kind: installer window opens" driver wait "$installer"
  closes "$kind: installer window closes" "$installer"
done
check "unprotected: the planted library is loaded (the check can fail)" test -e "$unprotected/uxtheme.dll.loaded"
check "protected: the planted library is not loaded by the window" test ! -e "$downloads/uxtheme.dll.loaded"
timeout 60 wine "$downloads/Kit.exe" /S "/D=$(winpath "$work")\\Planted Libs" >/dev/null 2>&1
expect "protected: unattended install returns 0" "0" "$?"
check "protected: the planted library is not loaded unattended" test ! -e "$downloads/uxtheme.dll.loaded"
export WINEDLLOVERRIDES="mscoree,mshtml="
