#!/usr/bin/env bash
# Installs everything the build, the tests, the benchmarks and the sample generator need
# on a Debian 12 machine. Safe to run again: apt-get skips what is already there.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  libpcre2-dev libmimalloc-dev
  libmupdf-dev libmujs-dev libgumbo-dev libopenjp2-7-dev libjbig2dec0-dev
  libharfbuzz-dev libfreetype-dev libjpeg-dev zlib1g-dev
  libtesseract-dev libleptonica-dev tesseract-ocr-kor tesseract-ocr-eng
  libgtest-dev libgmock-dev libbenchmark-dev libicu-dev
  mupdf-tools poppler-utils poppler-data
  time
  locales-all
  g++-mingw-w64-i686-win32 binutils-mingw-w64-i686 g++-mingw-w64-x86-64-win32
  clang-14 libclang-rt-14-dev
)

bash "$(dirname "$0")/apt-install.sh" "${packages[@]}"
