#!/usr/bin/env bash
# Prepares the Wine prefix of the interface tests (argument: its folder, under the build
# directory): a 64-bit prefix at 96 DPI, windows not left to a window manager, "Malgun Gothic"
# drawn with NanumGothic from fonts-nanum. Made once; a prefix that is already there is kept.
set -euo pipefail
prefix=$(realpath -m "$1")
source "$(dirname "$0")/wine-env.sh" "$prefix"

if [ ! -f "$WINEPREFIX/system.reg" ]; then
  mkdir -p "$WINEPREFIX"
  "$WINE" wineboot --init
fi
bash "$(dirname "$0")/wine-settings.sh" "$WINE"
"$WINE" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d 96 /f >/dev/null
"$WINESERVER" -w
