#!/usr/bin/env bash
# Installs what is needed, builds the command line, and runs it on the bundled Korean sample.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
cmake --preset release >/dev/null
cmake --build --preset release -j "$(nproc)" --target veilmark
./build/release/cli/veilmark text samples/sample-ko.txt
