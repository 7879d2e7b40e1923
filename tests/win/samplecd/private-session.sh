#!/usr/bin/env bash
# Runs one Windows test program in a Wine session of its own (session.sh): a
# throw-away prefix whose drive D: is CD_DIR (a CD-ROM drive) and whose drive
# R: refuses every write, a headless X server (or QX_TEST_DISPLAY) and a
# running wineserver. The sample CD's tests install the game, write
# qx.ini and fill drive C:, so they keep away from the shared session.
#
#   private-session.sh STATE_DIR CD_DIR [--fsize BYTES] -- PROGRAM [ARGS...]
#
# With --fsize the program runs under that file size limit, which stands in
# for a full disk (the wineserver, started before, is not limited). Exits
# with the program's exit code; the session is gone afterwards.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/../../../tools/winelib.sh"
qx_wine_here "$0" "$@"

state=$1 cd_dir=$2
shift 2
fsize=
if [ "${1:-}" = --fsize ]; then fsize=$2; shift 2; fi
[ "${1:-}" = -- ] && shift
[ $# -ge 1 ] || { echo "usage: $0 STATE_DIR CD_DIR [--fsize BYTES] -- PROGRAM [ARGS...]" >&2; exit 2; }

session=$here/../session.sh
finish() {
  "$session" stop "$state"
  rm -rf "$state/prefix"
}
trap finish EXIT
"$session" start "$state" "$cd_dir"
qx_session_use "$state"

set +e
if [ -n "$fsize" ]; then
  # Ignored, SIGXFSZ turns a write past the limit into an error the program sees.
  (trap '' XFSZ; QX_FILE_SIZE_LIMIT=$fsize exec prlimit --fsize="$fsize" wine "$@")
else
  wine "$@"
fi
code=$?
set -e
exit "$code"
