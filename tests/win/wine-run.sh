#!/usr/bin/env bash
# Runs a Windows program in the prefix and on the display of the test session
# that runs in STATE_DIR (session.sh). CTest runs the i686 test programs
# through a copy in the build tree that names the session by QX_SESSION.
#
#   wine-run.sh STATE_DIR PROGRAM [ARGS...]
here=$(cd "$(dirname "$0")" && pwd)
. "$here/../../tools/winelib.sh"
qx_wine_here "$0" "$@"
[ $# -ge 2 ] || { echo "usage: $0 STATE_DIR PROGRAM [ARGS...]" >&2; exit 2; }
qx_session_use "$1"
shift
exec wine "$@"
