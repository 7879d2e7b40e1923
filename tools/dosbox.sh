# Shell functions that run the CD's programs in a real DOS: DOSBox, standing
# in for Windows 95's MS-DOS mode. The tests of tests/dos and
# tools/dos-pictures.sh source it.
#
# A run is described by a configuration file (qx_dosbox_conf): drive C: a
# host folder, drive D: the CD image or a CD folder, and the DOS commands to
# run; DOSBox ends after the last one. Without a display it runs headless
# (qx_dosbox_run); programs that wait for keys then read them from a file
# given with "<". On an X server of its own (qx_dosbox_start, then
# qx_dosbox_keys and qx_dosbox_wait) it takes real key presses, which a
# batch file's "pause" needs.
#
# DOSBox's exit code is 0 whatever the DOS programs did: the commands write
# what a test checks (output through "> c:\file", "if errorlevel") to drive
# C:, where the test reads it.

. "$(dirname "${BASH_SOURCE[0]}")/winelib.sh"

# How long one DOSBox run may take, in seconds, before the test gives up.
QX_DOSBOX_TIMEOUT=${QX_DOSBOX_TIMEOUT:-60}

# qx_dosbox_conf CONF C_DIR D_SOURCE -- COMMAND...
# Writes configuration CONF: C: is folder C_DIR, or a FAT disk image (a
# 1.44 MB one, as mtools' mformat -f 1440 makes it), on which DOS keeps
# files' attributes; D: is the CD, either an ISO image (mounted as the
# CD-ROM drive it is) or a folder (mounted as a CD-ROM drive); "-" for none.
# The commands run in order, then DOSBox ends.
qx_dosbox_conf() {
  local conf=$1 c_dir=$2 d_source=$3
  shift 3
  [ "${1:-}" = -- ] && shift
  {
    printf '%s\n' "[sdl]" "output=surface" "usescancodes=false"
    printf '%s\n' "[dosbox]" "machine=svga_s3" "memsize=16"
    printf '%s\n' "[cpu]" "core=normal" "cycles=max"
    printf '%s\n' "[mixer]" "nosound=true" "[speaker]" "pcspeaker=false" "[midi]" "mpu401=none"
    printf '%s\n' "[autoexec]" "@echo off"
    if [ -f "$c_dir" ]; then
      printf 'imgmount c "%s" -t floppy\n' "$c_dir"
    else
      printf 'mount c "%s"\n' "$c_dir"
    fi
    if [ -f "$d_source" ]; then
      printf 'imgmount d "%s" -t iso\n' "$d_source"
    elif [ "$d_source" != - ]; then
      printf 'mount d "%s" -t cdrom\n' "$d_source"
    fi
    printf '%s\n' "c:" "cls" "$@" "exit"
  } >"$conf"
}

# qx_dos_exit_code FILE: the DOS commands that record, after a program, its
# exit code in FILE (on drive C:, "C:\\CODE.TXT"); qx_exit_code reads it back
# from the host's copy of the file. DOSBox creates the file of a redirection
# even where "if" comes out false: a line is appended for each level the
# code reaches, and none for 0. Codes above 3 read as 3.
qx_dos_exit_code() {
  local n
  for n in 1 2 3; do echo "if errorlevel $n echo $n>>$1"; done
}
qx_exit_code() {
  if [ -s "$1" ]; then tail -n1 "$1" | tr -d '\r'; else echo 0; fi
}

# qx_dosbox_run CONF [LIMIT...]
# Runs DOSBox headless until the commands are done. Each LIMIT changes the
# process:
#   fsize=BYTES   no file grows past BYTES: a full disk, as DOS sees it (a
#                 write past the limit fails short instead of ending DOSBox)
#   user=NAME     DOSBox runs as user NAME, to whom only what the test made
#                 writable is writable
qx_dosbox_run() {
  local conf=$1
  shift
  local limit fsize= user= home
  for limit in "$@"; do
    case "$limit" in
      fsize=*) fsize=${limit#fsize=} ;;
      user=*) user=${limit#user=} ;;
      *) echo "qx_dosbox_run: unknown limit $limit" >&2; return 2 ;;
    esac
  done
  home=$(dirname "$conf")/home
  mkdir -p "$home"
  local run=(env HOME="$home" SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy
    timeout "$QX_DOSBOX_TIMEOUT" dosbox -conf "$conf" -noconsole)
  if [ -n "$user" ]; then
    chown "$user" "$home"
    run=(setpriv --reuid="$user" --regid="$(id -g "$user")" --clear-groups "${run[@]}")
  fi
  if [ -n "$fsize" ]; then
    run=(prlimit --fsize="$fsize" "${run[@]}")
  fi
  (trap '' XFSZ; exec "${run[@]}") >"$(dirname "$conf")/dosbox.log" 2>&1 || {
    local code=$?
    echo "dosbox ended with $code (timeout: 124); its log:" >&2
    cat "$(dirname "$conf")/dosbox.log" >&2
    return 1
  }
}

# qx_dosbox_start STATE_DIR CONF: starts DOSBox with CONF on an X server of
# its own (or on $QX_TEST_DISPLAY) and waits for its window; STATE_DIR keeps
# the server, the window and DOSBox's exit code.
qx_dosbox_start() {
  local state=$1 conf=$2 try
  # An X server that is just ending, of any session on this machine,
  # removes its socket as it goes: one started meanwhile on the same display
  # number loses its own, and DOSBox cannot open it. That try starts over.
  for try in 1 2 3; do
    qx_dosbox_start_once "$state" "$conf" && return 0
    grep -q "Couldn't open X11 display" "$state/dosbox.log" 2>/dev/null || break
    qx_dosbox_stop "$state"
  done
  echo "qx_dosbox_start: no DOSBox window; its log:" >&2
  cat "$state/dosbox.log" >&2
  return 1
}

qx_dosbox_start_once() {
  local state=$1 conf=$2
  mkdir -p "$state/home"
  rm -f "$state/dosbox.rc" "$state/dosbox.pid" "$state/window"
  if [ -n "${QX_TEST_DISPLAY:-}" ]; then
    echo "$QX_TEST_DISPLAY" >"$state/display"
  else
    qx_start_xvfb "$state" || return 1
  fi
  local display
  display=$(cat "$state/display")
  (
    export DISPLAY=$display HOME=$state/home SDL_AUDIODRIVER=dummy
    timeout "$QX_DOSBOX_TIMEOUT" dosbox -conf "$conf" -noconsole >"$state/dosbox.log" 2>&1 &
    echo $! >"$state/dosbox.pid"
    wait $!
    echo $? >"$state/dosbox.rc"
  ) </dev/null &
  qx_wait_for "$state/dosbox.pid" 5 || return 1
  local window= i
  for i in $(seq 200); do
    window=$(DISPLAY=$display xdotool search --class dosbox 2>/dev/null | head -n1 || true)
    [ -z "$window" ] || break
    [ ! -s "$state/dosbox.rc" ] || return 1 # DOSBox ended without a window
    sleep 0.1
  done
  [ -n "$window" ] || return 1
  echo "$window" >"$state/window"
}

# qx_dosbox_keys STATE_DIR KEY...: presses the keys (X key names: Return,
# Escape, space, Left, a) in DOSBox's window; DOSBox keeps them until a
# program reads them.
qx_dosbox_keys() {
  local state=$1
  shift
  # xdotool complains about the focus on a server without a window manager;
  # the keys arrive all the same, which the tests check by their effects.
  DISPLAY=$(cat "$state/display") xdotool key --delay 60 --window "$(cat "$state/window")" "$@" \
    >/dev/null 2>&1 || true
}

# qx_dosbox_type STATE_DIR TEXT: types TEXT, character by character.
qx_dosbox_type() {
  local state=$1 text=$2
  DISPLAY=$(cat "$state/display") xdotool type --delay 60 --window "$(cat "$state/window")" "$text" \
    >/dev/null 2>&1 || true
}

# qx_dosbox_screenshot STATE_DIR PNG: DOSBox's screen as it stands.
qx_dosbox_screenshot() {
  DISPLAY=$(cat "$1/display") import -window "$(cat "$1/window")" "$2"
}

# qx_dosbox_wait STATE_DIR: waits until DOSBox has run its last command,
# then stops the X server; fails when DOSBox did not end by itself.
qx_dosbox_wait() {
  local state=$1 i
  for i in $(seq $((QX_DOSBOX_TIMEOUT * 10))); do
    [ -s "$state/dosbox.rc" ] && break
    sleep 0.1
  done
  qx_dosbox_stop "$state"
  [ "$(cat "$state/dosbox.rc" 2>/dev/null)" = 0 ] || {
    echo "qx_dosbox_wait: DOSBox did not end by itself; its log:" >&2
    cat "$state/dosbox.log" >&2
    return 1
  }
}

# qx_dosbox_stop STATE_DIR: ends DOSBox, if it still runs, and its X server.
qx_dosbox_stop() {
  local state=$1
  if [ -f "$state/dosbox.pid" ]; then
    # timeout passes the signal on to DOSBox.
    kill "$(cat "$state/dosbox.pid")" 2>/dev/null || true
    rm -f "$state/dosbox.pid"
  fi
  [ -z "${QX_TEST_DISPLAY:-}" ] || return 0
  # The X server removes its socket as it ends: a server started meanwhile
  # on the same display number would lose its own. qx_stop_xvfb waits until
  # it is gone.
  qx_stop_xvfb "$state"
}

# qx_wait_for PATH [SECONDS]: waits until PATH exists (or, as "!PATH", until
# it is gone); fails after SECONDS (20).
qx_wait_for() {
  local want=$1 seconds=${2:-20} i
  for i in $(seq $((seconds * 10))); do
    if [ "${want#!}" != "$want" ]; then
      [ -e "${want#!}" ] || return 0
    else
      [ -e "$want" ] && return 0
    fi
    sleep 0.1
  done
  return 1
}
