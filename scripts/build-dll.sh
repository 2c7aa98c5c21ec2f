#!/usr/bin/env bash
# Builds the plug-in for the editor, the 32-bit Windows DLL, into dist/veilmark.dll: PCRE2 for
# Windows first (from Debian's source package, kept in build/windows-deps), then the module
# with the mingw-w64 cross compiler (preset "windows", in build/windows).
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
bash scripts/build-pcre2-windows.sh build/windows-deps
cmake --preset windows >/dev/null
cmake --build --preset windows -j "$(nproc)"
mkdir -p dist
cp build/windows/plugin/veilmark.dll dist/
echo "built dist/veilmark.dll ($(stat -c %s dist/veilmark.dll) bytes)"
