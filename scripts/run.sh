#!/usr/bin/env bash
# `make run`: opens the main window; without a display, a short headless demo.
set -euo pipefail
BUILD=${1:-build}
BIN="$BUILD/bin"
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ] && [ -x "$BIN/flenmark" ]; then
  exec "$BIN/flenmark"
fi
echo "Flenmark: built programs in $BIN:"
ls "$BIN"
