#!/usr/bin/env bash
# Runs a Windows program in the test session's prefix and display (see
# session.sh); CTest uses it as the emulator for the i686 test programs.
state=$(cd "$(dirname "$0")" && pwd)/session
export WINEPREFIX=$state/prefix WINEARCH=win32 WINEDEBUG=${WINEDEBUG:--all} WINEDLLOVERRIDES="mscoree,mshtml="
[ -f "$state/display" ] && export DISPLAY=$(cat "$state/display")
exec wine "$@"
