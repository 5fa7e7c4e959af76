#!/usr/bin/env bash
# Builds the archives of the extraction interop test with the peer tools: the same folder
# (text, binary, empty and read-only files, a sub-folder, known even-second times) packed by
# Info-ZIP zip, 7-Zip, bsdtar and Python's zipfile. Usage: extract_peers.sh OUTPUT_FOLDER
set -euo pipefail
out=$1
rm -rf "$out"
mkdir -p "$out/src/sub"
cd "$out/src"
printf 'hello\r\nworld\r\n' > readme.txt
python3 -c "import random,sys; r=random.Random(7); sys.stdout.buffer.write(bytes(r.randrange(64) for _ in range(300000)))" > sub/data.bin
: > sub/empty.txt
echo 'read only' > readonly.txt
for f in readme.txt sub/data.bin sub/empty.txt readonly.txt sub .; do touch -d '2023-06-15 10:20:30' "$f"; done
chmod 444 readonly.txt
files=(readme.txt readonly.txt sub sub/data.bin sub/empty.txt)
zip -q -X ../infozip.zip "${files[@]}"
7z a -tzip -bd ../7z.zip "${files[@]}" > /dev/null
bsdtar --format zip -n -cf ../bsdtar.zip "${files[@]}"
python3 - "${files[@]}" <<'PY'
import sys, zipfile
with zipfile.ZipFile("../python.zip", "w", zipfile.ZIP_DEFLATED) as z:
    for name in sys.argv[1:]:
        z.write(name)
PY
