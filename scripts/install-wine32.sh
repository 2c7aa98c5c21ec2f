#!/usr/bin/env bash
# Installs 32-bit Wine (the i386 architecture, wine and wine32), a virtual X server and a Korean
# font, for the run of the Windows host program with the DLL. Where 32-bit programs cannot run
# (scripts/can-run-32bit.sh), it installs QEMU and debootstrap instead: that run goes to an
# emulated PC (scripts/emulated-pc.sh). So it does where the packages cannot be had (a mirror
# whose i386 index does not match its release file, say).
set -euo pipefail
here=$(dirname "$0")

if ! reason=$(bash "$here/can-run-32bit.sh" 2>&1); then
  echo "32-bit Wine not installed ($reason): the emulated PC runs the 32-bit programs"
  bash "$here/apt-install.sh" qemu-system-x86 debootstrap
  exit 0
fi
SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
dpkg --print-foreign-architectures | grep -qx i386 || $SUDO dpkg --add-architecture i386
if ! bash "$here/apt-install.sh" wine wine32:i386 fonts-wine xvfb xauth fonts-nanum; then
  echo "32-bit Wine not installed: the packages could not be installed from this machine's mirrors;"
  echo "the emulated PC runs the 32-bit programs"
  bash "$here/apt-install.sh" qemu-system-x86 debootstrap
fi
