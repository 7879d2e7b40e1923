#!/usr/bin/env bash
# Runs a command on the side where Wine runs: here, or in the emulated guest
# on a machine that cannot run 32-bit x86 programs (tools/guestlib.sh). For
# a test command that is more than one Wine program, such as one run under a
# file size limit.
#
#   wine-side.sh COMMAND [ARGS...]
here=$(cd "$(dirname "$0")" && pwd)
. "$here/../../tools/winelib.sh"
qx_wine_here "$0" "$@"
exec "$@"
