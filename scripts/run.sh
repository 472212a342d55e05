#!/usr/bin/env bash
# `make run`: opens the main window; without a display (or until the window exists) it runs a
# short headless demo: makes a sample clip with the encoder and converts it with flenmark-cli.
set -euo pipefail
BUILD=${1:-build}
BIN="$BUILD/bin"
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ] && [ -x "$BIN/flenmark" ]; then
  exec "$BIN/flenmark"
fi
if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  echo "No display (DISPLAY and WAYLAND_DISPLAY are unset): running the headless demo instead."
else
  echo "The main window is not built yet: running the headless demo instead."
fi
CLI="$BIN/flenmark-cli"
if [ ! -x "$CLI" ]; then
  echo "run: $CLI is missing; build it first (make build)" >&2
  exit 1
fi
DEMO=$(mktemp -d /tmp/flenmark-demo.XXXXXX)
trap 'rm -rf "$DEMO"' EXIT
echo
echo "1. A 6-second sample clip made by the encoder: $DEMO/sample clip.mkv"
ffmpeg -hide_banner -loglevel error -y \
  -f lavfi -i "testsrc2=size=640x360:rate=25:duration=6" \
  -f lavfi -i "sine=frequency=440:sample_rate=48000:duration=6" \
  -ac 2 -c:v libx264 -preset ultrafast -pix_fmt yuv420p -c:a aac -shortest "$DEMO/sample clip.mkv"
echo
echo "2. What flenmark-cli learns from it:"
"$CLI" --config "$DEMO/config.xml" --probe "$DEMO/sample clip.mkv"
echo
echo "3. Converting it to WebM (VP8/Vorbis), then to MP3, with progress:"
"$CLI" --config "$DEMO/config.xml" --format WebM -o "$DEMO/out" "$DEMO/sample clip.mkv"
"$CLI" --config "$DEMO/config.xml" --format MP3 --volume 150 -o "$DEMO/out" "$DEMO/sample clip.mkv"
echo
echo "4. The results:"
ls -l "$DEMO/out"
echo
echo "flenmark-cli --help lists every option; $BIN/flenmark-cli --list-formats the 43 formats."
