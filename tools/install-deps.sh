#!/usr/bin/env bash
# Installs what building, running, testing and benchmarking the launcher needs
# on Debian 12.
# Quiet and quick when everything is already there. Run as root.
set -euo pipefail

packages=(
  cmake make g++ clang libclang-rt-14-dev clang-format clang-tidy
  g++-mingw-w64-i686 binutils-mingw-w64-i686
  wine wine32:i386 wine64 fonts-wine
  xvfb xdotool x11-utils imagemagick
  googletest fonts-dejavu-core
  xorriso genisoimage libarchive-tools
  valgrind python3 libx11-dev
  dosbox
  # The MS-DOS tests' second drive, a small file system of its own.
  mount
  # The MS-DOS tests' FAT disk images, whose file attributes DOSBox keeps.
  mtools
)
# Where Wine cannot run here, it runs in an emulated guest made of Debian's
# packages (guestlib.sh).
. "$(dirname "$0")/guestlib.sh"
if [ "$(QX_WINE_PATH='' qx_wine_path 2>/dev/null)" = emulated ]; then
  packages+=(qemu-system-x86 mmdebstrap e2fsprogs socat xauth)
fi

missing=()
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  missing=("${packages[@]}")
else
  for p in "${packages[@]}"; do
    name=${p%%:*}
    arch=${p#*:}; [ "$arch" = "$p" ] && arch=
    q=$name; [ -n "$arch" ] && q="$name:$arch"
    status=$(dpkg-query -W -f='${db:Status-Abbrev}' "$q" 2>/dev/null || true)
    case "$status" in ii*) ;; *) missing+=("$p") ;; esac
  done
fi

[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -ne 0 ]; then
  echo "install-deps: missing packages: ${missing[*]} (run as root to install them)" >&2
  exit 1
fi

echo "install-deps: installing ${missing[*]}"
dpkg --add-architecture i386
apt-get update -qq
DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${packages[@]}" >/dev/null
