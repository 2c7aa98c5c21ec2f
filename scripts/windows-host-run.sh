#!/usr/bin/env bash
# Runs the Windows host program with the DLL in a Wine prefix, once at 96 and once at 144 DPI,
# on a virtual X screen: on this machine, or inside the emulated PC (scripts/emulated-pc.sh),
# which runs this same script.
#   windows-host-run.sh WINE PREFIX PROGRAM.exe DLL DATA OUTPUT
# WINE is Wine's loader (/usr/lib/wine/wine for 32-bit programs, wine64 for 64-bit ones); PREFIX
# the Wine prefix's folder (made on first use); DATA the folder of the documents; the program's
# files for each DPI go to OUTPUT/dpiNN. Exits with the program's status (the first run that
# fails ends it).
set -euo pipefail
trap 'echo "windows-host-run.sh: line $LINENO failed with status $?" >&2' ERR
wine=$1 prefix=$(realpath -m "$2") program=$3 dll=$4 data=$5 output=$(realpath -m "$6")
if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1280x1024x24" bash "$0" "$@"
fi

case $(basename "$wine") in
  wine64) winearch=win64 ;;
  *) winearch=win32 ;;
esac
export WINEPREFIX=$prefix WINEARCH=$winearch WINELOADER=$wine WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES="mscoree,mshtml,winemenubuilder.exe="
wineserver=$(dirname "$wine")/wineserver
mkdir -p "$WINEPREFIX"
# One server for every Wine program of the run, kept until the end.
"$wineserver" -p
trap '"$wineserver" -k 2>/dev/null || true' EXIT
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  # A first start of Wine in a fresh prefix has been seen to end at once with no message (once,
  # not reproduced since): it is tried a second time before the run gives up.
  if ! "$wine" wineboot --init; then
    echo "wineboot failed; starting it once more" >&2
    "$wineserver" -k 2>/dev/null || true
    "$wine" wineboot --init
  fi
fi
bash "$(dirname "$0")/wine-settings.sh" "$wine"

dll=$("$wine" winepath -w "$dll")
data=$("$wine" winepath -w "$data")
status=0
for dpi in 96 144; do
  mkdir -p "$output/dpi$dpi"
  "$wine" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null
  echo "== $dpi DPI"
  "$wine" "$program" "$dll" "$dpi" "$data" "$("$wine" winepath -w "$output/dpi$dpi")" || status=$?
  [ "$status" -eq 0 ] || break
done
exit "$status"
