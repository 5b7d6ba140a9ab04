#!/usr/bin/env bash
# tessaly-render on Linux and tessaly-render.exe under Wine render the same
# stretch from the same tessaly-replay: the WAV, FLAC, CSV and PNG files must be
# the same bytes. The Windows files go to a Cyrillic folder, outside the ANSI
# code page Wine runs the program under. With WINDOWS_REPLAY, the Linux renderer
# makes the files again from tessaly-replay.exe under Wine: the same bytes once more.
# Usage: same_bytes_test.sh LINUX_RENDER WINDOWS_RENDER EMULATOR [WINDOWS_REPLAY]
# (inside with_replays.sh, which gives the server in TESSALY_REPLAY_GOOD and a
# scratch folder in TESSALY_REPLAY_DIR)
set -euo pipefail
linux=$1
windows=$2
emulator=$3
windows_replay=${4:-}
host=$TESSALY_REPLAY_GOOD
dir=$TESSALY_REPLAY_DIR
mkdir -p "$dir/linux" "$dir/Проверка/звук"
win_dir="Z:$(printf '%s' "$dir/Проверка/звук" | tr / '\\')"

# A stretch over a day boundary, with options away from their defaults.
args=(--host "$host" --station 37 --from 2020-03-05T23:58:30 --seconds 150 --scale minor
  --base -2 --values 5 --fade in --volume 73)
render() {  # folder, command...
  local folder=$1
  shift
  "$@" "${args[@]}" --out "$folder/out.wav" --csv "$folder/out.csv" --png "$folder/out.png"
  "$@" "${args[@]}" --out "$folder/out.flac"
}
render "$dir/linux" "$linux"
LC_ALL=C.UTF-8 render "$win_dir" "$emulator" "$windows"

status=0
compare() {  # folder
  for name in out.wav out.flac out.csv out.png; do
    cmp "$dir/linux/$name" "$1/$name" || status=1
  done
  # Nothing but the four files: no temporaries left behind.
  if [ "$(ls -A "$1" | sort | tr '\n' ' ')" != "out.csv out.flac out.png out.wav " ]; then
    echo "unexpected files: $(ls -A "$1")" >&2
    status=1
  fi
}
compare "$dir/Проверка/звук"

if [ -n "$windows_replay" ]; then
  "$emulator" "$windows_replay" --port 0 --now 2020-03-07T00:00:00 >"$dir/replay.out" 2>&1 &
  replay_pid=$!
  trap 'kill $replay_pid 2>/dev/null || true' EXIT
  # Wine's first start in a prefix can take a while.
  for _ in $(seq 600); do
    args[1]=$(sed -n 's|^tessaly-replay listening on http://||p' "$dir/replay.out" | tr -d '\r')
    [ -n "${args[1]}" ] && break
    sleep 0.1
  done
  if [ -z "${args[1]}" ]; then
    echo "tessaly-replay.exe did not start:" >&2
    cat "$dir/replay.out" >&2
    exit 1
  fi
  mkdir "$dir/from-windows-replay"
  render "$dir/from-windows-replay" "$linux"
  compare "$dir/from-windows-replay"
fi
exit $status
