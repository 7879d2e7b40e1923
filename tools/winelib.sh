# Shared shell functions for running the launcher under Wine: a prefix made
# once from a template, a headless X server, and a wineserver kept running,
# and a session that starts and stops the three together. Source it; every
# function works on the variables it documents.

export WINEARCH=win32 WINEDEBUG=${WINEDEBUG:--all} WINEDLLOVERRIDES="mscoree,mshtml="

qx_wine_version() { wine --version 2>/dev/null || echo unknown; }

# qx_make_prefix PREFIX CD_DIR
# Makes (or refreshes) a Wine prefix whose drive D: is CD_DIR, marked as a
# CD-ROM drive. The prefix is copied from a template that is made once per
# Wine version and version of this file, under $QX_PREFIX_CACHE. The system
# DLLs (nine tenths of a prefix) are hard links into the template: Wine never
# writes them, and a copy of a prefix then costs about 50 MB instead of 600.
qx_make_prefix() {
  local prefix=$1 cd_dir=$2
  local cache=${QX_PREFIX_CACHE:-${XDG_CACHE_HOME:-${HOME:-/tmp}/.cache}/qxinst95}
  local stamp
  stamp=$( { qx_wine_version; sed -n '/^qx_make_prefix()/,/^}/p' "${BASH_SOURCE[0]}"; } | sha1sum | cut -c1-12)
  local template=$cache/prefix-$stamp
  mkdir -p "$cache"
  # Sessions start side by side: one of them makes the template, the others wait.
  (
    flock 9
    if [ ! -f "$template/.complete" ]; then
      rm -rf "$template"
      (
        export WINEPREFIX=$template
        wineboot -i >/dev/null 2>&1
        # Debian's Wine does not find these by itself; without them dialogs use
        # a wider fallback font and the window grows past the backdrop.
        cp /usr/share/wine/fonts/* "$WINEPREFIX/drive_c/windows/Fonts/"
        wine reg add 'HKLM\Software\Wine\Drives' /v d: /d cdrom /f >/dev/null 2>&1
        # A virtual desktop gives windows a frame without a window manager.
        wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1
        wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1024x768 /f >/dev/null 2>&1
        wineserver -k 2>/dev/null || true # writes the registry out
        wineserver -w 2>/dev/null || true
      )
      touch "$template/.complete"
    fi
  ) 9>"$cache/.lock"
  rm -rf "$prefix"
  mkdir -p "$prefix"
  tar -C "$template" --exclude=./drive_c/windows/system32 -cf - . | tar -C "$prefix" -xf -
  local sys=drive_c/windows/system32
  cp -al "$template/$sys" "$prefix/$sys" 2>/dev/null ||
    { rm -rf "${prefix:?}/$sys"; cp -a "$template/$sys" "$prefix/$sys"; }
  rm -f "$prefix/.complete"
  ln -sfn "$cd_dir" "$prefix/dosdevices/d:"
}

# qx_configure_prefix PREFIX [version=V] [dpi=N] [desktop=WxH]
# Settings of one prefix, written before its wineserver starts for the tests:
# the Windows version that Wine reports (win95, win98, nt40, winxp, win7,
# win10), the display's dots per inch (96 is the default; 120 is what
# "Large Fonts" sets) and the size of Wine's desktop (1024x768 unless given).
qx_configure_prefix() {
  local prefix=$1; shift
  local setting changed=0
  for setting in "$@"; do
    case "$setting" in
      version=*)
        WINEPREFIX=$prefix wine reg add 'HKCU\Software\Wine' /v Version /d "${setting#version=}" /f \
          >/dev/null 2>&1 || return 1 ;;
      dpi=*)
        WINEPREFIX=$prefix wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD \
          /d "${setting#dpi=}" /f >/dev/null 2>&1 || return 1 ;;
      desktop=*)
        WINEPREFIX=$prefix wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default \
          /d "${setting#desktop=}" /f >/dev/null 2>&1 || return 1 ;;
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
  setsid wineserver -p600 </dev/null >/dev/null 2>&1 || true
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
#   server=wine    no wineserver is started: Wine starts one with the first
#                  program and ends it after the last, so that "wineserver -w"
#                  waits for whatever the programs started
qx_session_start() {
  local state=$1 cd_dir=$2
  shift 2
  local setting depth=24 display= keep=0 server=1 drive letter
  local settings=() drives=()
  for setting in "$@"; do
    case "$setting" in
      depth=*) depth=${setting#depth=} ;;
      display=*) display=${setting#display=} ;;
      drive=[a-zA-Z]:*) drives+=("${setting#drive=}") ;;
      prefix=keep) keep=1 ;;
      server=wine) server=0 ;;
      *) settings+=("$setting") ;;
    esac
  done
  mkdir -p "$state"
  qx_session_stop "$state"
  export WINEPREFIX=$state/prefix
  if [ $keep -eq 1 ] && [ -d "$WINEPREFIX/drive_c" ]; then
    ln -sfn "$cd_dir" "$WINEPREFIX/dosdevices/d:"
  else
    qx_make_prefix "$WINEPREFIX" "$cd_dir" || return 1
  fi
  for drive in "${drives[@]}"; do
    letter=${drive%%:*}
    ln -sfn "${drive#?:}" "$WINEPREFIX/dosdevices/${letter,,}:"
  done
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
  export WINEPREFIX=$1/prefix
  if [ -f "$1/display" ]; then
    export DISPLAY
    DISPLAY=$(cat "$1/display")
  fi
}
