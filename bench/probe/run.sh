#!/usr/bin/env bash
# Probe benchmark: the time Flenmark needs to probe 100 small media files, as a ratio to
# running `ffmpeg -i` on the same files from a plain shell loop (target: ratio <= 1.05).
# Run from the repository root or from bench/:  bash bench/probe/run.sh  [ROUNDS]
set -euo pipefail
cd "$(dirname "$0")/../.."
ROUNDS=${1:-3}
BUILD=${BUILD:-build-bench}
FFMPEG=${FFMPEG:-$(command -v ffmpeg)}

cmake -S . -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release -DFLENMARK_GUI=OFF \
  -DFLENMARK_TESTS=OFF -DFLENMARK_BENCH=ON >/dev/null
if cmake --build "$BUILD" --target bench_probe >/dev/null 2>&1; then
  PROG="$BUILD/bin/bench_probe"
else
  # bench/CMakeLists.txt does not list this folder: link the program by hand.
  cmake --build "$BUILD" --target flenmark_encoder >/dev/null
  PROG="$BUILD/bench_probe"
  c++ -std=c++20 -O2 -Isrc bench/probe/bench_probe.cpp "$BUILD/lib/libflenmark_encoder.a" \
    "$BUILD/lib/libflenmark_foundation.a" -o "$PROG"
fi

WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
# Five kinds of small file, twenty copies of each.
"$FFMPEG" -v error -f lavfi -i testsrc2=size=320x240:rate=25:duration=1 -f lavfi \
  -i sine=sample_rate=44100:duration=1 -c:v libx264 -c:a aac -shortest "$WORK/k0.mp4"
"$FFMPEG" -v error -f lavfi -i sine=sample_rate=22050:duration=1 "$WORK/k1.wav"
"$FFMPEG" -v error -f lavfi -i sine=sample_rate=44100:duration=1 -c:a libmp3lame "$WORK/k2.mp3"
"$FFMPEG" -v error -f lavfi -i testsrc=size=160x120:rate=15:duration=1 -c:v libvpx "$WORK/k3.webm"
"$FFMPEG" -v error -f lavfi -i testsrc=size=160x120:rate=25:duration=1 -c:v mpeg4 "$WORK/k4.avi"
FILES=()
for i in $(seq 0 99); do
  k=$((i % 5))
  src=$(ls "$WORK"/k$k.*)
  dst="$WORK/clip $i.${src##*.}"
  cp "$src" "$dst"
  FILES+=("$dst")
done

shell_loop() {
  local start end
  start=$(date +%s%N)
  for f in "${FILES[@]}"; do "$FFMPEG" -i "$f" >/dev/null 2>&1 || true; done
  end=$(date +%s%N)
  echo $((end - start))
}
flenmark_run() {
  "$PROG" --ffmpeg "$FFMPEG" "${FILES[@]}" | sed -n 's/.*failed=0 total_ns=\([0-9]*\).*/\1/p'
}

# Warm the caches, then alternate the two so that machine load hits both alike.
shell_loop >/dev/null
flenmark_run >/dev/null
base=()
ours=()
for r in $(seq 1 "$ROUNDS"); do
  base+=("$(shell_loop)")
  t=$(flenmark_run)
  [ -n "$t" ] || { echo "bench_probe failed" >&2; exit 1; }
  ours+=("$t")
done
median() { printf '%s\n' "$@" | sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
mb=$(median "${base[@]}")
mo=$(median "${ours[@]}")
LC_ALL=C awk -v b="$mb" -v o="$mo" -v n=${#FILES[@]} 'BEGIN {
  printf "probe: %.2f ms per file; ffmpeg -i from a shell loop: %.2f ms per file\n", o / n / 1e6, b / n / 1e6
  printf "ratio %.3f (target <= 1.05)\n", o / b
}'
