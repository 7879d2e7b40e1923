#!/usr/bin/env bash
# One test session for the tests that run under Wine (qx_session_start in
# tools/winelib.sh): "start" makes a throw-away prefix (D: is the sample CD)
# with the given settings, a headless X server of its own and a running
# wineserver; "stop" ends them (the prefix stays for a look afterwards; the
# next start replaces it). Each session lives in its own STATE_DIR, so
# sessions run side by side; the tests of one session take turns (CTest's
# resource lock). depth=8 gives the X server a palette display instead of
# true colour. With QX_TEST_DISPLAY set, the tests run on that display.
#
#   session.sh start STATE_DIR CD_DIR [version=V] [dpi=N] [desktop=WxH] [depth=D]
#   session.sh stop STATE_DIR
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/../../tools/winelib.sh"
qx_wine_here "$0" "$@"

usage="usage: $0 start STATE_DIR CD_DIR [version=V] [dpi=N] [desktop=WxH] [depth=D] | stop STATE_DIR"
[ $# -ge 2 ] || { echo "$usage" >&2; exit 2; }
cmd=$1 state=$2

case "$cmd" in
  start)
    [ $# -ge 3 ] || { echo "$usage" >&2; exit 2; }
    cd_dir=$3
    shift 3
    # Drive E: stands for a drive without a medium, and drive R: for one that
    # refuses every write (even root cannot make folders in sysfs).
    settings=(drive=e:/nonexistent/qx-drive-without-medium drive=r:/sys/kernel)
    [ -z "${QX_TEST_DISPLAY:-}" ] || settings+=("display=$QX_TEST_DISPLAY")
    qx_session_start "$state" "$cd_dir" "${settings[@]}" "$@"
    ;;
  stop)
    qx_session_stop "$state"
    ;;
  *) echo "$usage" >&2; exit 2 ;;
esac
