#!/usr/bin/env bash
# Installs what is needed, builds the command line, and protects the bundled Korean sample:
# the occurrences found, then the protected copy and the check of what it still holds.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
cmake --preset release >/dev/null
cmake --build --preset release -j "$(nproc)" --target veilmark

veilmark=./build/release/cli/veilmark
out=build/sample-ko.protected.pdf
echo "== occurrences in samples/sample-ko.pdf"
"$veilmark" scan samples/sample-ko.pdf
echo
echo "== protected copy"
"$veilmark" protect samples/sample-ko.pdf -o "$out"
echo
echo "== text of the protected copy (first page)"
pdftotext -l 1 -layout "$out" - | head -n 30
