#!/usr/bin/env bash
# Regenerates the damaged and hostile documents in tests/data/hostile (needs python3 and
# mutool, from tools/install-sample-deps.sh).
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
out="${1:-$here/../tests/data/hostile}"
PYTHONDONTWRITEBYTECODE=1 exec /usr/bin/python3 "$here/samples/hostile.py" "$out"
