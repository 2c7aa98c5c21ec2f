#!/usr/bin/env bash
# Pictures of both dialogs at 96 and 144 DPI (docs/*.png, shown in the README), captured from
# the virtual X screen of the interface tests.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-wine-deps.sh
bash scripts/apt-install.sh imagemagick
cmake --preset winelib >/dev/null
cmake --build --preset winelib -j "$(nproc)" --target capture_dialogs
prefix=build/winelib/wineprefix
bash scripts/wine-prefix.sh "$prefix"

out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
for dpi in 96 144; do
  bash scripts/run-under-wine.sh "$prefix" "$dpi" build/winelib/tests/capture_dialogs.exe "$out" "$dpi"
done
mkdir -p docs
for picture in "$out"/*.bmp; do
  convert "$picture" "docs/$(basename "${picture%.bmp}").png"
  echo "docs/$(basename "${picture%.bmp}").png"
done
