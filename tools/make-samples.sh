#!/usr/bin/env bash
# Regenerates the sample corpus in tests/data (run tools/install-sample-deps.sh first).
# Uses the system Python, where the Debian packages of reportlab and cairo live.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
out="${1:-$here/../tests/data}"
PYTHONDONTWRITEBYTECODE=1 exec /usr/bin/python3 "$here/samples/make_samples.py" "$out"
