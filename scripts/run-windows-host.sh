#!/usr/bin/env bash
# Runs the Windows host program with the DLL under Wine, once at 96 and once at 144 DPI, on the
# bundled sample and the test documents:
#   run-windows-host.sh ARCH PROGRAM.exe DLL PREFIX OUTPUT
# ARCH i686 runs the 32-bit build with 32-bit Wine: on this machine where it can run 32-bit
# programs and has 32-bit Wine, else inside the emulated PC (scripts/emulated-pc.sh). x86_64 runs
# the 64-bit build with this machine's 64-bit Wine. PREFIX is the folder of this machine's Wine prefix (made on
# first use, under the build folder). The documents are copied to OUTPUT/data; what the program
# writes (saved documents, transcripts, pictures) goes to OUTPUT/dpi96 and OUTPUT/dpi144.
# Exits with the program's status, or 1 with the reason where the run cannot be made.
set -euo pipefail
trap 'echo "run-windows-host.sh: line $LINENO failed with status $?" >&2' ERR
here=$(cd "$(dirname "$0")" && pwd)
arch=$1 program=$2 dll=$3 prefix=$4 output=$5

rm -rf "$output"
mkdir -p "$output/data"
cp "$here"/../samples/*.pdf "$here"/../tests/data/*.pdf "$output/data/"

if [ "$arch" = i686 ]; then
  wine=/usr/lib/wine/wine
  if ! reason=$(bash "$here/can-run-32bit.sh" 2>&1) || { [ ! -x "$wine" ] && reason="32-bit Wine is not installed"; }; then
    echo "The 32-bit run goes to the emulated PC: $reason"
    exec bash "$here/emulated-pc.sh" run-windows-host "$program" "$dll" "$output"
  fi
else
  wine=/usr/lib/wine/wine64
  [ -x "$wine" ] || { echo "64-bit Wine is missing: run scripts/install-wine-deps.sh" >&2; exit 1; }
fi
exec bash "$here/windows-host-run.sh" "$wine" "$prefix" "$program" "$dll" "$output/data" "$output"
