#!/usr/bin/env bash
# Builds the configuration reader's fuzzer with clang in its own build directory and runs it.
# Usage: scripts/fuzz-config.sh [SECONDS]     (default 20; build dir: $FUZZ_BUILD or build-fuzz)
# Exit status: 0 when nothing was found (or clang's fuzzer runtime is not installed),
# non-zero when the fuzzer found a crash, a hang or a broken round trip (input saved in the
# build directory as config-crash-*, config-timeout-*, ...).
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-20}
build=${FUZZ_BUILD:-build-fuzz}

cxx=$(command -v clang++ || command -v clang++-14 || true)
probe=$(mktemp -d)
trap 'rm -rf "$probe"' EXIT
echo 'extern "C" int LLVMFuzzerTestOneInput(const unsigned char*, unsigned long) { return 0; }' \
  >"$probe/p.cpp"
if [ -z "$cxx" ] || ! "$cxx" -fsanitize=fuzzer "$probe/p.cpp" -o "$probe/p" 2>/dev/null; then
  echo "fuzz-config: clang with its fuzzer runtime (libclang-rt-14-dev) is not installed; skipped"
  exit 0
fi

cmake -S . -B "$build" -G Ninja -DCMAKE_CXX_COMPILER="$cxx" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DFLENMARK_FUZZ=ON -DFLENMARK_SANITIZE=ON -DFLENMARK_GUI=OFF -DFLENMARK_TESTS=ON >/dev/null
cmake --build "$build" --target config_fuzz

corpus="$build/config-corpus"
mkdir -p "$corpus"
log="$build/config-fuzz.log"
echo "fuzz-config: running the configuration reader's fuzzer for $seconds s (log: $log)"
status=0
"$build/bin/config_fuzz" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
  -max_len=8192 -print_final_stats=1 -artifact_prefix="$build/config-" \
  "$corpus" tests/fixtures/config/corpus >"$log" 2>&1 || status=$?
grep -E '^stat::(number_of_executed_units|average_exec_per_sec|new_units_added)' "$log" || true
if [ "$status" -ne 0 ]; then
  tail -n 60 "$log"
  echo "fuzz-config: FAILED (status $status)"
  exit "$status"
fi
echo "fuzz-config: nothing found"
