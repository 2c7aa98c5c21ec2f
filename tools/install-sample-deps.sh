#!/usr/bin/env bash
# Installs what tools/make-samples.sh and tools/make-scanned-samples.sh need to regenerate
# tests/data on Debian 12.
# The generated files are committed, so the build and the tests never need this.
set -euo pipefail

packages=(
  python3 python3-reportlab python3-pil
  fonts-nanum
  ghostscript
  poppler-utils
  python3-cairo
  mupdf-tools
  libreoffice-writer-nogui
  tesseract-ocr tesseract-ocr-kor tesseract-ocr-eng
)

bash "$(dirname "$0")/../scripts/apt-install.sh" "${packages[@]}"
