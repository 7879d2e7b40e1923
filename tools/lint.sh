#!/usr/bin/env bash
# Checks the code as the project keeps it, and changes no file:
#   clang-format, with the repo's .clang-format, over every C++ file;
#   the direction of the includes between the folders (check-includes.py);
#   clang-tidy, with the repo's .clang-tidy, over the program's sources as the
#   i686 build compiles them.
# A deliberate exception is marked where it stands, with its reason. Exits
# non-zero when either tool finds anything, and prints what it found.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${QX_BUILD_DIR:-$root/build}/lint
cd "$root"
status=0

files=()
while IFS= read -r -d '' f; do files+=("$f"); done < <(
  git ls-files -z --cached --others --exclude-standard -- '*.cpp' '*.h')
[ ${#files[@]} -gt 0 ] || { echo "lint: no C++ files found (the lint needs a git checkout)" >&2; exit 1; }
if clang-format --dry-run -Werror "${files[@]}"; then
  echo "lint: clang-format: ${#files[@]} files formatted"
else
  echo "lint: clang-format: the files above are not formatted (clang-format -i FILE formats one)" >&2
  status=1
fi

# Includes run down the program's floors, never up and never in a cycle.
sources_and_headers=()
while IFS= read -r -d '' f; do sources_and_headers+=("$f"); done < <(
  git ls-files -z --cached --others --exclude-standard -- '*.cpp' '*.h' '*.rc')
python3 "$root/tools/check-includes.py" "$root" "${sources_and_headers[@]}" || status=1

# The compile commands of the i686 build, without its tests.
cmake -S "$root" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake" \
  -DCMAKE_EXPORT_COMPILE_COMMANDS=ON -DQX_WIN_TESTS=OFF >/dev/null
# clang does not know some of gcc's code generation switches, which change
# nothing it checks: -fno-tree-loop-distribute-patterns (the C run-time
# library's build), and the stack's and the data's alignment. Leave them out.
sed -i -E 's/ -(fno-tree-loop-distribute-patterns|mpreferred-stack-boundary=[0-9]+|malign-data=[a-z]+)//g' \
  "$build/compile_commands.json"
sources=()
while IFS= read -r f; do sources+=("$f"); done < <(
  sed -n 's/^ *"file": "\(.*\.cpp\)",\{0,1\}$/\1/p' "$build/compile_commands.json" | sort -u)

# clang finds MinGW-w64's C headers by itself but not its C++ library's:
# hand it the cross compiler's own C++ include directories.
cxx=$(sed -n 's/^set(CMAKE_CXX_COMPILER \(.*\))$/\1/p' "$root/cmake/mingw-i686.cmake")
args=(--quiet -p "$build" --extra-arg-before=--target=i686-w64-mingw32)
while IFS= read -r dir; do args+=("--extra-arg=-isystem$dir"); done < <(
  "$cxx" -x c++ -E -v - </dev/null 2>&1 |
    sed -n '/^#include <...> search starts here:/,/^End of search list/s/^ \(.*\/c++.*\)$/\1/p')

log=$build/clang-tidy.log
# The CD's MS-DOS programs are compiled apart, for real mode: their own
# compile database, written by cmake/dos.cmake.
dos_sources=()
while IFS= read -r f; do dos_sources+=("$f"); done < <(
  sed -n 's/^.*"file": "\(.*\.cpp\)",\{0,1\}$/\1/p' "$build/dos/compile_commands.json" | sort -u)
if { printf '%s\0' "${sources[@]}" | xargs -0 -n 3 -P 2 clang-tidy "${args[@]}" &&
  printf '%s\0' "${dos_sources[@]}" | xargs -0 -n 3 -P 2 clang-tidy --quiet -p "$build/dos"; } >"$log" 2>&1; then
  echo "lint: clang-tidy: ${#sources[@]} sources clean, and ${#dos_sources[@]} of the MS-DOS programs"
else
  grep -vE '^[0-9]+ warnings? (and [0-9]+ errors? )?generated\.$' "$log" >&2 || true
  echo "lint: clang-tidy found the above (log: $log)" >&2
  status=1
fi
exit $status
