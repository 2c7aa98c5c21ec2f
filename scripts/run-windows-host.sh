#!/usr/bin/env bash
# Runs the Windows host program with the DLL under Wine, once at 96 and once at 144 DPI:
#   run-windows-host.sh ARCH PROGRAM.exe DLL PREFIX
# ARCH i686 runs the 32-bit build with 32-bit Wine, x86_64 the 64-bit build with 64-bit Wine.
# PREFIX is the folder of the Wine prefix (made on first use, under the build folder).
# Exits 77 (skipped) where the 32-bit build cannot run; otherwise with the program's status.
set -euo pipefail
trap 'echo "run-windows-host.sh: line $LINENO failed with status $?" >&2' ERR
here=$(cd "$(dirname "$0")" && pwd)
arch=$1 program=$2 dll=$3 prefix=$4

if [ "$arch" = i686 ]; then
  if ! reason=$(bash "$here/can-run-32bit.sh" 2>&1); then
    echo "SKIPPED: the 32-bit Windows host program was built but cannot run here: $reason"
    exit 77
  fi
  wine=/usr/lib/wine/wine winearch=win32
  if [ ! -x "$wine" ]; then
    echo "SKIPPED: the 32-bit Windows host program was built, but 32-bit Wine is not installed (scripts/install-wine32.sh says why)"
    exit 77
  fi
else
  wine=/usr/lib/wine/wine64 winearch=win64
fi
if [ ! -x "$wine" ]; then
  echo "$wine is missing: run scripts/install-wine32.sh (32-bit) or scripts/install-wine-deps.sh" >&2
  exit 1
fi
if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1280x1024x24" bash "$0" "$@"
fi

export WINEPREFIX=$prefix WINEARCH=$winearch WINELOADER=$wine WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES="mscoree,mshtml,winemenubuilder.exe="
wineserver=/usr/lib/wine/wineserver
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  mkdir -p "$WINEPREFIX"
  # A first start of Wine in a fresh prefix has been seen to end at once with no message (once,
  # not reproduced since): it is tried a second time before the run gives up.
  if ! "$wine" wineboot --init; then
    echo "wineboot failed; starting it once more" >&2
    "$wineserver" -k 2>/dev/null || true
    "$wine" wineboot --init
  fi
fi
"$wine" reg add 'HKCU\Software\Microsoft\Windows NT\CurrentVersion\FontSubstitutes' \
  /v "Malgun Gothic" /t REG_SZ /d NanumGothic /f >/dev/null

dll=$("$wine" winepath -w "$dll")
status=0
for dpi in 96 144; do
  "$wine" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null
  "$wineserver" -w
  echo "== $dpi DPI"
  "$wine" "$program" "$dll" "$dpi" || status=$?
  "$wineserver" -w
  [ "$status" -eq 0 ] || break
done
exit "$status"
