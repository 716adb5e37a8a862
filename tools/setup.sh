#!/bin/sh
# Installs the Debian packages the builds, the tests and the run command need, when missing.
set -eu

PACKAGES="cmake ninja-build clang libclang-rt-14-dev g++ libgtest-dev libgmock-dev googletest
libjpeg62-turbo-dev libqrencode-dev pkg-config libssl-dev g++-mingw-w64-x86-64-posix mingw-w64-tools binutils-mingw-w64-x86-64 nasm
dpkg-dev debian-archive-keyring wine wine64 xvfb xdotool zbar-tools x11-apps x11-utils imagemagick python3
fp-utils-3.2.2 wixl xserver-xorg-core xserver-xorg-video-dummy x11-xserver-utils faketime"

missing=""
for package in $PACKAGES; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
    missing="$missing $package"
  fi
done
[ -z "$missing" ] && exit 0

if [ "$(id -u)" -eq 0 ]; then as_root=""; else as_root="sudo"; fi
echo "Installing:$missing"
$as_root apt-get update -q
DEBIAN_FRONTEND=noninteractive $as_root apt-get install -y -q --no-install-recommends $missing
