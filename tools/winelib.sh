# Shared shell functions for running the launcher under Wine: a prefix made
# once from a template, a headless X server, and a wineserver kept running,
# and a session that starts and stops the three together. Source it; every
# function works on the variables it documents.

export WINEARCH=win32 WINEDEBUG=${WINEDEBUG:--all} WINEDLLOVERRIDES="mscoree,mshtml="
. "$(dirname "${BASH_SOURCE[0]}")/guestlib.sh"

qx_wine_version() { wine --version 2>/dev/null || echo unknown; }

# qx_make_prefix_template: makes the template that every prefix is copied
# from, once per Wine version and version of this function, under
# $QX_PREFIX_CACHE, and prints its folder. Sessions start side by side: one
# of them makes the template, the others wait. Each step is checked, and a
# failure names the step and shows its output.
qx_make_prefix_template() {
  local cache
  cache=$(qx_cache_dir)
  local stamp
  stamp=$( { qx_wine_version; sed -n '/^qx_make_prefix_template()/,/^}/p' "${BASH_SOURCE[0]}"; } | sha1sum | cut -c1-12)
  local template=$cache/prefix-$stamp
  mkdir -p "$cache" || return 1
  (
    flock 9
    if [ ! -f "$template/.complete" ]; then
      rm -rf "$template" "$template.log"
      export WINEPREFIX=$template
      local log=$template.log
      qx_step "wineboot (a new Wine prefix in $template)" "$log" wineboot -i || exit 1
      qx_step "wineserver after wineboot" "$log" wineserver -w || exit 1
      [ -d "$WINEPREFIX/drive_c/windows/Fonts" ] ||
        { echo "qxinst95: wineboot made no $WINEPREFIX/drive_c/windows/Fonts" >&2; exit 1; }
      # Debian's Wine does not find these by itself; without them dialogs use
      # a wider fallback font and the window grows past the backdrop.
      qx_step "copy Wine's fonts into the prefix" "$log" \
        cp /usr/share/wine/fonts/* "$WINEPREFIX/drive_c/windows/Fonts/" || exit 1
      qx_step "drive D: as a CD-ROM drive" "$log" wine reg add 'HKLM\Software\Wine\Drives' /v d: /d cdrom /f || exit 1
      # A virtual desktop gives windows a frame without a window manager.
      qx_step "the virtual desktop" "$log" wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f || exit 1
      qx_step "the virtual desktop's size" "$log" \
        wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1024x768 /f || exit 1
      wineserver -k 2>/dev/null || true # writes the registry out
      qx_step "wineserver writing the registry" "$log" wineserver -w || exit 1
      touch "$template/.complete"
    fi
  ) 9>"$cache/.lock" || return 1
  echo "$template"
}

# qx_make_prefix PREFIX CD_DIR [shared]
# Makes (or refreshes) a Wine prefix whose drive D: is CD_DIR, marked as a
# CD-ROM drive, copied from the template (qx_make_prefix_template). The system
# DLLs (nine tenths of a prefix) are hard links into the template: Wine never
# writes them, and a copy of a prefix then costs about 50 MB instead of 600.
# In the emulated guest PREFIX is a link to a prefix on the guest's own disk,
# since Wine is four times slower on the shared folder, unless "shared" asks
# for the prefix itself in the shared tree, where the other side can read
# its drive C: (qx_guest_link_system32).
qx_make_prefix() {
  local prefix=$1 cd_dir=$2 where=${3:-}
  if [ "${QX_IN_GUEST:-0}" != 1 ] && [ "$(qx_wine_path)" = emulated ]; then
    echo "qxinst95: a prefix for Wine is made in the emulated guest, not here (qx_wine_here)" >&2
    return 1
  fi
  local template
  template=$(qx_make_prefix_template) || return 1
  rm -rf "$prefix"
  if [ "${QX_IN_GUEST:-0}" = 1 ] && [ "$where" != shared ]; then
    local own
    own=/var/tmp/qx-prefixes/$(echo "$prefix" | sha1sum | cut -c1-12)
    rm -rf "$own"
    mkdir -p "$own" "$(dirname "$prefix")" && ln -sfn "$own" "$prefix" || return 1
  fi
  mkdir -p "$prefix" || return 1
  tar -C "$template" --exclude=./drive_c/windows/system32 -cf - . | tar -C "$prefix" -xf - ||
    { echo "qxinst95: could not copy the prefix template $template to $prefix" >&2; return 1; }
  local sys=drive_c/windows/system32
  if [ "$(stat -c %d "$template")" != "$(stat -c %d "$prefix/")" ] && [ "${QX_IN_GUEST:-0}" = 1 ]; then
    qx_guest_link_system32 "$prefix" "$template" || return 1
  else
    cp -al "$template/$sys" "$prefix/$sys" 2>/dev/null ||
      { rm -rf "${prefix:?}/$sys"; cp -a "$template/$sys" "$prefix/$sys"; } ||
      { echo "qxinst95: could not copy $template/$sys to $prefix" >&2; return 1; }
  fi
  rm -f "$prefix/.complete"
  ln -sfn "$cd_dir" "$prefix/dosdevices/d:"
}

# qx_prefix_path PREFIX: the path Wine is given for the prefix. In the
# emulated guest a prefix on the guest's own disk is named by its own path,
# not by the link in the shared tree: Wine looks paths up under its prefix
# all the time, and each step through the shared folder is a round trip to
# the other side (four times slower in all).
qx_prefix_path() {
  if [ "${QX_IN_GUEST:-0}" = 1 ] && [ -L "$1" ]; then readlink -f "$1"; else echo "$1"; fi
}

# qx_guest_link_system32 PREFIX [TEMPLATE]: in the emulated guest, for a
# prefix in the shared tree: its system DLLs stay on the guest's own disk, as
# hard links there, and the prefix links to them. Done again for a kept
# prefix after the guest boots anew.
qx_guest_link_system32() {
  local prefix=$1 template=${2:-} sys=drive_c/windows/system32 own
  [ -n "$template" ] || template=$(qx_make_prefix_template) || return 1
  own=/var/tmp/qx-system32/$(echo "$prefix" | sha1sum | cut -c1-12)
  rm -rf "$own" "${prefix:?}/$sys"
  mkdir -p "$(dirname "$own")"
  cp -al "$template/$sys" "$own" && ln -sfn "$own" "$prefix/$sys" ||
    { echo "qxinst95: could not link $template/$sys into $own for $prefix" >&2; return 1; }
}

# qx_configure_prefix PREFIX [version=V] [dpi=N] [desktop=WxH]
# Settings of one prefix, written before its wineserver starts for the tests:
# the Windows version that Wine reports (win95, win98, nt40, winxp, win7,
# win10), the display's dots per inch (96 is the default; 120 is what
# "Large Fonts" sets) and the size of Wine's desktop (1024x768 unless given).
qx_configure_prefix() {
  local prefix=$1; shift
  local setting changed=0 log=$prefix.configure.log
  for setting in "$@"; do
    case "$setting" in
      version=*)
        WINEPREFIX=$prefix qx_step "the Windows version in $prefix" "$log" \
          wine reg add 'HKCU\Software\Wine' /v Version /d "${setting#version=}" /f || return 1 ;;
      dpi=*)
        WINEPREFIX=$prefix qx_step "the dots per inch in $prefix" "$log" \
          wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "${setting#dpi=}" /f ||
          return 1 ;;
      desktop=*)
        WINEPREFIX=$prefix qx_step "the desktop's size in $prefix" "$log" \
          wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d "${setting#desktop=}" /f ||
          return 1 ;;
      "") continue ;;
      *) echo "qx_configure_prefix: unknown setting $setting" >&2; return 1 ;;
    esac
    changed=1
  done
  if [ $changed -eq 1 ]; then
    # The next server loads the settings from disk, before any window opens.
    WINEPREFIX=$prefix wineserver -k 2>/dev/null || true
    WINEPREFIX=$prefix wineserver -w 2>/dev/null || true
  fi
}

# qx_start_xvfb STATE_DIR [DEPTH]: starts a headless X server on a free
# display and records DISPLAY and its PID in STATE_DIR. DEPTH is the colour
# depth, 24 (true colour) unless given; at 8 the display has a palette.
qx_start_xvfb() {
  local state=$1 depth=${2:-24}
  mkdir -p "$state"
  rm -f "$state/display.num"
  setsid Xvfb -displayfd 3 -screen 0 "1024x768x$depth" -nolisten tcp 3>"$state/display.num" \
    </dev/null >/dev/null 2>&1 &
  echo $! >"$state/xvfb.pid"
  local i
  for i in $(seq 100); do
    [ -s "$state/display.num" ] && break
    sleep 0.05
  done
  [ -s "$state/display.num" ] || { echo "Xvfb did not start" >&2; return 1; }
  echo ":$(head -n1 "$state/display.num")" >"$state/display"
}

# qx_stop_xvfb STATE_DIR: ends the X server started there and waits until it
# has gone (a zombie counts as gone), so that the next server to start finds
# its display number free and no client finds a dying server.
qx_stop_xvfb() {
  local state=$1 pid i
  if [ -f "$state/xvfb.pid" ]; then
    pid=$(cat "$state/xvfb.pid")
    kill "$pid" 2>/dev/null || true
    for i in $(seq 100); do
      grep -qs '^State:[[:space:]]*[^Z]' "/proc/$pid/status" || break
      sleep 0.05
    done
    kill -9 "$pid" 2>/dev/null || true
  fi
  rm -f "$state/xvfb.pid" "$state/display"
}

# qx_start_wineserver: with WINEPREFIX set, starts the wineserver and Wine's
# services detached from the caller's output, so that a test runner waiting
# on its pipes does not wait for them. The server stays up for ten minutes
# without clients: a Wine process started under a file size limit must find
# it running rather than start one that inherits the limit.
qx_start_wineserver() {
  setsid wineserver -p"${QX_WINESERVER_PERSIST:-600}" </dev/null >/dev/null 2>&1 || true
  setsid timeout 120 wine cmd /c exit </dev/null >/dev/null 2>&1 || true
}

# qx_stop_wineserver: with WINEPREFIX set, ends that prefix's wineserver and
# every Wine program in it. Without WINEPREFIX it does nothing: the server
# of some other prefix is not ours to end.
qx_stop_wineserver() {
  [ -n "${WINEPREFIX:-}" ] || return 0
  wineserver -k 2>/dev/null || true
}

# qx_session_start STATE_DIR CD_DIR [SETTING...]
# Starts a session whose state lives in STATE_DIR: a fresh prefix
# STATE_DIR/prefix (qx_make_prefix) whose drive D: is CD_DIR, a headless X
# server of its own and a running wineserver with Wine's services. Exports
# WINEPREFIX and DISPLAY for what runs next, and keeps them in STATE_DIR for
# qx_session_use. A session left in STATE_DIR by a run that was cut short is
# stopped first. The settings:
#   version=V dpi=N desktop=WxH  written into the prefix (qx_configure_prefix)
#   depth=D        the X server's colour depth (24 unless given; 8: a palette)
#   display=D      X display D instead of a server of its own
#   drive=X:PATH   drive X: is the folder PATH, besides D:
#   prefix=keep    a prefix that is there already stays (only D: moves to CD_DIR)
#   prefix=shared  in the emulated guest, the prefix lies in the shared tree,
#                  where the other side reads its drive C: (slower)
#   server=wine    no wineserver is started: Wine starts one with the first
#                  program and ends it after the last, so that "wineserver -w"
#                  waits for whatever the programs started
qx_session_start() {
  local state=$1 cd_dir=$2
  shift 2
  local setting depth=24 display= keep=0 server=1 drive letter where=
  local settings=() drives=()
  for setting in "$@"; do
    case "$setting" in
      depth=*) depth=${setting#depth=} ;;
      display=*) display=${setting#display=} ;;
      drive=[a-zA-Z]:*) drives+=("${setting#drive=}") ;;
      prefix=keep) keep=1 ;;
      prefix=shared) where=shared ;;
      server=wine) server=0 ;;
      *) settings+=("$setting") ;;
    esac
  done
  mkdir -p "$state"
  qx_session_stop "$state"
  export WINEPREFIX=$state/prefix
  if [ $keep -eq 1 ] && [ -d "$WINEPREFIX/drive_c" ]; then
    ln -sfn "$cd_dir" "$WINEPREFIX/dosdevices/d:"
    if [ -L "$WINEPREFIX/drive_c/windows/system32" ] && [ ! -e "$WINEPREFIX/drive_c/windows/system32" ]; then
      qx_guest_link_system32 "$WINEPREFIX" || return 1
    fi
  else
    qx_make_prefix "$WINEPREFIX" "$cd_dir" $where || return 1
  fi
  for drive in "${drives[@]}"; do
    letter=${drive%%:*}
    ln -sfn "${drive#?:}" "$WINEPREFIX/dosdevices/${letter,,}:"
  done
  WINEPREFIX=$(qx_prefix_path "$WINEPREFIX")
  qx_configure_prefix "$WINEPREFIX" "${settings[@]}" || return 1
  if [ -n "$display" ]; then
    echo "$display" >"$state/display"
  else
    qx_start_xvfb "$state" "$depth" || return 1
  fi
  export DISPLAY
  DISPLAY=$(cat "$state/display")
  [ $server -eq 0 ] || qx_start_wineserver
}

# qx_session_stop STATE_DIR: ends the session's wineserver, with every Wine
# program still running in it, and its X server. The prefix stays for a look
# afterwards; the next start replaces it.
qx_session_stop() {
  local state=$1
  [ ! -d "$state/prefix" ] || WINEPREFIX=$state/prefix qx_stop_wineserver
  qx_stop_xvfb "$state"
  rm -f "$state/display"
}

# qx_session_use STATE_DIR: exports WINEPREFIX and DISPLAY of the session
# that runs in STATE_DIR.
qx_session_use() {
  export WINEPREFIX
  WINEPREFIX=$(qx_prefix_path "$1/prefix")
  if [ -f "$1/display" ]; then
    export DISPLAY
    DISPLAY=$(cat "$1/display")
  fi
}
