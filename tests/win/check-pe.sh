#!/usr/bin/env bash
# The launcher's program file: PE32 for i386, GUI subsystem 4.0, imports
# from system DLLs only (no C++ runtime, libgcc or thread DLLs).
set -u
exe=$1
objdump=${OBJDUMP:-i686-w64-mingw32-objdump}
dump=$($objdump -p "$exe") || { echo "cannot read $exe"; exit 1; }
fail=0
check() { # what, pattern
  if grep -qE "$2" <<<"$dump"; then echo "ok: $1"; else echo "FAIL: $1"; fail=1; fi
}
check "PE32 for i386" 'file format pei-i386'
check "GUI subsystem" '^Subsystem[[:space:]]+00000002'
check "subsystem version 4.0" '^MajorSubsystemVersion[[:space:]]+4$'
check "subsystem version 4.0 (minor)" '^MinorSubsystemVersion[[:space:]]+0$'
allowed='^(KERNEL32|USER32|GDI32|msvcrt|ADVAPI32)\.dll$'
dlls=$(sed -n 's/^[[:space:]]*DLL Name: //p' <<<"$dump")
for dll in $dlls; do
  if grep -qiE "$allowed" <<<"$dll"; then echo "ok: imports $dll"; else echo "FAIL: imports $dll"; fail=1; fi
done
echo "size: $(stat -c %s "$exe") bytes"
exit $fail
