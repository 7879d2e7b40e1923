# Running the Windows half on a machine that cannot run 32-bit x86 code: an
# emulated x86-64 Debian guest (QEMU, no KVM) with Wine in it, the same
# release as this machine. The guest sees the source tree and the build tree
# at the same paths as here (virtio-9p), so a script runs there unchanged;
# jobs go to it through a spool folder that both sides see, and their output
# and exit code come back. One boot serves many jobs.
#
# Sourced by winelib.sh. The guest image is made once and cached beside the
# prefix template (QX_PREFIX_CACHE), keyed by the Debian package versions and
# the script text that made it; every boot runs on a throw-away overlay of it.
#
#   QX_WINE_EMULATED=1  always use the guest; =0 never (fail where Wine
#                       cannot run here); unset: the guest only where needed
#   QX_GUEST_DIR        the running guest's folder (default BUILD/guest)
#   QX_GUEST_MEMORY     the guest's memory (default 6G)
#   QX_GUEST_NIC        QEMU's -nic for the guest (default none: no network)
#   QX_GUEST_CPU        QEMU's -cpu (default max,-smap,-smep,-pku: with SMAP
#                       every 32-bit process oopses on iret under this TCG)

qx_cache_dir() { echo "${QX_PREFIX_CACHE:-${XDG_CACHE_HOME:-${HOME:-/tmp}/.cache}/qxinst95}"; }

# qx_step NAME LOG COMMAND...: runs one step of making a prefix or a guest
# with its output in LOG. A failure names the step and shows the end of its
# output, and returns non-zero.
qx_step() {
  local name=$1 log=$2
  shift 2
  local rc=0
  "$@" >"$log" 2>&1 || rc=$?
  if [ $rc -ne 0 ]; then
    echo "qxinst95: step failed: $name (exit code $rc); the end of its output ($log):" >&2
    tail -n 30 "$log" | sed 's/^/  | /' >&2
    return 1
  fi
}

# qx_can_run_i386: whether this machine runs a 32-bit x86 Linux program. The
# probe is the least such program, written byte by byte: an ELF header, one
# program header and "xor ebx,ebx; mov eax,1; int 0x80".
qx_can_run_i386() {
  local probe
  probe=$(mktemp "${TMPDIR:-/tmp}/qx-i386-probe.XXXXXX") || return 1
  printf '\177ELF\1\1\1\0\0\0\0\0\0\0\0\0\2\0\3\0\1\0\0\0\124\200\4\10\64\0\0\0\0\0\0\0\0\0\0\0\64\0\40\0\1\0\0\0\0\0\0\0\1\0\0\0\0\0\0\0\0\200\4\10\0\200\4\10\135\0\0\0\135\0\0\0\5\0\0\0\0\20\0\0\61\333\270\1\0\0\0\315\200' >"$probe"
  chmod +x "$probe"
  local ok=1
  "$probe" 2>/dev/null && ok=0
  rm -f "$probe"
  return $ok
}

# qx_wine_path: prints "native" or "emulated", how Wine runs for this
# machine and QX_WINE_EMULATED, and says once why when it is emulated. Fails
# where Wine cannot run here and the guest is forbidden.
qx_wine_path() {
  if [ -n "${QX_WINE_PATH:-}" ]; then
    echo "$QX_WINE_PATH"
    return 0
  fi
  case "${QX_WINE_EMULATED:-}" in
    1) echo "qxinst95: QX_WINE_EMULATED=1: the Windows half runs in an emulated x86-64 guest (slower)" >&2
       echo emulated ;;
    0) if qx_can_run_i386; then echo native; else
         echo "qxinst95: this machine cannot run 32-bit x86 programs, and QX_WINE_EMULATED=0 forbids the emulated guest" >&2
         return 1
       fi ;;
    "") if qx_can_run_i386; then echo native; else
          echo "qxinst95: this machine cannot run 32-bit x86 programs; the Windows half runs in an emulated x86-64 guest (slower)" >&2
          echo emulated
        fi ;;
    *) echo "qxinst95: QX_WINE_EMULATED is 1, 0 or unset, not $QX_WINE_EMULATED" >&2; return 1 ;;
  esac
}

# The packages of the guest: the kernel and Wine, and what the Wine tests
# and the run script use there.
qx_guest_packages=(
  linux-image-amd64 initramfs-tools kmod
  wine wine32:i386 wine64 fonts-wine
  xvfb xkb-data x11-xkb-utils xdotool x11-utils imagemagick fonts-dejavu-core
  mount procps util-linux psmisc iproute2
)

qx_guest_suite() { . /etc/os-release && echo "$VERSION_CODENAME"; }

# qx_guest_image_dir: where the image for these packages and this script is
# cached. The key: the release, the versions apt would install, and the text
# of the functions that make and start the image.
qx_guest_image_dir() {
  local key
  key=$( {
    qx_guest_suite
    apt-cache policy "${qx_guest_packages[@]}" 2>/dev/null | grep -E '^[^ ]|Candidate'
    sed -n '/^qx_guest_make_image()/,/^}/p;/^qx_guest_init_text()/,/^}/p' "${BASH_SOURCE[0]}"
    sed -n '/^qx_make_prefix_template()/,/^}/p' "$(dirname "${BASH_SOURCE[0]}")/winelib.sh"
  } | sha1sum | cut -c1-12)
  echo "$(qx_cache_dir)/guest-$key"
}

# The guest's init: mounts what a system needs, the shared folders that the
# kernel's command line names (qx.share=TAG:PATH, repeated), and then runs
# the job daemon that qx.run names, from the shared tree. It powers off when
# that ends.
qx_guest_init_text() {
  cat <<'EOF'
#!/bin/bash
export PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin HOME=/root LANG=C.UTF-8
mount -t proc proc /proc 2>/dev/null
mount -t sysfs sys /sys 2>/dev/null
mount -t devtmpfs dev /dev 2>/dev/null
mkdir -p /dev/pts /dev/shm
mount -t devpts devpts /dev/pts
mount -t tmpfs tmpfs /dev/shm
mount -t tmpfs tmpfs /tmp
mount -t tmpfs tmpfs /run
hostname qxguest
modprobe -a 9pnet_virtio 9p virtiofs
run=
for arg in $(cat /proc/cmdline); do
  case "$arg" in
    qx.share=*) share=${arg#qx.share=}; mkdir -p "${share#*:}"
      mount -t 9p -o trans=virtio,version=9p2000.L,msize=262144,access=any "${share%%:*}" "${share#*:}" ||
        echo "qx-init: could not mount ${share%%:*} at ${share#*:}" ;;
    qx.vfs=*) share=${arg#qx.vfs=}; mkdir -p "${share#*:}"
      mount -t virtiofs "${share%%:*}" "${share#*:}" ||
        echo "qx-init: could not mount ${share%%:*} at ${share#*:}" ;;
    qx.run=*) run=${arg#qx.run=} ;;
  esac
done
if [ -n "$run" ]; then bash "$run"; else echo "qx-init: no qx.run on the command line"; fi
# The disk is left clean (the first boot writes the image itself): written
# out and remounted read-only before the power goes.
sync
echo u >/proc/sysrq-trigger
sleep 1
echo o >/proc/sysrq-trigger
sleep 60
EOF
}

# qx_guest_make_image DIR: makes the guest image in DIR: Debian's packages
# with mmdebstrap, an ext4 image of them, the kernel and initrd beside it,
# and a first boot that makes the Wine prefix template inside it. Each step
# is checked; DIR/.complete marks a finished image.
qx_guest_make_image() {
  local dir=$1 suite root sources=() f
  suite=$(qx_guest_suite)
  rm -rf "$dir"
  mkdir -p "$dir"
  root=$dir/root
  for f in /etc/apt/sources.list /etc/apt/sources.list.d/*.list /etc/apt/sources.list.d/*.sources; do
    [ -s "$f" ] && grep -qv '^[[:space:]]*\(#\|$\)' "$f" && sources+=("$f")
  done
  [ ${#sources[@]} -gt 0 ] || { echo "qxinst95: no apt sources on this machine for the guest" >&2; return 1; }
  local pkgs
  pkgs=$(IFS=,; echo "${qx_guest_packages[*]}")
  echo "qxinst95: making the guest image in $dir (Debian $suite from apt's sources; a few minutes, once)" >&2
  qx_step "mmdebstrap (the guest's packages)" "$dir/mmdebstrap.log" \
    mmdebstrap --variant=apt --architectures=amd64,i386 --include="$pkgs" \
    --aptopt='APT::Install-Recommends "false"' --dpkgopt='path-exclude=/usr/share/doc/*' \
    --dpkgopt='path-exclude=/usr/share/man/*' --dpkgopt='path-exclude=/usr/share/locale/*' \
    "$suite" "$root" "${sources[@]}" </dev/null || return 1
  qx_guest_init_text >"$root/qx-init"
  chmod 755 "$root/qx-init"
  cp "$root"/boot/vmlinuz-* "$dir/vmlinuz" && cp "$root"/boot/initrd.img-* "$dir/initrd.img" ||
    { echo "qxinst95: the guest has no kernel or initrd in $root/boot" >&2; return 1; }
  qx_step "mke2fs (the guest's disk image)" "$dir/mke2fs.log" \
    mke2fs -q -F -t ext4 -L qxguest -d "$root" "$dir/vm.img" 8G || return 1
  rm -rf "$root"
  # The first boot writes to the image itself: the prefix template goes in.
  local lib
  lib=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
  QX_GUEST_WRITABLE=1 qx_step "first boot of the guest" "$dir/first-boot.log" \
    qx_guest_start "$dir/first-boot" "$dir" || return 1
  qx_step "the Wine prefix template in the guest" "$dir/template.log" \
    qx_guest_run_in "$dir/first-boot" -- bash -c '. "$1/winelib.sh" && qx_make_prefix_template' _ "$lib" ||
    { qx_guest_stop "$dir/first-boot"; return 1; }
  qx_guest_stop "$dir/first-boot"
  # Every later boot runs on an overlay of this file system: it must be clean.
  qx_step "checking the image's file system after the first boot" "$dir/e2fsck.log" \
    sh -c 'e2fsck -fp "$1"; [ $? -le 1 ]' _ "$dir/vm.img" || return 1
  touch "$dir/.complete"
}

# qx_guest_image: makes sure the image is there, made once by whichever
# caller comes first, and prints its folder.
qx_guest_image() {
  local dir
  dir=$(qx_guest_image_dir)
  mkdir -p "$(dirname "$dir")"
  (
    flock 8
    [ -f "$dir/.complete" ] || qx_guest_make_image "$dir" >&2
  ) 8>"$dir.lock" || return 1
  echo "$dir"
}

# qx_guest_shares: the folders the guest sees at their own paths: the source
# tree and the build tree (when it lies outside).
qx_guest_shares() {
  local root build
  root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
  echo "$root"
  build=${QX_BUILD_DIR:-$root/build}
  mkdir -p "$build"
  build=$(cd "$build" && pwd)
  case "$build/" in "$root"/*) ;; *) echo "$build" ;; esac
}

qx_guest_default_dir() {
  local root
  root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
  echo "${QX_GUEST_DIR:-${QX_BUILD_DIR:-$root/build}/guest}"
}

# qx_guest_start STATE_DIR [IMAGE_DIR]: boots the guest in the background,
# its console in STATE_DIR/console.log, and waits until its job daemon
# answers. QX_GUEST_WRITABLE=1 boots on the image itself instead of an
# overlay.
qx_guest_start() {
  local state=$1 image=${2:-}
  [ -n "$image" ] || image=$(qx_guest_image) || return 1
  local lib
  lib=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
  rm -rf "$state"
  mkdir -p "$state/spool"
  state=$(cd "$state" && pwd)
  # Without the mitigations for speculative execution: on an emulated CPU
  # they only cost (page-table isolation empties QEMU's translation cache at
  # every system call), and the guest runs nothing but the tests.
  local append="root=/dev/vda rw console=ttyS0 quiet panic=-1 mitigations=off init=/qx-init"
  append+=" qx.run=$lib/guestd.sh"
  append+=" qx.share=qxspool:$state/spool"
  # The spool through 9p; the trees through virtiofs, one daemon each: on 9p
  # a program file that Wine maps reads as zeros in places, and every look-up
  # is slow.
  local memory=${QX_GUEST_MEMORY:-6G}
  # A serial port on which this side tells the daemon that the spool changed.
  mkfifo "$state/notify.in" "$state/notify.out" || return 1
  local shares=(-virtfs "local,path=$state/spool,mount_tag=qxspool,security_model=passthrough"
    -device virtio-serial-pci -chardev "pipe,id=qxnotify,path=$state/notify"
    -device "virtserialport,chardev=qxnotify,name=qx.notify"
    -object "memory-backend-memfd,id=mem,size=$memory,share=on" -numa node,memdev=mem)
  local n=0 share
  while read -r share; do
    setsid /usr/lib/qemu/virtiofsd --socket-path="$state/fs$n.sock" -o source="$share" -o cache=auto \
      </dev/null >"$state/virtiofsd$n.log" 2>&1 7>&- 8>&- 9>&- &
    echo $! >>"$state/virtiofsd.pids"
    shares+=(-chardev "socket,id=fs$n,path=$state/fs$n.sock"
      -device "vhost-user-fs-pci,chardev=fs$n,tag=qxshare$n")
    append+=" qx.vfs=qxshare$n:$share"
    n=$((n + 1))
  done < <(qx_guest_shares)
  for share in $(seq 0 $((n - 1))); do
    local i
    for i in $(seq 100); do [ -S "$state/fs$share.sock" ] && break; sleep 0.05; done
    [ -S "$state/fs$share.sock" ] ||
      { echo "qxinst95: virtiofsd did not start:" >&2; cat "$state/virtiofsd$share.log" >&2
        kill $(cat "$state/virtiofsd.pids") 2>/dev/null; return 1; }
  done
  local cpus=${QX_GUEST_CPUS:-$(nproc)}
  [ "$cpus" -le 4 ] || cpus=4
  local snapshot=(-snapshot)
  [ "${QX_GUEST_WRITABLE:-0}" != 1 ] || snapshot=()
  setsid qemu-system-x86_64 -accel tcg,thread=multi -cpu "${QX_GUEST_CPU:-max,-smap,-smep,-pku}" -smp "$cpus" \
    -m "$memory" -kernel "$image/vmlinuz" -initrd "$image/initrd.img" \
    -append "$append" -drive "file=$image/vm.img,if=virtio,format=raw,cache=unsafe" "${snapshot[@]}" \
    "${shares[@]}" -display none -serial "file:$state/console.log" -no-reboot -nic "${QX_GUEST_NIC:-none}" \
    </dev/null >"$state/qemu.log" 2>&1 7>&- 8>&- 9>&- &
  echo $! >"$state/qemu.pid.boot"
  local i
  for i in $(seq 1800); do
    [ -f "$state/spool/ready" ] && return 0
    if ! kill -0 "$(cat "$state/qemu.pid.boot")" 2>/dev/null; then
      echo "qxinst95: the guest ended while booting; QEMU said:" >&2
      sed 's/^/  | /' "$state/qemu.log" >&2
      tail -n 20 "$state/console.log" 2>/dev/null | sed 's/^/  | /' >&2
      qx_guest_stop "$state" # and its virtiofsd daemons
      return 1
    fi
    sleep 0.1
  done
  echo "qxinst95: the guest did not answer within 180 s; its console:" >&2
  tail -n 30 "$state/console.log" | sed 's/^/  | /' >&2
  qx_guest_stop "$state"
  return 1
}

# qx_guest_notify STATE_DIR: tells the guest's daemon that the spool
# changed. QEMU holds the pipe open; the time limit covers a QEMU that has
# just gone.
qx_guest_notify() {
  [ -p "$1/notify.in" ] && timeout 5 sh -c 'echo >"$1"' _ "$1/notify.in" 2>/dev/null || true
}

# qx_guest_stop STATE_DIR: asks the guest to power off, and ends QEMU if
# it has not within 30 s.
qx_guest_stop() {
  local state=$1 pid i
  [ -f "$state/qemu.pid.boot" ] || return 0
  pid=$(cat "$state/qemu.pid.boot")
  touch "$state/spool/stop"
  qx_guest_notify "$state"
  for i in $(seq 300); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  kill "$pid" 2>/dev/null || true
  [ ! -f "$state/virtiofsd.pids" ] || kill $(cat "$state/virtiofsd.pids") 2>/dev/null || true
  rm -f "$state/qemu.pid.boot" "$state/spool/ready" "$state/virtiofsd.pids"
}

# qx_guest_running STATE_DIR: whether a guest answers there.
qx_guest_running() {
  [ -f "$1/spool/ready" ] && [ -f "$1/qemu.pid.boot" ] && kill -0 "$(cat "$1/qemu.pid.boot")" 2>/dev/null
}

# qx_guest_ensure [STATE_DIR]: boots the guest unless one runs there; the
# first caller boots it, the others wait.
qx_guest_ensure() {
  local state=${1:-$(qx_guest_default_dir)}
  mkdir -p "$(dirname "$state")"
  (
    flock 7
    qx_guest_running "$state" || qx_guest_start "$state"
  ) 7>"$state.lock"
}

# qx_guest_run_in STATE_DIR [--cwd DIR] -- COMMAND [ARGS...]: runs the
# command in the guest, in DIR (the current folder unless given), with this
# side's QX_* variables and WINEDEBUG, prints its output as it comes and
# returns its exit code. Ended here (a test's time-out), it ends the job
# there too.
qx_guest_run_in() {
  local state=$1 cwd=$PWD
  shift
  state=$(cd "$state" && pwd) || return 125
  if [ "${1:-}" = --cwd ]; then cwd=$2; shift 2; fi
  [ "${1:-}" = -- ] && shift
  local spool=$state/spool id
  id=job-$$-$RANDOM$RANDOM
  local job
  job=$(
    echo "echo \$\$ >$(printf %q "$spool/$id.pid")"
    local name
    while read -r name; do
      case "$name" in
        QX_WINE_EMULATED | QX_WINE_PATH | QX_PREFIX_CACHE | QX_GUEST_*) ;;
        QX_* | WINEDEBUG | GTEST_*) echo "export $name=$(printf %q "${!name}")" ;;
      esac
    done < <(compgen -e)
    echo "cd $(printf %q "$cwd") || exit 125"
    # A file size limit set here (a test's stand-in for a full disk) holds
    # there too, to the byte, and so does a SIGXFSZ ignored here.
    local fsize
    fsize=$(prlimit --pid "$BASHPID" --fsize --raw --noheadings -o SOFT,HARD 2>/dev/null) || fsize=
    read -r -a fsize <<<"$fsize"
    if [ "${#fsize[@]}" = 2 ] && [ "${fsize[*]}" != "unlimited unlimited" ]; then
      echo "prlimit --pid \$\$ --fsize=${fsize[0]}:${fsize[1]} || exit 125"
    fi
    case "$(trap -p XFSZ)" in *"''"*) echo "trap '' XFSZ" ;; esac
    printf 'exec'
    printf ' %q' "$@"
  )
  # Written whole or not at all, under that file size limit too.
  local bytes
  bytes=$(LC_ALL=C && echo $((${#job} + 1)))
  if ! printf '%s\n' "$job" >"$spool/$id.tmp" 2>/dev/null ||
    [ "$(stat -c %s "$spool/$id.tmp")" != "$bytes" ]; then
    rm -f "$spool/$id.tmp"
    echo "could not hand the job to the guest: its file in $spool could not be written whole" >&2
    return 125
  fi
  mv "$spool/$id.tmp" "$spool/$id.job"
  qx_guest_notify "$state"
  # shellcheck disable=SC2064
  trap "touch '$spool/$id.kill'; qx_guest_notify '$state'; exit 143" TERM INT HUP
  # The output is read as it grows, and the wait between two looks is a read
  # that times out on a pipe nobody writes: no process per look.
  local out=$spool/$id.out line done=0 tick=0 reader= waiter
  exec {waiter}<> <(:)
  while :; do
    [ -f "$spool/$id.rc" ] && done=1
    if [ -z "$reader" ] && [ -f "$out" ]; then exec {reader}<"$out"; fi
    if [ -n "$reader" ]; then
      while IFS= read -r -u "$reader" line; do printf '%s\n' "$line"; done
      printf '%s' "$line"
    fi
    [ $done -eq 1 ] && break
    tick=$((tick + 1))
    if [ $((tick % 20)) -eq 0 ] && ! qx_guest_running "$state"; then
      echo "qxinst95: the guest stopped during the job; the end of its console:" >&2
      tail -n 20 "$state/console.log" | sed 's/^/  | /' >&2
      trap - TERM INT HUP
      return 125
    fi
    read -r -t 0.05 -u "$waiter" _ || true
  done
  exec {waiter}<&-
  [ -z "$reader" ] || exec {reader}<&-
  trap - TERM INT HUP
  local rc
  rc=$(cat "$spool/$id.rc")
  rm -f "$spool/$id".*
  return "$rc"
}

# qx_guest_run [--cwd DIR] -- COMMAND [ARGS...]: the same in the guest of
# this tree, booted first when none runs.
qx_guest_run() {
  local state
  state=$(qx_guest_default_dir)
  qx_guest_ensure "$state" || return 125
  qx_guest_run_in "$state" "$@"
}

# qx_wine_here SCRIPT ARGS...: in a script that needs Wine, called first.
# Where Wine runs in the guest and this is not the guest, it runs the script
# there with the same arguments and exits with its exit code; otherwise it
# returns and the script goes on here.
qx_wine_here() {
  [ "${QX_IN_GUEST:-0}" = 1 ] && return 0
  local path
  path=$(qx_wine_path) || exit 1
  export QX_WINE_PATH=$path
  [ "$path" = emulated ] || return 0
  local script
  script=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
  shift
  qx_guest_run -- "$script" "$@"
  exit $?
}
