#!/usr/bin/env bash
# Tessaly started at a display scaling (QT_SCALE_FACTOR) on a private Xvfb
# against tessaly-replay: its views fetch and paint their data while it keeps
# running. Usage: scaled_start.sh TESSALY TESSALY_REPLAY SCALE
set -uo pipefail
tessaly=$1 replay=$2 scale=$3
dir=$(mktemp -d)
"$replay" --port 0 --log "$dir/requests.log" >"$dir/replay.log" 2>&1 &
replay_pid=$!
trap 'kill $replay_pid 2>/dev/null; wait $replay_pid 2>/dev/null; rm -rf "$dir"' EXIT
for _ in $(seq 100); do
  grep -q listening "$dir/replay.log" && break
  sleep 0.1
done
port=$(sed -n 's|.*listening on http://[^ ]*:\([0-9][0-9]*\).*|\1|p' "$dir/replay.log")
[ -n "$port" ] || { echo "tessaly-replay did not start"; exit 1; }
mkdir -p "$dir/config/Tessaly"
printf '[Server]\nHost=127.0.0.1:%s\n' "$port" >"$dir/config/Tessaly/Tessaly.ini"
export HOME=$dir XDG_CONFIG_HOME=$dir/config QT_SCALE_FACTOR=$scale QT_QPA_PLATFORM=xcb
xvfb-run -a -s "-screen 0 2600x1800x24 -nolisten tcp" bash -c '
  "$0" >/dev/null 2>&1 &
  app=$!
  sleep 8
  if ! kill -0 $app 2>/dev/null; then
    wait $app
    echo "tessaly ended within 8 s at scale $QT_SCALE_FACTOR, status $?"
    exit 1
  fi
  kill $app
  wait $app 2>/dev/null
  exit 0' "$tessaly" || exit 1
[ -s "$dir/requests.log" ] || { echo "no data request reached the server"; exit 1; }
echo "tessaly ran at scale $scale and fetched $(wc -l <"$dir/requests.log") stretches"
