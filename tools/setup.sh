#!/usr/bin/env bash
# Installs what building and testing the setup program needs on a Debian machine, and fetches
# the minizip sources from Debian's zlib source package into .deps/. Safe to run again: it only
# does what is still missing.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)

packages=(cmake make g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 libz-mingw-w64-dev
          googletest wine64 wine xvfb x11-utils imagemagick dpkg-dev xz-utils bzip2 coreutils
          zip unzip clang lld clang-format osslsigncode openssl fonts-wine fonts-liberation2 nsis)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

sudo_cmd=()
[ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)

updated=0
apt_update() {
  [ "$updated" -eq 1 ] && return
  "${sudo_cmd[@]}" apt-get update -qq
  updated=1
}

if [ "${#missing[@]}" -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  apt_update
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# minizip's unzip layer comes from the zlib source package of the bookworm release (the security
# suite's sources are not served). The configured lists name binary packages only, so source
# lists are enabled for the same entries first.
minizip="$top/.deps/minizip"
if [ ! -f "$minizip/unzip.c" ]; then
  if ! grep -rqs '^Types:.*deb-src' /etc/apt/sources.list.d/ 2>/dev/null \
     && ! grep -qs '^deb-src' /etc/apt/sources.list 2>/dev/null; then
    for f in /etc/apt/sources.list.d/*.sources; do
      [ -f "$f" ] || continue
      grep -q 'deb.debian.org' "$f" || continue
      "${sudo_cmd[@]}" sed -i -E 's/^Types: deb$/Types: deb deb-src/' "$f"
    done
    updated=0
  fi
  apt_update
  work="$top/.deps/src"
  rm -rf "$work" && mkdir -p "$work"
  (cd "$work" && apt-get source --download-only -qq zlib/bookworm >/dev/null)
  orig=$(ls "$work"/zlib_*.orig.tar.* | head -n 1)
  tar -xf "$orig" -C "$work"
  src=$(ls -d "$work"/zlib-*/contrib/minizip | head -n 1)
  mkdir -p "$minizip"
  cp "$src"/{unzip.c,unzip.h,ioapi.c,ioapi.h,iowin32.c,iowin32.h,zip.c,zip.h,crypt.h} "$minizip"/
  rm -rf "$work"
fi
echo "setup: ready"
