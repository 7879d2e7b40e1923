#!/usr/bin/env bash
# A program file for Windows 95: PE32 for i386, code a 386 can run, GUI
# subsystem 4.0, and
# imports that a plain Windows 95 installation has. Only DLLs with a list in
# win95-exports/ (KERNEL32, USER32, GDI32) may be imported from, only by
# name, and only functions on that DLL's list; anything else (msvcrt.dll,
# which Windows 95 lacks, a C++ or thread DLL, a function that came with
# Windows 98 or NT) is named in a FAIL line.
# Usage: check-pe.sh PROGRAM [EXPORTS_DIR]
set -u
exe=$1
exports=${2:-$(cd "$(dirname "$0")" && pwd)/win95-exports}
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

# Windows 95 runs on a 386: no instruction that came with the 486 (bswap,
# cmpxchg, xadd), the Pentium (cpuid, rdtsc, cmpxchg8b) or the Pentium Pro
# (cmov, fcmov, fcomi), and no MMX or SSE register.
later=$($objdump -d --no-show-raw-insn "$exe" |
  grep -E $'^ *[0-9a-f]+:	(bswap|cmpxchg|xadd|cpuid|rdtsc|cmov|fcmov|fu?comip?)|%x?mm[0-9]' | head -3)
if [ -z "$later" ]; then
  echo "ok: only instructions a 386 has"
else
  echo "FAIL: instructions a 386 does not have, such as:"
  echo "$later"
  fail=1
fi

# One "DLL function" line per import, "DLL #ordinal" for one by ordinal;
# "DLL" alone for a DLL with no entries.
imports=$(awk '
  /^The Import Tables/ { inside = 1; next }
  inside && /^[^ \t]/ { inside = 0 }
  !inside { next }
  /^\tDLL Name: / { if (dll != "" && !n) print dll; dll = $3; n = 0; next }
  dll != "" && /^\t[0-9a-f]+\t/ {
    n++
    if ($3 == "<none>") print dll " #" $2; else print dll " " $3
  }
  END { if (dll != "" && !n) print dll }
' <<<"$dump")
[ -n "$imports" ] || { echo "FAIL: no import table found"; fail=1; }

allowed=$(cd "$exports" && ls *.txt | sed 's/\.txt$//' | tr '[:lower:]' '[:upper:]' | paste -sd ' ')
declare -A bad_dlls=()
count=0
while read -r dll name; do
  list="$exports/$(tr '[:upper:]' '[:lower:]' <<<"${dll%.*}").txt"
  if [ ! -f "$list" ]; then
    [ -n "${bad_dlls[$dll]:-}" ] || echo "FAIL: imports from $dll, which is not one of the allowed DLLs ($allowed)"
    bad_dlls[$dll]=1
    fail=1
  elif [ -z "$name" ]; then
    :
  elif [ "${name#\#}" != "$name" ]; then
    echo "FAIL: imports $dll ordinal ${name#\#}: only names are the same on every Windows"
    fail=1
  elif ! grep -qxF "$name" "$list"; then
    echo "FAIL: imports $dll $name, which Windows 95 does not export (not in ${list##*/})"
    fail=1
  else
    count=$((count + 1))
  fi
done <<<"$imports"
echo "imports: $count functions checked against the Windows 95 lists"
for dll in $(awk '{print $1}' <<<"$imports" | sort -u); do
  echo "  $dll:$(awk -v d="$dll" '$1 == d && NF == 2 {printf " %s", $2}' <<<"$imports")"
done
echo "size: $(stat -c %s "$exe") bytes"
exit $fail
