#!/usr/bin/env bash
# flenmark-cli against a plain shell loop that runs the same encoder commands directly: for every
# file the probe ("ffmpeg -i FILE") and the conversion with the argument text that --dry-run
# prints, then the move of the temporary file to its name. The two alternate REPS times on the
# same batch; the script prints the median of each and their ratio (target: <= 1.05).
#
#   bench/cli/run_bench.sh [BUILD_DIR] [REPS]
set -euo pipefail
BUILD=${1:-build}
REPS=${2:-5}
CLI="$(cd "$BUILD/bin" && pwd)/flenmark-cli"
[ -x "$CLI" ] || { echo "bench: $CLI is missing" >&2; exit 1; }
WORK=$(mktemp -d /tmp/flenmark-bench.XXXXXX)
trap 'rm -rf "$WORK"' EXIT
CONFIG="$WORK/none.xml"

now() { date +%s.%N; }
median() { sort -g | awk '{v[NR]=$1} END {print (NR%2) ? v[(NR+1)/2] : (v[NR/2]+v[NR/2+1])/2}'; }

make_inputs() {
  mkdir -p "$WORK/audio" "$WORK/video"
  for i in $(seq 1 10); do
    ffmpeg -hide_banner -loglevel error -y -f lavfi \
      -i "sine=frequency=$((200 + i * 40)):sample_rate=44100:duration=8" -ac 2 \
      "$WORK/audio/song$i.wav"
  done
  for i in 1 2 3; do
    ffmpeg -hide_banner -loglevel error -y \
      -f lavfi -i "testsrc2=size=640x360:rate=25:duration=15" \
      -f lavfi -i "sine=frequency=$((300 + i * 50)):sample_rate=48000:duration=15" \
      -c:v libx264 -preset ultrafast -pix_fmt yuv420p -c:a aac -shortest "$WORK/video/clip$i.mp4"
  done
}

# The shell loop: the same commands, run directly.
shell_loop() {  # plan_file out_dir files...
  local plan=$1 out=$2
  shift 2
  mkdir -p "$out"
  local f target args
  local -a cmd
  exec 3<"$plan"
  for f in "$@"; do
    ffmpeg -i "$f" >/dev/null 2>&1 || true
    IFS= read -r target <&3
    IFS= read -r args <&3
    eval "cmd=($args)"
    ffmpeg "${cmd[@]}" >/dev/null 2>&1
    mv -n "$out/_flmk_output.tmp" "$target"
  done
  exec 3<&-
}

bench() {  # name format files...
  local name=$1 format=$2
  shift 2
  local files=("$@")
  local plan="$WORK/$name.plan" cli_times=() loop_times=()
  "$CLI" --config "$CONFIG" --format "$format" -o "$WORK/out-$name" --dry-run "${files[@]}" |
    sed 's/^  //' >"$plan"
  for rep in $(seq 1 "$REPS"); do
    rm -rf "$WORK/out-$name"
    local t0 t1
    t0=$(now)
    "$CLI" --config "$CONFIG" --format "$format" -o "$WORK/out-$name" --quiet "${files[@]}" >/dev/null
    t1=$(now)
    cli_times+=("$(awk -v a="$t0" -v b="$t1" 'BEGIN {print b - a}')")
    rm -rf "$WORK/out-$name"
    t0=$(now)
    shell_loop "$plan" "$WORK/out-$name" "${files[@]}"
    t1=$(now)
    loop_times+=("$(awk -v a="$t0" -v b="$t1" 'BEGIN {print b - a}')")
  done
  local mc ml
  mc=$(printf '%s\n' "${cli_times[@]}" | median)
  ml=$(printf '%s\n' "${loop_times[@]}" | median)
  printf '%-28s flenmark-cli %7.3f s   shell loop %7.3f s   ratio %.3f\n' \
    "$name (${#files[@]} files)" "$mc" "$ml" "$(awk -v a="$mc" -v b="$ml" 'BEGIN {print a / b}')"
}

make_inputs
echo "Medians of $REPS alternating runs each (ratio = flenmark-cli / shell loop, target <= 1.05):"
bench "short audio to MP3" MP3 "$WORK"/audio/song*.wav
bench "longer video to MPEG-4" MPEG-4 "$WORK"/video/clip*.mp4
