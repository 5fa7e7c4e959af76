#!/usr/bin/env bash
# Tells whether this machine can start the 32-bit Windows programs of the cross build under Wine.
# Wine runs a 32-bit program through its 32-bit loader, a 32-bit Linux executable; some virtual
# machines run no 32-bit executables at all (their kernel answers "Exec format error"), and there
# the Windows build can be compiled but none of its programs or tests can be started.
# Exit 0 when they can run; otherwise 1, with the reason on stderr.
loader=/usr/lib/wine/wine
if [ ! -x "$loader" ]; then
  echo "Wine's 32-bit loader $loader is not installed." >&2
  exit 1
fi
if ! output=$("$loader" --version 2>&1); then
  echo "This machine cannot start 32-bit programs: $loader --version failed: $output" >&2
  exit 1
fi
exit 0
