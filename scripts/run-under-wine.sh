#!/usr/bin/env bash
# Runs a winelib test program at a given DPI: run-under-wine.sh PREFIX DPI PROGRAM [ARGS...].
# Starts a virtual X screen when there is no display.
set -euo pipefail
if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1280x1024x24" bash "$0" "$@"
fi
prefix=$(realpath -m "$1") dpi=$2 program=$3
shift 3
source "$(dirname "$0")/wine-env.sh" "$prefix"

"$WINE" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null
"$WINE" "$program.so" "$@"
