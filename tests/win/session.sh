#!/usr/bin/env bash
# One test session for the tests that run under Wine: "start" makes a
# throw-away prefix (D: is the sample CD) with the given settings, a headless
# X server of its own and a running wineserver; "stop" ends them (the prefix
# stays for a look afterwards; the next start replaces it). Each session
# lives in its own STATE_DIR, so sessions run side by side; the tests of one
# session take turns (CTest's resource lock). depth=8 gives the X server a
# palette display instead of true colour.
#
#   session.sh start STATE_DIR CD_DIR [version=V] [dpi=N] [desktop=WxH] [depth=D]
#   session.sh stop STATE_DIR
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/../../tools/winelib.sh"

cmd=$1 state=$2
export WINEPREFIX=$state/prefix

case "$cmd" in
  start)
    cd_dir=$3; shift 3
    depth=24 settings=()
    for setting in "$@"; do
      case "$setting" in
        depth=*) depth=${setting#depth=} ;;
        *) settings+=("$setting") ;;
      esac
    done
    mkdir -p "$state"
    [ -f "$state/xvfb.pid" ] && { qx_stop_wineserver; qx_stop_xvfb "$state"; }
    qx_make_prefix "$WINEPREFIX" "$cd_dir"
    # Drive E: stands for a drive without a medium, and drive R: for one that
    # refuses every write (even root cannot make folders in sysfs).
    ln -sfn /nonexistent/qx-drive-without-medium "$WINEPREFIX/dosdevices/e:"
    ln -sfn /sys/kernel "$WINEPREFIX/dosdevices/r:"
    qx_configure_prefix "$WINEPREFIX" "${settings[@]}"
    if [ -n "${QX_TEST_DISPLAY:-}" ]; then
      echo "$QX_TEST_DISPLAY" >"$state/display"
    else
      qx_start_xvfb "$state" "$depth"
    fi
    export DISPLAY=$(cat "$state/display")
    qx_start_wineserver
    ;;
  stop)
    qx_stop_wineserver
    qx_stop_xvfb "$state"
    ;;
  *) echo "usage: $0 start STATE_DIR CD_DIR [version=V] [dpi=N] [desktop=WxH] [depth=D] | stop STATE_DIR" >&2; exit 2 ;;
esac
