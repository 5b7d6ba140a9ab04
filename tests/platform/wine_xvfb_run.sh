#!/usr/bin/env bash
# Runs a Windows GUI program of the cross build under wine64 on a private Xvfb
# (24-bit colour, so that read-back pixels are exact; TESSALY_XVFB_SCREEN
# gives another size), and waits for Wine's own processes to end before the
# display goes.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
# A crash ends the program instead of waiting in the debugger.
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=;winedbg.exe=d}
export WINEPREFIX=${WINEPREFIX:-${TMPDIR:-/tmp}/tessaly-wine-$(id -u)}
exec xvfb-run -a -s "-screen 0 ${TESSALY_XVFB_SCREEN:-1280x1024x24} -nolisten tcp" bash -c '
  "$0" "$@"
  code=$?
  /usr/lib/wine/wineserver -w
  exit $code' "$here/../../scripts/wine-run.sh" "$@"
