#!/usr/bin/env bash
# Installs TessalySetup.exe silently under Wine into a fresh folder, checks the
# files, the Start-menu entry and the uninstall entry, runs the installed
# program once (its window appears; closed as a user closes it, it writes its
# settings and exits with 0), then uninstalls silently and checks that all of
# it is gone again. Runs in a Wine prefix of its own, on the display the
# caller gives (xvfb-run). With BUILT-REPLAY.EXE the first start serves itself:
# the title says so and no message box comes.
# Usage: install_test.sh WINE-RUN SETUP.EXE BUILT-TESSALY.EXE HELP-DIR [BUILT-REPLAY.EXE]
set -euo pipefail
wine=$1 setup=$2 built=$3 help=$4 replay=${5:-}
dir=$(mktemp -d "${TMPDIR:-/tmp}/tessaly-install-XXXXXX")
export WINEPREFIX=$dir/prefix
inst=$dir/Tessaly
windows_inst="Z:${inst//\//\\}"
# After a failure, uninstall in place (and wait for it), so that no entry of
# this run stays in the Wine prefix.
cleanup() {
  if [ -f "$inst/Uninstall.exe" ]; then
    "$wine" "$inst/Uninstall.exe" /S "_?=$windows_inst" >/dev/null 2>&1 || true
  fi
  /usr/lib/wine/wineserver -k 2>/dev/null || true
  rm -rf "$dir"
}
trap cleanup EXIT
key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Tessaly'
fail() {
  echo "FAIL: $*" >&2
  exit 1
}
link=$("$wine" winepath -u 'C:\ProgramData\Microsoft\Windows\Start Menu\Programs\Tessaly.lnk' \
  2>/dev/null)

"$wine" "$setup" /S "/D=$windows_inst" || fail "the installer exited with $?"
cmp "$inst/tessaly.exe" "$built" || fail "tessaly.exe is not the one built"
for tool in tessaly-render.exe tessaly-replay.exe; do
  cmp "$inst/$tool" "$(dirname "$built")/$tool" || fail "$tool is not the one built"
done
cmp "$inst/help/TessalyEn.html" "$help/TessalyEn.html" || fail "help/TessalyEn.html"
cmp "$inst/help/TessalyRu.html" "$help/TessalyRu.html" || fail "help/TessalyRu.html"
[ -f "$inst/Uninstall.exe" ] || fail "no Uninstall.exe"
if [ -n "$replay" ]; then
  cmp "$inst/tessaly-replay.exe" "$replay" || fail "tessaly-replay.exe is not the one built"
fi
[ -f "$link" ] || fail "no Start-menu entry at $link"
"$wine" reg query "$key" /v UninstallString 2>/dev/null | grep -qF "$windows_inst\\Uninstall.exe" ||
  fail "no uninstall entry naming $windows_inst\\Uninstall.exe"
echo "installed into $windows_inst"

(cd "$inst" && exec "$wine" "$inst/tessaly.exe") &
program=$!
timeout 60 xdotool search --sync --onlyvisible --class tessaly.exe >/dev/null ||
  fail "no window of the installed tessaly.exe within 60 s"
if [ -n "$replay" ]; then
  timeout 30 xdotool search --sync --onlyvisible --name "^Tessaly — generated data\$" >/dev/null ||
    fail "the first start's title does not say the data is generated"
  sleep 3
  if xdotool search --onlyvisible --name "No data received" >/dev/null 2>&1; then
    fail "the first start showed a message box instead of data"
  fi
fi
"$wine" taskkill /im tessaly.exe >/dev/null 2>&1 || fail "taskkill could not reach tessaly.exe"
code=0
wait "$program" || code=$?
[ "$code" -eq 0 ] || fail "the installed tessaly.exe exited with $code"
settings=$("$wine" winepath -u 'C:\users\'"$(id -un)"'\AppData\Roaming\Tessaly\Tessaly.ini' \
  2>/dev/null)
grep -q '^\[Application\]' "$settings" || fail "no settings written at $settings"
echo "the installed tessaly.exe ran and wrote $settings"

# The uninstaller runs from a copy of itself and returns at once.
"$wine" "$inst/Uninstall.exe" /S || fail "the uninstaller exited with $?"
for _ in $(seq 150); do
  [ -e "$inst" ] || break
  sleep 0.2
done
[ ! -e "$inst" ] || fail "left behind: $(find "$inst")"
[ ! -e "$link" ] || fail "the Start-menu entry is left"
if "$wine" reg query "$key" >/dev/null 2>&1; then
  fail "the uninstall entry is left"
fi
echo "uninstalled"
