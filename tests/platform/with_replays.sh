#!/usr/bin/env bash
# Runs a command (a Windows test under Wine) beside tessaly-replay servers that
# it starts on 127.0.0.1, one for each NAME="ARGS" given before "--": the
# command finds each server's "127.0.0.1:PORT" in TESSALY_REPLAY_NAME, and a
# scratch folder in TESSALY_REPLAY_DIR ("@DIR@" in ARGS). NAME=gone names a
# port nobody listens on any more. The servers end with the command.
# Usage: with_replays.sh REPLAY NAME="ARGS"... -- COMMAND...
set -euo pipefail
replay=$1
shift
dir=$(mktemp -d "${TMPDIR:-/tmp}/tessaly-replays-XXXXXX")
pids=()
cleanup() {
  if [ "${#pids[@]}" -gt 0 ]; then
    kill "${pids[@]}" 2>/dev/null || true
    wait "${pids[@]}" 2>/dev/null || true
  fi
  rm -rf "$dir"
}
trap cleanup EXIT
export TESSALY_REPLAY_DIR=$dir

start() {  # name, args...
  local name=$1
  shift
  "$replay" --address 127.0.0.1 --port 0 "$@" >"$dir/$name.out" 2>&1 &
  pids+=($!)
  local host=""
  for _ in $(seq 100); do
    host=$(sed -n 's|^tessaly-replay listening on http://||p' "$dir/$name.out")
    [ -n "$host" ] && break
    sleep 0.1
  done
  if [ -z "$host" ]; then
    echo "tessaly-replay $* did not start:" >&2
    cat "$dir/$name.out" >&2
    exit 1
  fi
  export "TESSALY_REPLAY_${name^^}=$host"
}

while [ "$#" -gt 0 ] && [ "$1" != "--" ]; do
  name=${1%%=*}
  read -r -a args <<<"${1#*=}"
  args=("${args[@]//@DIR@/$dir}")
  shift
  start "$name" "${args[@]}"
  if [ "$name" = gone ]; then
    kill "${pids[-1]}"
    wait "${pids[-1]}" 2>/dev/null || true
    unset 'pids[-1]'
  fi
done
shift
"$@"
