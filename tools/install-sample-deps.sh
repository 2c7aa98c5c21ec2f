#!/usr/bin/env bash
# Installs what tools/make-samples.sh needs to regenerate tests/data on Debian 12.
# The generated files are committed, so the build and the tests never need this.
set -euo pipefail

packages=(
  python3 python3-reportlab python3-pil
  fonts-nanum
  ghostscript
  poppler-utils
  python3-cairo
  mupdf-tools
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

if [ ${#missing[@]} -gt 0 ]; then
  SUDO=""
  [ "$(id -u)" -eq 0 ] || SUDO="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
