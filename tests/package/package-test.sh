#!/usr/bin/env bash
# The Debian package made by CPack: it holds the command line and its manual page, apt can
# install it on this machine (its dependencies resolve), and the installed program runs.
# usage: package-test.sh BUILD_DIR SAMPLE.pdf
set -euo pipefail
build=$1
sample=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

(cd "$build" && cpack -G DEB -B "$work/out" >/dev/null)
deb=$(ls "$work"/out/veilmark_*.deb)

contents=$(dpkg-deb -c "$deb")
grep -q ' ./usr/bin/veilmark$' <<<"$contents" || { echo "no /usr/bin/veilmark in $deb"; exit 1; }
grep -q ' ./usr/share/man/man1/veilmark.1' <<<"$contents" || { echo "no manual page in $deb"; exit 1; }
grep -q '/veilmark/libveilmark-ocr.so$' <<<"$contents" || { echo "no OCR module in $deb"; exit 1; }
dpkg-deb -f "$deb" Depends | grep -q 'libtesseract5' || { echo "Tesseract is not a dependency"; exit 1; }
dpkg-deb -f "$deb" Depends | grep -q 'tesseract-ocr-kor' || { echo "the Korean OCR data is not a dependency"; exit 1; }
dpkg-deb -f "$deb" Depends | grep -q 'poppler-utils' || { echo "pdftotext is not a dependency"; exit 1; }
apt-get install --simulate --no-install-recommends "$deb" 2>&1 | grep -q '^Inst veilmark' ||
  { echo "apt cannot install $deb:"; apt-get install --simulate "$deb" 2>&1 | tail -5; exit 1; }

dpkg-deb -x "$deb" "$work/root"
veilmark="$work/root/usr/bin/veilmark"
"$veilmark" --version | grep -q '^veilmark [0-9]' || { echo "--version"; exit 1; }
"$veilmark" protect --help | grep -q -- '--files-from' || { echo "--help"; exit 1; }
"$veilmark" scan --json --categories rrn "$sample" | grep -q '"category":"rrn"' ||
  { echo "the installed program finds nothing"; exit 1; }
# Scanned pages: the installed program loads its OCR module from the installed tree.
"$veilmark" scan --json "$(dirname "$sample")/scanned/scan-form.pdf" | grep -q '"where":"image"' ||
  { echo "the installed program reads no scanned page"; exit 1; }
echo "package $(basename "$deb") installs and runs"
