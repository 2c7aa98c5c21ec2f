#!/usr/bin/env bash
# Brings what the Windows host program saved back to the Linux build: runs the interface tests'
# find-and-protect script with the module built for Linux (winelib, built here when needed), which
# saves the same documents from the same clicks, runs the checker on every file, and compares the
# Windows host program's files and transcripts with its own, byte for byte.
#   compare-windows-saves.sh OUTPUT     OUTPUT: the run's folder (run-windows-host.sh)
set -euo pipefail
cd "$(dirname "$0")/.."
output=$(realpath "$1")
[ -d "$output/dpi96" ] && [ -d "$output/dpi144" ] || { echo "no run of the Windows host program in $output" >&2; exit 1; }

[ -f build/winelib/build.ninja ] || cmake --preset winelib >/dev/null
cmake --build --preset winelib --target test_ui -j "$(nproc)" >/dev/null
bash scripts/wine-prefix.sh build/winelib/wineprefix
VM_WINDOWS_SAVES=$output bash scripts/run-under-wine.sh build/winelib/wineprefix 96 \
  build/winelib/tests/test_ui.exe --gtest_filter='FindProtectScriptTest.*'
