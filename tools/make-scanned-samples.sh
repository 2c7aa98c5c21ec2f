#!/usr/bin/env bash
# Makes the scanned samples (image-only PDFs of corpus pages, degraded as scans are) and their
# expected items: `tests` writes the small pages the tests use (committed in tests/data/scanned),
# `bench DIR` whole pages for the recall measurement (bench/ocr-recall.sh). Needs mutool,
# pdftotext, Pillow and, for the searchable scans, the tesseract program
# (tools/install-sample-deps.sh).
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
which="${1:-tests}"
out="${2:-$here/../tests/data/scanned}"
PYTHONDONTWRITEBYTECODE=1 exec /usr/bin/python3 "$here/samples/scanned.py" "$which" "$out"
