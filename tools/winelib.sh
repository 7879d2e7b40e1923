# Shared shell functions for running the launcher under Wine: a prefix made
# once from a template, a headless X server, and a wineserver kept running.
# Source it; every function works on the variables it documents.

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

qx_stop_xvfb() {
  local state=$1
  [ -f "$state/xvfb.pid" ] && kill "$(cat "$state/xvfb.pid")" 2>/dev/null || true
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

qx_stop_wineserver() {
  wineserver -k 2>/dev/null || true
}
