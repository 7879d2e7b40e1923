#!/usr/bin/env bash
# tools/run.sh on a display, where Wine runs in the emulated guest
# (tools/guestlib.sh): boots a guest of its own whose X clients reach this
# side's DISPLAY, and runs run.sh there with the same options. The launcher's
# window then opens on this display among the others, and whatever it
# starts (the installer, the game) too. The guest's only network is that one
# forwarded connection: QEMU's user network, restricted, with no way out but
# to the X server. The prefix lies in the build tree, so that the next run
# finds the game installed, as run.sh keeps it.
#
#   tools/run-shown.sh [--fresh] [--dpi N]     (run.sh calls it)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${QX_BUILD_DIR:-$root/build}
. "$root/tools/winelib.sh"

# Where this side's X server listens: a socket for a local display (":0",
# "unix:0"), otherwise TCP port 6000 + N on its host.
number=${DISPLAY#*:}
number=${number%%.*}
case "$DISPLAY" in
  :* | unix:*) target="UNIX-CONNECT:/tmp/.X11-unix/X$number" ;;
  *) target="TCP:${DISPLAY%%:*}:$((6000 + number))" ;;
esac
case "$number" in "" | *[!0-9]*) echo "run-shown: cannot read the display number of DISPLAY=$DISPLAY" >&2; exit 2 ;; esac

state=$build/run/guest
mkdir -p "$build/run"
# The display's cookie, if it has one, for any host name: the guest's
# clients come to it from another address.
auth=$build/run/Xauthority
rm -f "$auth"
touch "$auth"
if command -v xauth >/dev/null && xauth nlist "$DISPLAY" 2>/dev/null | grep -q .; then
  xauth nlist "$DISPLAY" | sed 's/^..../ffff/' | xauth -f "$auth" nmerge - ||
    { echo "run-shown: could not copy the display's cookie" >&2; exit 1; }
fi

trap 'qx_guest_stop "$state"' EXIT
echo "run-shown: booting the emulated guest for the launcher's window on $DISPLAY (about 15 s)"
QX_GUEST_NIC="user,model=virtio-net-pci,restrict=on,guestfwd=tcp:10.0.2.100:6000-cmd:socat STDIO $target" \
  qx_guest_start "$state"
qx_guest_run_in "$state" -- bash -c '
  modprobe virtio_net
  dev=$(ls /sys/class/net | grep -vx lo | head -n1)
  [ -n "$dev" ] && ip addr add 10.0.2.15/24 dev "$dev" && ip link set "$dev" up ||
    { echo "run-shown: the guest could not bring up its link to the display" >&2; exit 1; }
  export DISPLAY=10.0.2.100:0 XAUTHORITY=$1
  shift
  exec "$@"' _ "$auth" "$root/tools/run.sh" "$@"
