#!/usr/bin/env bash
# Installs what is missing, builds Tessaly and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTESSALY_BUILD_TESTS=OFF \
  -DTESSALY_BUILD_BENCH=OFF >/dev/null
cmake --build build/release --target tessaly
exec build/release/tessaly "$@"
