#!/usr/bin/env bash
# The settings every Wine prefix of the tests gets (argument: Wine's loader; WINEPREFIX set): the
# caption buttons' font, "Malgun Gothic" drawn with NanumGothic from fonts-nanum, the system's
# font linked to NanumGothic for Hangul, and windows not left to a window manager.
set -euo pipefail
wine=$1

# The caption buttons' symbols are glyphs of Marlett, from Debian's fonts-wine; this Wine does not
# look for that package's folder, so the font goes where every Windows font is.
fonts="$WINEPREFIX/drive_c/windows/Fonts"
mkdir -p "$fonts"
cp /usr/share/wine/fonts/marlett.ttf "$fonts/"

substitutes='HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontSubstitutes'
"$wine" reg add "$substitutes" /v "Malgun Gothic" /t REG_SZ /d NanumGothic /f >/dev/null
"$wine" reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "Malgun Gothic" /t REG_SZ /d NanumGothic /f >/dev/null
# Captions use the system's own font, which has no Hangul: link NanumGothic in for the missing
# glyphs, as a Korean Windows links its Korean font.
links='HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink'
for face in Tahoma "MS Shell Dlg" "MS Shell Dlg 2"; do
  "$wine" reg add "$links" /v "$face" /t REG_MULTI_SZ /d 'NanumGothic.ttf,NanumGothic' /f >/dev/null
done
# The virtual screen has no window manager: Wine draws the frames itself and does not wait (two
# seconds each time) for a window manager to confirm that a closed window was withdrawn.
"$wine" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null
