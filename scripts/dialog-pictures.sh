#!/usr/bin/env bash
# Pictures for the README (docs/*.png), captured from the virtual X screen of the interface
# tests: both dialogs at 96 and 144 DPI, and three steps of find and protect on the bundled
# sample, each page (rendered by MuPDF, the occurrence framed) beside the dialog at that step.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-wine-deps.sh
cmake --preset winelib >/dev/null
cmake --build --preset winelib -j "$(nproc)" --target capture_dialogs capture_find_protect
prefix=build/winelib/wineprefix
bash scripts/wine-prefix.sh "$prefix"

mkdir -p docs
for dpi in 96 144; do
  bash scripts/run-under-wine.sh "$prefix" "$dpi" build/winelib/tests/capture_dialogs.exe "$PWD/docs" "$dpi"
done
bash scripts/run-under-wine.sh "$prefix" 96 build/winelib/tests/capture_find_protect.exe \
  "$PWD/samples/sample-ko.pdf" "$PWD/docs"
