#!/usr/bin/env bash
# The CD image, as a release would ship it: made by tools/make-cd-image.sh
# from the sample CD, its volume descriptor and listing read with isoinfo,
# extracted with bsdtar, and the extracted tree used as drive D: for the
# launcher, the CD's files and the whole loop under Wine.
#
#   cd-image-test.sh CD_DIR WORK_DIR TEST_PROGRAM
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
cd_dir=$1 work=$2 tests=$3
image=$work/orvane.iso tree=$work/tree

fail() { echo "cd-image-test: $*" >&2; exit 1; }

rm -rf "$work"
mkdir -p "$work"
"$here/../../../tools/make-cd-image.sh" "$cd_dir" "$image"

# ISO 9660 with Joliet names, labelled ORVANE.
info=$(isoinfo -d -i "$image")
grep -qx "Volume id: ORVANE" <<<"$info" || fail "volume label is not ORVANE: $(grep 'Volume id' <<<"$info")"
grep -q "Joliet with UCS level" <<<"$info" || fail "no Joliet names"

# Every file of the CD folder is in the image under its own (Joliet) name,
# and under an 8.3 upper-case name for MS-DOS mode; autorun.inf at the root.
want=$(cd "$cd_dir" && find . -type f | sed 's|^\.||' | sort)
joliet=$(isoinfo -J -f -i "$image" | sort)
for f in $want; do
  grep -qx "$f" <<<"$joliet" || fail "$f is missing from the Joliet names"
done
iso=$(isoinfo -f -i "$image")
grep -qx "/AUTORUN.INF;1" <<<"$iso" || fail "no AUTORUN.INF at the root: $iso"
bad=$(grep -vE '^(/[A-Z0-9_]{1,8}(\.[A-Z0-9_]{1,3})?(;1)?)+$' <<<"$iso" || true)
[ -z "$bad" ] || fail "names that are not 8.3: $bad"
echo "cd-image-test: $image lists $(grep -c . <<<"$want") files, label ORVANE, Joliet and 8.3 names"

# Extracted with another tool than the one that wrote it; identical to the CD folder.
mkdir -p "$tree"
bsdtar -xf "$image" -C "$tree"
diff -r "$cd_dir" "$tree" >/dev/null || fail "the extracted tree differs from the CD folder"
echo "cd-image-test: extracted with bsdtar into $tree, identical to $cd_dir"

# The extracted tree as drive D:, read-only like a CD.
"$here/private-session.sh" "$work/session" "$tree" -- "$tests" \
  --gtest_filter='CdImage.*:SampleCdFiles.*:SampleCd.LoopFromFirstStartThroughInstallToPlayAndConfigure'
