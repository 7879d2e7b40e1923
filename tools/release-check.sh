#!/bin/sh
# The release checks that the build runs: the command templates of the
# compiled resource script, then the backdrop and the icon. Prints one line
# naming the string id or the file and what is wrong, and fails, on the
# first fault.
#
#   tools/release-check.sh TOOL_DIR TEMPLATES.res BACKDROP.bmp ICON.ico
#
# TOOL_DIR holds relcheck and artpack, built from tools/ for this machine.
set -eu
tools=$1 res=$2 bmp=$3 ico=$4
"$tools/relcheck" "$res"
err=$(mktemp)
trap 'rm -f "$err"' EXIT
if ! "$tools/artpack" check "$bmp" "$ico" >/dev/null 2>"$err"; then
  sed 's/^artpack: /release check: /' "$err" >&2
  exit 1
fi
