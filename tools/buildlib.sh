# Building the i686 tree for the scripts that then use what it makes (the
# run command, the CD image, the README's pictures). Source it.

# qx_build_win ROOT BUILD_DIR TARGET...: configures BUILD_DIR as the i686
# build in the program's configuration (MinSizeRel) and builds the targets.
# It prints the programs' sizes and any warning or release check. A failed
# build prints its log, with the compiler's messages, and fails: nothing may
# go on with a program left over from an earlier build.
qx_build_win() {
  local root=$1 dir=$2
  shift 2
  cmake -S "$root" -B "$dir" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake" \
    -DCMAKE_BUILD_TYPE=MinSizeRel >/dev/null || return 1
  local log=$dir/build.log
  if ! cmake --build "$dir" -j2 --target "$@" >"$log" 2>&1; then
    cat "$log" >&2
    echo "the build failed (log: $log)" >&2
    return 1
  fi
  grep -E "\.exe:|warning|release check" "$log" || true
}
