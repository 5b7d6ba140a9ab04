#!/usr/bin/env bash
# Installs TessalySetup.exe silently under Wine in both modes, each in its
# default folder: for all users (no switch: Wine's user is an administrator),
# then for the current user (/CurrentUser). Each time it checks the files, the
# Start-menu entry and the uninstall entry (Publisher, EstimatedSize from the
# installed files, in the mode's hive and not in the other), runs the installed
# program, and ends with nothing of the install left. The running program is
# asked to close, writing its settings, by a second install over it (all
# users) and by the uninstaller (current user); one that does not answer makes
# the install fail before it changes anything, and a file in use makes it fail
# rather than skip the file. Last, the installer page by page with Enter:
# "Run Tessaly" starts the program. Runs in a Wine prefix of its own, on the
# display the caller gives (xvfb-run). With BUILT-REPLAY.EXE the
# first start serves itself: the title says so, no message box comes and both
# graphs show data; the same from the portable zip, unpacked anywhere.
# Usage: install_test.sh WINE-RUN SETUP.EXE BUILT-TESSALY.EXE HELP-DIR PORTABLE.ZIP [BUILT-REPLAY.EXE]
set -euo pipefail
wine=$1 setup=$2 built=$3 help=$4 zip=$5 replay=${6:-}
dir=$(mktemp -d "${TMPDIR:-/tmp}/tessaly-install-XXXXXX")
export WINEPREFIX=$dir/prefix
# One Wine server for the whole run: one that ends between two steps can race
# the next step's start.
mkdir -p "$WINEPREFIX"
/usr/lib/wine/wineserver -p
program=
cleanup() {
  [ -z "$program" ] || kill "$program" 2>/dev/null || true
  /usr/lib/wine/wineserver -k 2>/dev/null || true
  rm -rf "$dir"
}
trap cleanup EXIT
fail() {
  echo "FAIL: $*" >&2
  exit 1
}
unix() { "$wine" winepath -u "$1" 2>/dev/null; }
entry='Software\Microsoft\Windows\CurrentVersion\Uninstall\Tessaly'
profile='C:\users\'"$(id -un)"
settings=$(unix "$profile"'\AppData\Roaming\Tessaly\Tessaly.ini')

# The value NAME of the uninstall entry in HIVE, or nothing.
value() {
  "$wine" reg query "$1\\$entry" /v "$2" 2>/dev/null | tr -d '\r' |
    sed -n "s/^ *$2 *REG_[A-Z_]* *//p"
}

# install MODE-NAME HIVE OTHER-HIVE WINDOWS-FOLDER START-MENU-FOLDER SETUP-ARGS...
# Sets inst, windows_inst, link.
install() {
  local name=$1 hive=$2 other=$3
  windows_inst=$4
  inst=$(unix "$windows_inst")
  link=$(unix "$5"'\Tessaly.lnk')
  shift 5
  if [ "${1:-}" = --pages ]; then
    through_pages
  else
    timeout 60 "$wine" "$setup" /S "$@" || fail "$name: the installer exited with $?"
  fi
  check_files "$name"
  [ -f "$link" ] || fail "$name: no Start-menu entry at $link"
  value "$hive" UninstallString | grep -qxF "\"$windows_inst\\Uninstall.exe\"" ||
    fail "$name: no entry in $hive naming $windows_inst\\Uninstall.exe"
  [ "$(value "$hive" Publisher)" = Tessaly ] || fail "$name: no Publisher in $hive"
  local bytes kib
  bytes=$(find "$inst" -type f -printf '%s\n' | awk '{ n += $1 } END { print n }')
  kib=$(((bytes + 1023) / 1024))
  [ "$(value "$hive" EstimatedSize)" = "$(printf '0x%x' "$kib")" ] ||
    fail "$name: EstimatedSize $(value "$hive" EstimatedSize), the files take $kib KiB"
  if "$wine" reg query "$other\\$entry" >/dev/null 2>&1; then
    fail "$name: an uninstall entry in $other too"
  fi
  echo "$name: installed into $windows_inst, entry in $hive"
}

# The installer as a user runs it, Enter on every page: the defaults, and "Run
# Tessaly" on the last page, which must start the installed program (left
# running for the uninstaller to close).
through_pages() {
  "$wine" "$setup" >/dev/null 2>&1 &
  local window
  for _ in $(seq 10); do
    window=$(timeout 30 xdotool search --sync --onlyvisible --class tessalysetup.exe | head -1) ||
      fail "the installer ended and \"Run Tessaly\" started no program"
    xdotool windowfocus --sync "$window" 2>/dev/null || true
    xdotool key --window "$window" Return
    sleep 3
    if xdotool search --onlyvisible --class '^tessaly.exe$' >/dev/null 2>&1; then
      break
    fi
  done
  xdotool search --onlyvisible --class '^tessaly.exe$' >/dev/null 2>&1 ||
    fail "\"Run Tessaly\" on the last page did not start the program"
  wait $!
}

check_files() {
  cmp "$inst/tessaly.exe" "$built" || fail "$1: tessaly.exe is not the one built"
  cmp "$inst/help/TessalyEn.html" "$help/TessalyEn.html" || fail "$1: help/TessalyEn.html"
  cmp "$inst/help/TessalyRu.html" "$help/TessalyRu.html" || fail "$1: help/TessalyRu.html"
  [ "$1" = "portable zip" ] || [ -f "$inst/Uninstall.exe" ] || fail "$1: no Uninstall.exe"
  cmp "$inst/tessaly-render.exe" "$(dirname "$built")/tessaly-render.exe" ||
    fail "$1: tessaly-render.exe is not the one built"
  if [ -n "$replay" ]; then
    cmp "$inst/tessaly-replay.exe" "$replay" || fail "$1: tessaly-replay.exe is not the one built"
  fi
}

start_program() {
  rm -f "$settings"
  (cd "$inst" && exec "$wine" "$inst/tessaly.exe") &
  program=$!
  timeout 60 xdotool search --sync --onlyvisible --class tessaly.exe >/dev/null ||
    fail "no window of the installed tessaly.exe within 60 s"
}

# A first start (no settings) of the program just started: it serves itself,
# says so in the title, shows no message box, and both colour maps are painted
# with data. A painted map's pixel rows hold some hundred colours (one 4-pixel
# column a second), the dialog's text rows a few dozen at most, an empty map
# one: the station's map and the all-stations map are two bands of such rows
# (at least 8 rows each).
first_start() {
  local window bands
  window=$(timeout 30 xdotool search --sync --onlyvisible --name "^Tessaly — generated data\$" |
    head -1) || fail "$1: the first start's title does not say the data is generated"
  sleep 3
  if xdotool search --onlyvisible --name "No data received" >/dev/null 2>&1; then
    fail "$1: the first start showed a message box instead of data"
  fi
  import -window "$window" -depth 8 "$dir/first.png"
  bands=$(convert "$dir/first.png" -depth 8 ppm:- | python3 -c '
import sys
head, width, depth, data = sys.stdin.buffer.read().split(b"\n", 3)
w, h = map(int, width.split())
rich = [len({data[i:i + 3] for i in range(y * w * 3, (y + 1) * w * 3, 3)}) >= 60
        for y in range(h)]
# A band: rich rows with gaps of at most 4 rows (the selected station'"'"'s line).
bands, start, last = 0, None, -9
for y in [y for y in range(h) if rich[y]] + [h + 9]:
    if y - last > 5:
        bands += 1 if start is not None and last - start >= 7 else 0
        start = y
    last = y
print(bands)')
  [ "$bands" -ge 2 ] || fail "$1: the colour maps are not both painted with data ($bands bands)"
  echo "$1: the first start serves itself and paints both colour maps"
}

# After the setup or the uninstaller asked it to close.
closed_program() {
  local code=0
  for _ in $(seq 300); do
    kill -0 "$program" 2>/dev/null || break
    sleep 0.2
  done
  kill -0 "$program" 2>/dev/null && fail "$1: the running tessaly.exe was not closed"
  wait "$program" || code=$?
  program=
  [ "$code" -eq 0 ] || fail "$1: the running tessaly.exe exited with $code"
  grep -q '^\[Application\]' "$settings" || fail "$1: the closed program wrote no settings"
  echo "$1: the running tessaly.exe was closed and wrote its settings"
}

# The uninstaller runs from a copy of itself and returns at once.
run_uninstaller() {
  timeout 60 "$wine" "$inst/Uninstall.exe" /S || fail "$1: the uninstaller exited with $?"
}

uninstalled() {
  local name=$1 hive=$2
  for _ in $(seq 150); do
    [ -e "$inst" ] || break
    sleep 0.2
  done
  [ ! -e "$inst" ] || fail "$name: left behind: $(find "$inst")"
  [ ! -e "$link" ] || fail "$name: the Start-menu entry is left"
  if "$wine" reg query "$hive\\$entry" >/dev/null 2>&1; then
    fail "$name: the uninstall entry is left in $hive"
  fi
  echo "$name: uninstalled"
}

install "all users" HKLM HKCU 'C:\Program Files\Tessaly' \
  'C:\ProgramData\Microsoft\Windows\Start Menu\Programs'
start_program
[ -z "$replay" ] || first_start "installed"
timeout 60 "$wine" "$setup" /S || fail "installing over the running program: the installer exited with $?"
closed_program "installing over it"
check_files "installed over the running program"
run_uninstaller "all users"
uninstalled "all users" HKLM

# The portable zip: the same files in a folder Tessaly, started from wherever
# it is unpacked (here a folder outside the prefix, Z:).
mkdir "$dir/portable"
(cd "$dir/portable" && cmake -E tar xf "$zip") || fail "the portable zip does not unpack"
inst=$dir/portable/Tessaly
check_files "portable zip"
start_program
if [ -n "$replay" ]; then
  first_start "portable zip"
fi
window=$(xdotool search --onlyvisible --class tessaly.exe | head -1)
xdotool windowfocus --sync "$window" 2>/dev/null || true
xdotool key --window "$window" Escape
for _ in $(seq 100); do
  kill -0 "$program" 2>/dev/null || break
  sleep 0.2
done
kill -0 "$program" 2>/dev/null && fail "portable zip: Escape did not end the program"
program=

install "current user" HKCU HKLM "$profile"'\AppData\Local\Programs\Tessaly' \
  "$profile"'\AppData\Roaming\Microsoft\Windows\Start Menu\Programs' /CurrentUser
# A program that does not answer (stopped) is reported: the installer fails
# before it touches a file (the removed help page stays removed).
start_program
rm "$inst/help/TessalyRu.html"
kill -STOP "$program"
code=0
timeout 60 "$wine" "$setup" /S /CurrentUser || code=$?
kill -CONT "$program"
[ "$code" -ne 0 ] || fail "installing over a program that does not close reported success"
[ ! -e "$inst/help/TessalyRu.html" ] || fail "installing over a program that does not close went on"
closed_program "once it answers again, the close request"
# A program the installer cannot replace (a server still running from the
# folder) fails the install instead of being skipped; the uninstaller that
# cannot remove it keeps the entries, to be run again.
if [ -n "$replay" ]; then
  "$wine" "$inst/tessaly-replay.exe" --address 127.0.0.1 --port 0 >"$dir/server.out" 2>&1 &
  server=$!
  for _ in $(seq 100); do
    [ ! -s "$dir/server.out" ] || break
    sleep 0.2
  done
  code=0
  timeout 60 "$wine" "$setup" /S /CurrentUser || code=$?
  [ "$code" -ne 0 ] || fail "installing over a file in use reported success"
  run_uninstaller "uninstalling a file in use"
  for _ in $(seq 150); do
    [ -e "$inst/tessaly.exe" ] || break
    sleep 0.2
  done
  [ ! -e "$inst/tessaly.exe" ] || fail "uninstalling a file in use did not start"
  sleep 2
  [ -f "$inst/Uninstall.exe" ] && [ -f "$link" ] && value HKCU UninstallString | grep -q . ||
    fail "uninstalling a file in use removed the way to uninstall again"
  kill "$server"
  wait "$server" || true
fi
timeout 60 "$wine" "$setup" /S /CurrentUser || fail "installing again: the installer exited with $?"
check_files "installed again"
start_program
run_uninstaller "uninstalling the running program"
closed_program "uninstalling it"
uninstalled "current user" HKCU

install "page by page" HKLM HKCU 'C:\Program Files\Tessaly' \
  'C:\ProgramData\Microsoft\Windows\Start Menu\Programs' --pages
run_uninstaller "page by page"
uninstalled "page by page" HKLM
