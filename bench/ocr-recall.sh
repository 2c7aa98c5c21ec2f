#!/usr/bin/env bash
# Recall of OCR on scanned pages, and what remains readable after protect: makes the scanned
# corpus (tools/make-scanned-samples.sh bench: whole pages of the sample corpus, degraded as
# scans are), scans and protects every page with veilmark, and reads each protected page again
# with veilmark and with the tesseract program. Prints the figures; seconds per page and peak
# memory are whole-process figures of `veilmark scan` on one page (--jobs 1).
#   bash bench/ocr-recall.sh [VEILMARK] [WORK_DIR] [--scan-only]
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
veilmark="${1:-$here/../build/release/cli/veilmark}"
work="${2:-$here/../build/ocr-bench}"
if [ ! -f "$work/samples/expected.tsv" ]; then
  bash "$here/../tools/make-scanned-samples.sh" bench "$work/samples"
fi
exec /usr/bin/python3 "$here/ocr_recall.py" "$veilmark" "$work" "${@:3}"
