#!/usr/bin/env bash
# Seeds the fuzz corpora from the sample documents (needs python3 and mutool): small documents
# as they are, their decoded page content streams, and their extracted text as UTF-16LE.
set -euo pipefail
cd "$(dirname "$0")/.."
out=fuzz/seeds
rm -rf "$out"
mkdir -p "$out/document" "$out/content" "$out/detect"
for pdf in tests/data/*.pdf tests/data/hostile/*.pdf; do
  name=$(basename "$pdf" .pdf)
  [ "$(stat -c %s "$pdf")" -le 8000 ] && cp "$pdf" "$out/document/$name.pdf"
  pdftotext -q -l 1 "$pdf" - 2>/dev/null | head -c 2000 | iconv -f UTF-8 -t UTF-16LE > "$out/detect/$name.txt" || true
done
# The content streams of the hand-written samples, with their Korean font renamed to the
# stand-in's two-byte font /F2 (the fuzz target's pages carry the stand-in's test resources).
PYTHONDONTWRITEBYTECODE=1 /usr/bin/python3 - "$out/content" <<'PY'
import os, sys
sys.path.insert(0, "tools/samples")
import handmade
for name, case in handmade.CASES.items():
    contents = case(handmade.PdfWriter(), {"F1": 1, "K1": 2})[0]
    text = "\n".join(contents) if isinstance(contents, list) else contents
    text = text.replace("/K1 ", "/F2 ").replace("/KV ", "/F3 ").replace("/T3 ", "/F4 ")
    with open(os.path.join(sys.argv[1], name.replace(".pdf", ".txt")), "w", encoding="latin-1") as f:
        f.write(text)
PY
find "$out" -empty -delete
