#!/usr/bin/env bash
# Runs a Windows program of the cross build under wine64, in a Wine prefix of
# the build's own (made on first use; WINEPREFIX set by the caller wins), with
# Wine's own messages silenced.
set -euo pipefail
export WINEDEBUG=${WINEDEBUG:--all}
export WINEPREFIX=${WINEPREFIX:-${TMPDIR:-/tmp}/tessaly-wine-$(id -u)}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
exec /usr/lib/wine/wine64 "$@"
