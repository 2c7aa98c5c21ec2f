#!/usr/bin/env bash
# Builds the plug-in for the editor, the 32-bit Windows DLL, into dist/veilmark.dll: PCRE2 and
# MuPDF for Windows first (from Debian's source packages, kept in build/windows-deps), then the
# module and the Windows host program with the mingw-w64 cross compiler (preset "windows", in
# build/windows).
#   build-dll.sh [windows64]   the same sources as 64-bit Windows programs (build/windows64),
#                              which 64-bit Wine runs; nothing is copied to dist/
set -euo pipefail
cd "$(dirname "$0")/.."
preset=${1:-windows}
case $preset in
  windows) arch=i686 ;;
  windows64) arch=x86_64 ;;
  *) echo "unknown preset $preset" >&2; exit 2 ;;
esac

bash scripts/install-deps.sh
bash scripts/build-pcre2-windows.sh "$arch" build/windows-deps
bash scripts/build-mupdf-windows.sh "$arch" build/windows-deps
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset" -j "$(nproc)"
if [ "$preset" = windows ]; then
  mkdir -p dist
  cp build/windows/plugin/veilmark.dll dist/
  echo "built dist/veilmark.dll ($(stat -c %s dist/veilmark.dll) bytes)"
fi
