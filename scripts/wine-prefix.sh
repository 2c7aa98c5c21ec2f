#!/usr/bin/env bash
# Prepares the Wine prefix of the interface tests (argument: its folder, under the build
# directory): a 64-bit prefix, "Malgun Gothic" drawn with NanumGothic, 96 DPI. Made once; a
# prefix that is already there is kept.
set -euo pipefail
prefix=$1
source "$(dirname "$0")/wine-env.sh" "$prefix"

if [ ! -f "$WINEPREFIX/system.reg" ]; then
  mkdir -p "$WINEPREFIX"
  "$WINE" wineboot --init
fi
fonts='HKCU\Software\Microsoft\Windows NT\CurrentVersion\FontSubstitutes'
"$WINE" reg add "$fonts" /v "Malgun Gothic" /t REG_SZ /d NanumGothic /f >/dev/null
"$WINE" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d 96 /f >/dev/null
"$WINESERVER" -w
