#!/usr/bin/env bash
# tessaly-render on Linux and tessaly-render.exe under Wine render the same
# stretch from the same tessaly-replay: the WAV, FLAC, CSV and PNG files must be
# the same bytes. The Windows files go to a Cyrillic folder, outside the ANSI
# code page Wine runs the program under.
# Usage: same_bytes_test.sh LINUX_RENDER WINDOWS_RENDER EMULATOR
# (inside with_replays.sh, which gives the server in TESSALY_REPLAY_GOOD and a
# scratch folder in TESSALY_REPLAY_DIR)
set -euo pipefail
linux=$1
windows=$2
emulator=$3
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
for name in out.wav out.flac out.csv out.png; do
  if ! cmp "$dir/linux/$name" "$dir/Проверка/звук/$name"; then
    status=1
  fi
done
# Nothing but the four files: no temporaries left behind.
if [ "$(ls -A "$dir/Проверка/звук" | sort | tr '\n' ' ')" != "out.csv out.flac out.png out.wav " ]; then
  echo "unexpected files: $(ls -A "$dir/Проверка/звук")" >&2
  status=1
fi
exit $status
