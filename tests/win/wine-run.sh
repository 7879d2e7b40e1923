#!/usr/bin/env bash
# Runs a Windows program in a test session's prefix and display (see
# session.sh); CTest uses it as the emulator for the i686 test programs.
# QX_SESSION names the session (each test is given one); "a" when unset.
state=$(cd "$(dirname "$0")" && pwd)/session/${QX_SESSION:-a}
export WINEPREFIX=$state/prefix WINEARCH=win32 WINEDEBUG=${WINEDEBUG:--all} WINEDLLOVERRIDES="mscoree,mshtml="
[ -f "$state/display" ] && export DISPLAY=$(cat "$state/display")
exec wine "$@"
