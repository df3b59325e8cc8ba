#!/usr/bin/env bash
# Checks Windows programs as built, without running them:
#   scripts/check-pe.sh OBJDUMP FORMAT PROGRAM.exe...
# FORMAT is objdump's file format (pei-i386 for the 32-bit product,
# pei-x86-64 for the 64-bit build). Each program must be a console program
# of that format that imports only DLLs every Windows has: the C++ runtime is
# linked in, and Winsock is loaded at run time by name, never imported. The
# system's TLS (secur32, crypt32) ships with every Windows too.
set -euo pipefail
objdump=${1:?objdump}
format=${2:?format}
shift 2
allowed=' kernel32.dll msvcrt.dll user32.dll gdi32.dll shell32.dll advapi32.dll version.dll comctl32.dll comdlg32.dll ole32.dll secur32.dll crypt32.dll '
status=0
for exe in "$@"; do
  name=$(basename "$exe")
  dump=$("$objdump" -p "$exe")
  if ! grep -q "file format $format\$" <<<"$dump"; then
    echo "$name: not $format: $(grep -m1 'file format' <<<"$dump")"
    status=1
  fi
  if ! grep -Eq '^Subsystem[[:space:]]+0*3[[:space:]]' <<<"$dump"; then
    echo "$name: not a console program: $(grep -m1 '^Subsystem' <<<"$dump")"
    status=1
  fi
  while read -r dll; do
    case "$allowed" in
      *" ${dll,,} "*) ;;
      *)
        echo "$name: imports $dll"
        status=1
        ;;
    esac
  done < <(sed -n 's/^[[:space:]]*DLL Name: //p' <<<"$dump")
  [ $status -ne 0 ] || echo "$name: $format console program, imports $(sed -n 's/^[[:space:]]*DLL Name: //p' <<<"$dump" | tr '\n' ' ')"
done
exit $status
