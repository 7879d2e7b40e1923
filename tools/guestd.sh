#!/bin/bash
# The job daemon of the emulated guest (guestlib.sh), started by its init
# once the shared folders are mounted. It watches the spool folder that the
# other side shares with it: each NAME.job is a script it runs at once, side
# by side with the others, its output in NAME.out and its exit code written
# to NAME.rc when it ends. NAME.kill ends a job with everything it started;
# "stop" ends the daemon, and so the guest. After an hour without a job the
# guest powers off by itself, so a forgotten one does not stay.

# Run from a copy, so that an edit of this file meanwhile does not reach the
# running daemon halfway through.
if [ "${QX_GUESTD_COPY:-0}" != 1 ]; then
  cp "$0" /run/qx-guestd.sh && QX_GUESTD_COPY=1 exec bash /run/qx-guestd.sh
fi
spool=/qx-spool
for arg in $(cat /proc/cmdline); do
  case "$arg" in qx.share=qxspool:*) spool=${arg#qx.share=qxspool:} ;; esac
done
export QX_IN_GUEST=1 QX_PREFIX_CACHE=/var/cache/qxinst95 HOME=/root
# The tests' waits for real events are stretched here (TimeLimit in the tests'
# support code), unless the job says otherwise.
export QX_TEST_TIME_SCALE=3
# A session's wineserver outlives an hour without clients here, not ten
# minutes: the tests of one session are further apart on an emulated CPU, and
# a server started again costs a quarter of a minute.
export QX_WINESERVER_PERSIST=3600
export PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin
cd "$spool" || exit 1
ulimit -n 4096

# The loopback interface, for X clients that ask for localhost.
ip link set lo up 2>/dev/null || ifconfig lo up 2>/dev/null || true

run_job() {
  local name=$1
  mv "$name.job" "$name.run" || return
  (
    setsid bash "$name.run" </dev/null >"$name.out" 2>&1
    echo $? >"$name.rc.tmp"
    mv "$name.rc.tmp" "$name.rc"
  ) &
}

kill_job() {
  local name=$1 pid
  rm -f "$name.kill"
  pid=$(cat "$name.pid" 2>/dev/null) || return
  kill -TERM -- "-$pid" 2>/dev/null
  sleep 1
  kill -KILL -- "-$pid" 2>/dev/null
}

# The other side says on a serial port of its own when it has put something
# in the spool, so the daemon waits there instead of reading the folder
# again and again; with no such port it looks every tenth of a second.
port=
modprobe virtio_console 2>/dev/null
for name in /sys/class/virtio-ports/*/name; do
  [ "$(cat "$name" 2>/dev/null)" = qx.notify ] && port=/dev/$(basename "$(dirname "$name")")
done
# An hour without a job, in rounds of the wait below.
if [ -n "$port" ] && [ -c "$port" ]; then
  exec 9<"$port"
  idle_limit=1800
else
  port=
  mkfifo /tmp/qx-tick
  exec 9<>/tmp/qx-tick
  idle_limit=12000
fi
echo "qx-guestd: ready, spool $spool" >/dev/console
touch ready
idle=0
shopt -s nullglob
# One look at the folder each time round: every look is a round trip to the
# other side, and costs the emulated CPU.
while :; do
  busy=0 stop=0 names=(*)
  declare -A seen=()
  for name in "${names[@]}"; do seen[$name]=1; done
  for name in "${names[@]}"; do
    case "$name" in
      *.job) run_job "${name%.job}"; busy=1 ;;
      *.kill) kill_job "${name%.kill}" ;;
      *.run) [ -n "${seen[${name%.run}.rc]:-}" ] || busy=1 ;;
      stop) stop=1 ;;
    esac
  done
  unset seen
  [ $stop -eq 0 ] || break
  if [ $busy -eq 1 ]; then idle=0; else idle=$((idle + 1)); fi
  [ $idle -lt $idle_limit ] || break
  # A wait without a process: a read that ends on a word from the other
  # side, or times out (on the fifo nobody writes). Without the port: quick
  # while jobs come and go, slower after a few idle seconds.
  if [ -n "$port" ]; then
    read -r -t 2 -u 9 _
  elif [ $idle -lt 50 ]; then read -r -t 0.1 -u 9 _; else read -r -t 0.3 -u 9 _; fi
done
echo "qx-guestd: stopping" >/dev/console
rm -f ready
