#!/usr/bin/env bash
# Applies clang-format to every C++ source of the project.
set -euo pipefail
cd "$(dirname "$0")/.."
CF=$(command -v clang-format || command -v clang-format-14)
find src tests bench -name '*.h' -o -name '*.cpp' | xargs -r "$CF" -i
