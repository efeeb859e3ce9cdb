#!/usr/bin/env bash
# tests/packaging/check_installer.sh: runs the Windows installer of build/dist/ silently under Wine,
# for all users and for the current user alone, and checks what it installed: the files, the
# Start-menu entry, the automation registration, that the installed program exports the sample
# and opens its dialog; then that the silent uninstaller removes all of it but the user's settings.
# Runs inside the Wine session of scripts/test (scripts/lib/wine-session.sh).
set -uo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
cd "$root"
. scripts/lib/version.sh
version=$(vemra_version "$root") || exit 1
: "${WINEPREFIX:?run inside the Wine session of scripts/test}"
installer=build/dist/VEMRA-$version-setup.exe
# With the German component the installed program speaks German, without it English.
caption_de="VEMRA - Kalender-Import/Export für Palm Desktop"
caption_en="VEMRA - Datebook Import Export for Palm Desktop"
failures=0
fail() { echo "FAILED: $*" >&2; failures=$((failures + 1)); }
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
[ -f "$installer" ] || { echo "FAILED: $installer is missing" >&2; exit 1; }

# Wine programs get no terminal and no pipes of ours that they could keep open.
w() { timeout 120 wine "$@" </dev/null 2>/dev/null; }
reg_has() { w reg query "$1" >/dev/null 2>&1; }
unix_path() { winepath -u "$1" 2>/dev/null | tr -d '\r'; }

expected=()
german=()
while read -r name from flag; do
  case "$name" in ''|'#'*) continue ;; esac
  if [ "$flag" = optional ] && [ ! -f "build/windows/$from" ]; then
    echo "WARNING: build/windows/$from is missing, so the installer is checked without $name" >&2
    continue
  fi
  if [ "$flag" = german ]; then german+=("$name"); else expected+=("$name"); fi
done <packaging/windows-files.txt

cp -r sample/Palm "$scratch/Palm"
palm=$(winepath -w "$scratch/Palm" 2>/dev/null | tr -d '\r')
cat >"$scratch/create.js" <<'EOF'
try {
  var app = new ActiveXObject("VEMRA.Application");
  app = null;
  WScript.Quit(0);
} catch (e) {
  WScript.Echo("cannot create VEMRA.Application: " + e.description);
  WScript.Quit(1);
}
EOF
script=$(winepath -w "$scratch/create.js" 2>/dev/null | tr -d '\r')

# install <German|NoGerman> <mode> <folder> <Start-menu folder> <uninstall key>: a silent install
# in that mode, with or without the German component, checked for its files, Start-menu entry
# and uninstall entry.
declare -A language
install() {
  language[$2]=$1
  shift
  local mode=$1 dir_win=$2 menu_win=$3 key=$4 dir menu
  dir=$(unix_path "$dir_win")
  menu=$(unix_path "$menu_win")
  echo "== installer /S /$mode into $dir_win"
  rm -rf "$dir" "$menu"
  local status
  VEMRA_UNATTENDED=1 VEMRA_PALM_DESKTOP="$palm" w "$installer" /S "/$mode" "/${language[$mode]}"
  status=$?
  [ "$status" -eq 0 ] || fail "$mode: the installer ended with $status"
  check_installed "$@"
}

check_installed() {
  local mode=$1 dir_win=$2 menu_win=$3 key=$4 dir menu name
  dir=$(unix_path "$dir_win")
  menu=$(unix_path "$menu_win")
  local files=("${expected[@]}")
  [ "${language[$mode]}" = German ] && files+=("${german[@]}")
  for name in "${files[@]}" Uninstall.exe; do
    [ -f "$dir/$name" ] || fail "$mode: $dir_win\\$name is not installed"
  done
  cmp -s "$dir/VEMRA.exe" build/windows/VEMRA.exe || fail "$mode: the installed VEMRA.exe is not the built one"
  [ "$(find "$dir" -type f 2>/dev/null | wc -l)" -eq $((${#files[@]} + 1)) ] ||
    fail "$mode: $dir_win holds other files: $(ls "$dir" 2>/dev/null | tr '\n' ' ')"
  [ -f "$menu/VEMRA.lnk" ] || fail "$mode: no Start-menu entry $menu_win\\VEMRA.lnk"
  reg_has "$key" || fail "$mode: no uninstall entry $key"
}

# use <mode> <folder>: the installed program exports the sample from the command line and opens
# its dialog; closing the dialog saves the user's settings.
use() {
  local mode=$1 dir_win=$2 out status caption=$caption_en header='"Date"'
  [ "${language[$mode]}" = German ] && caption=$caption_de header='"Datum"'
  out=$(winepath -w "$scratch/full-$mode.csv" 2>/dev/null | tr -d '\r')
  TZ=UTC LC_ALL=en_US.UTF-8 VEMRA_UNATTENDED=1 VEMRA_PALM_DESKTOP="$palm" \
    w "$dir_win\\VEMRA.exe" -u Demo -x -e "$out" >/dev/null
  status=$?
  [ "$status" -eq 0 ] || fail "$mode: the installed VEMRA.exe exported with status $status"
  # The header row is in the installed language; the appointments are the same.
  head -n 1 "$scratch/full-$mode.csv" | grep -q "$header" ||
    fail "$mode: the installed VEMRA.exe's export has no header row with $header"
  cmp -s <(tail -n +2 "$scratch/full-$mode.csv") <(tail -n +2 tests/data/transfer/demo-full.csv) ||
    fail "$mode: the installed VEMRA.exe's export of the sample differs from tests/data/transfer/demo-full.csv"
  # Its dialog opens; Ctrl+Q ends the program, as it would for a person.
  LC_ALL=en_US.UTF-8 VEMRA_PALM_DESKTOP="$palm" w "$dir_win\\VEMRA.exe" >/dev/null &
  local id
  id=$(timeout 30 xdotool search --sync --onlyvisible --name "^$caption\$" | head -n 1)
  [ -n "$id" ] && xdotool windowfocus --sync "$id" sleep 0.5 key ctrl+q ||
    fail "$mode: the installed VEMRA.exe did not open its dialog \"$caption\""
  wait "$!" || fail "$mode: the installed VEMRA.exe did not end after its dialog was closed"
}

# uninstall <mode> <folder> <Start-menu folder> <uninstall key> [/RemoveSettings]: the silent
# uninstaller, started as a user would (no mode switch); it copies itself away and returns at
# once, so this waits until its copy has finished. The user's settings stay unless asked.
uninstall() {
  local mode=$1 dir_win=$2 menu_win=$3 key=$4 remove=${5:-} dir menu i
  dir=$(unix_path "$dir_win")
  menu=$(unix_path "$menu_win")
  echo "== uninstaller /S of $dir_win"
  VEMRA_UNATTENDED=1 VEMRA_PALM_DESKTOP="$palm" w "$dir_win\\Uninstall.exe" /S $remove
  # The copy runs as Au_.exe from a temporary folder.
  for i in $(seq 1 120); do
    pgrep -f 'Au_\.exe' >/dev/null || break
    sleep 0.5
  done
  for i in $(seq 1 60); do
    [ -e "$dir" ] || [ -e "$menu" ] || reg_has "$key" || break
    sleep 0.5
  done
  [ ! -e "$dir" ] || fail "$mode: the uninstaller left $dir_win: $(ls -A "$dir" | tr '\n' ' ')"
  [ ! -e "$menu" ] || fail "$mode: the uninstaller left the Start-menu folder $menu_win"
  ! reg_has "$key" || fail "$mode: the uninstaller left $key"
  if [ -z "$remove" ]; then
    reg_has 'HKCU\Software\Quelbarsk\VEMRA\Options' || fail "$mode: the uninstaller removed the user's settings"
  else
    ! reg_has 'HKCU\Software\Quelbarsk\VEMRA' || fail "$mode: the uninstaller $remove left the user's settings"
  fi
}

local_appdata=$(w cmd /c echo %LOCALAPPDATA% | tr -d '\r')
appdata=$(w cmd /c echo %APPDATA% | tr -d '\r')
programdata=$(w cmd /c echo %ProgramData% | tr -d '\r')
uninstall_key='Software\Microsoft\Windows\CurrentVersion\Uninstall\VEMRA'
all=(AllUsers 'C:\Program Files\VEMRA' "$programdata\\Microsoft\\Windows\\Start Menu\\Programs\\VEMRA" "HKLM\\$uninstall_key")
one=(CurrentUser "$local_appdata\\Programs\\VEMRA" "$appdata\\Microsoft\\Windows\\Start Menu\\Programs\\VEMRA" "HKCU\\$uninstall_key")

install German "${all[@]}"
reg_has 'HKCR\VEMRA.Application' || fail "VEMRA.Application is not registered"
w cscript //nologo "$script" >/dev/null || fail "a script cannot create VEMRA.Application"
use "${all[@]:0:2}"
# A marker beside the settings the dialog saved: the uninstallers must keep both.
w reg add 'HKCU\Software\Quelbarsk\VEMRA\Options' /v packagetest /t REG_DWORD /d 1 /f >/dev/null
# One user's own installation beside the one for everybody; its uninstaller removes only itself.
install NoGerman "${one[@]}"
use "${one[@]:0:2}"
uninstall "${one[@]}"
check_installed "${all[@]}"
uninstall "${all[@]}" /RemoveSettings
! reg_has 'HKCR\VEMRA.Application' || fail "the uninstaller left the registration of VEMRA.Application"

if [ "$failures" -ne 0 ]; then
  echo "$failures installer check(s) failed" >&2
  exit 1
fi
echo "installer checks passed"
