#!/usr/bin/env bash
# Installs what is missing, builds Tessaly and starts it, with tessaly-replay
# serving data on 127.0.0.1:8321 (the built-in data server) in the background.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DTESSALY_BUILD_TESTS=OFF \
  -DTESSALY_BUILD_BENCH=OFF >/dev/null
cmake --build build/release --target tessaly tessaly-replay

# Start the replay server unless something already listens on its port.
if ! (exec 3<>/dev/tcp/127.0.0.1/8321) 2>/dev/null; then
  build/release/tools/replay/tessaly-replay --port 8321 >/dev/null &
  replay_pid=$!
  trap 'kill "$replay_pid" 2>/dev/null || true' EXIT
  for _ in $(seq 50); do
    (exec 3<>/dev/tcp/127.0.0.1/8321) 2>/dev/null && break
    sleep 0.1
  done
fi
build/release/tessaly "$@"
