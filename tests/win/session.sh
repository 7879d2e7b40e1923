#!/usr/bin/env bash
# Test session for the tests that run under Wine: "start" makes a throw-away
# prefix (D: is the sample CD), a headless X server and a running wineserver;
# "stop" ends them. State lives in STATE_DIR.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/../../tools/winelib.sh"

cmd=$1 state=$2 cd_dir=${3:-}
export WINEPREFIX=$state/prefix

case "$cmd" in
  start)
    mkdir -p "$state"
    [ -f "$state/xvfb.pid" ] && { qx_stop_wineserver; qx_stop_xvfb "$state"; }
    qx_make_prefix "$WINEPREFIX" "$cd_dir"
    # Drive E: stands for a drive without a medium.
    ln -sfn /nonexistent/qx-drive-without-medium "$WINEPREFIX/dosdevices/e:"
    if [ -n "${QX_TEST_DISPLAY:-}" ]; then
      echo "$QX_TEST_DISPLAY" >"$state/display"
    else
      qx_start_xvfb "$state"
    fi
    export DISPLAY=$(cat "$state/display")
    qx_start_wineserver
    ;;
  stop)
    qx_stop_wineserver
    qx_stop_xvfb "$state"
    ;;
  *) echo "usage: $0 start|stop STATE_DIR [CD_DIR]" >&2; exit 2 ;;
esac
