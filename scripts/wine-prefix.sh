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
# The caption buttons' symbols are glyphs of Marlett, from Debian's fonts-wine; this Wine does not
# look for that package's folder, so the font goes where every Windows font is.
fonts="$WINEPREFIX/drive_c/windows/Fonts"
mkdir -p "$fonts"
cp /usr/share/wine/fonts/marlett.ttf "$fonts/"
substitutes='HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontSubstitutes'
"$WINE" reg add "$substitutes" /v "Malgun Gothic" /t REG_SZ /d NanumGothic /f >/dev/null
"$WINE" reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "Malgun Gothic" /t REG_SZ /d NanumGothic /f >/dev/null
# Captions use the system's own font, which has no Hangul: link NanumGothic in for the missing
# glyphs, as a Korean Windows links its Korean font.
links='HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink'
for face in Tahoma "MS Shell Dlg" "MS Shell Dlg 2"; do
  "$WINE" reg add "$links" /v "$face" /t REG_MULTI_SZ /d 'NanumGothic.ttf,NanumGothic' /f >/dev/null
done
"$WINE" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d 96 /f >/dev/null
# The virtual screen has no window manager: Wine draws the frames itself and does not wait (two
# seconds each time) for a window manager to confirm that a closed window was withdrawn.
"$WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null
"$WINESERVER" -w
