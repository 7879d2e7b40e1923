#!/usr/bin/env bash
# Builds the CD image of a release: an ISO 9660 image with Joliet names and
# the volume label ORVANE, from the sample CD folder that the build lays out.
#
#   tools/make-cd-image.sh                 build everything, then the image
#                                          build/orvane.iso
#   tools/make-cd-image.sh CD_DIR OUT.iso  the image of an existing CD folder
#
# ISO 9660 level 1 keeps every name in 8.3 form, as MS-DOS mode sees the CD;
# the Joliet names are what Windows shows. AutoRun reads autorun.inf at the
# root. Needs xorriso (tools/install-deps.sh installs it).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

if [ $# -eq 0 ]; then
  build=${QX_BUILD_DIR:-$root/build}
  "$root/tools/install-deps.sh"
  . "$root/tools/buildlib.sh"
  qx_build_win "$root" "$build/win" sample_cd
  set -- "$build/win/cd" "$build/orvane.iso"
fi
[ $# -eq 2 ] || { echo "usage: $0 [CD_DIR OUT.iso]" >&2; exit 2; }
cd_dir=$1 out=$2

[ -f "$cd_dir/autorun.inf" ] && [ -f "$cd_dir/Qxinst95.exe" ] ||
  { echo "make-cd-image: $cd_dir is no sample CD (no autorun.inf or Qxinst95.exe)" >&2; exit 1; }
mkdir -p "$(dirname "$out")"
rm -f "$out"
# No Rock Ridge: Windows reads the Joliet names, MS-DOS mode the 8.3 ones.
log=$(mktemp)
trap 'rm -f "$log"' EXIT
if ! xorriso -as mkisofs -quiet -iso-level 1 -J --norock -V ORVANE -o "$out" "$cd_dir" 2>"$log"; then
  cat "$log" >&2
  exit 1
fi
echo "CD image: $out ($(stat -c %s "$out") bytes)"
