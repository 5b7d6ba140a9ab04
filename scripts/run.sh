#!/usr/bin/env bash
# Installs what is missing, builds Tessaly and starts it. With the built-in data
# server 127.0.0.1:8321 and nothing answering there, Tessaly starts the
# tessaly-replay built beside it (tools/replay) and serves itself generated data.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DTESSALY_BUILD_TESTS=OFF \
  -DTESSALY_BUILD_BENCH=OFF >/dev/null
cmake --build build/release --target tessaly tessaly-replay
exec build/release/tessaly "$@"
