#!/usr/bin/env bash
# tests/packaging/check_packages.sh: checks the packages of build/dist/ that scripts/package made.
#   deb: the .deb unpacked into a scratch root runs on the sample; lintian reports no errors.
#   zip: the zip holds exactly the files of packaging/windows-files.txt.
# Prints one line per failed check and exits non-zero when any failed.
set -uo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
cd "$root"
. scripts/lib/version.sh
version=$(vemra_version "$root") || exit 1
dist=build/dist
failures=0
fail() { echo "FAILED: $*" >&2; failures=$((failures + 1)); }
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

check_deb() {
  local deb=$dist/vemra_${version}_amd64.deb
  [ -f "$deb" ] || { fail "$deb is missing"; return; }
  local files
  files=$(dpkg-deb -c "$deb" | awk '{print $6}' | sed 's|^\./|/|' | grep -v '/$' | sort)
  local expected="/usr/bin/vemra
/usr/share/doc/vemra/README.md
/usr/share/doc/vemra/changelog.gz
/usr/share/doc/vemra/copyright
/usr/share/man/man1/vemra.1.gz"
  [ "$files" = "$expected" ] || fail "the .deb holds other files than expected:"$'\n'"$files"
  [ "$(dpkg-deb -f "$deb" Version)" = "$version" ] || fail "the .deb's version is not $version"

  local sysroot=$scratch/root
  dpkg -x "$deb" "$sysroot" || { fail "dpkg -x $deb"; return; }
  local vemra=$sysroot/usr/bin/vemra
  cp -r sample/Palm "$scratch/Palm"
  run() {
    env -i PATH=/usr/bin:/bin HOME="$scratch" TZ=UTC LC_ALL=en_US.UTF-8 VEMRA_UNATTENDED=1 \
      VEMRA_PALM_DESKTOP="$scratch/Palm" VEMRA_REGISTRY="$scratch/registry.reg" \
      timeout 60 "$vemra" "$@"
  }
  local out status
  out=$(run -u Demo -x -e "$scratch/full.csv" 2>&1)
  status=$?
  [ "$status" -eq 0 ] || fail "installed vemra exported with status $status: $out"
  cmp -s "$scratch/full.csv" tests/data/transfer/demo-full.csv ||
    fail "the installed vemra's full export of the sample differs from tests/data/transfer/demo-full.csv"
  out=$(run -\? 2>&1)
  status=$?
  [ "$status" -eq 255 ] && [[ "$out" == *"-e <file>"* ]] ||
    fail "installed vemra -? ended with $status and did not show the usage: $out"
  # The man page is readable and names every environment variable.
  local page
  page=$(MANWIDTH=100 man -l "$sysroot/usr/share/man/man1/vemra.1.gz" 2>&1) || fail "man vemra: $page"
  local name
  for name in VEMRA_REGISTRY VEMRA_PALM_DESKTOP VEMRA_UNATTENDED VEMRA_EXCEL "EXIT STATUS" FILES; do
    [[ "$page" == *"$name"* ]] || fail "the man page does not mention $name"
  done

  local report
  report=$(timeout 300 lintian --tag-display-limit 0 "$deb" 2>&1 | grep -v 'running with root privileges')
  if grep -q '^E: ' <<<"$report"; then
    fail "lintian reports errors:"$'\n'"$report"
  else
    echo "lintian: no errors$( [ -n "$report" ] && printf ', %s other findings' "$(grep -c . <<<"$report")")"
    [ -n "$report" ] && echo "$report"
  fi
}

check_zip() {
  local zip=$dist/VEMRA-$version-windows.zip
  [ -f "$zip" ] || { fail "$zip is missing"; return; }
  local expected=() name from flag
  while read -r name from flag; do
    case "$name" in ''|'#'*) continue ;; esac
    if [ "$flag" = optional ] && [ ! -f "build/windows/$from" ]; then
      echo "WARNING: build/windows/$from is missing, so the zip is checked without $name" >&2
      continue
    fi
    [ "$flag" = german ] && name=German/$name
    expected+=("$name")
  done <packaging/windows-files.txt
  local want have
  want=$(printf '%s\n' "${expected[@]}" | sort)
  have=$(unzip -Z1 "$zip" | grep -v '/$' | sort)
  [ "$want" = "$have" ] || fail "the zip holds"$'\n'"$have"$'\n'"instead of"$'\n'"$want"
  # The packed program is the one of the build.
  unzip -q -d "$scratch/zip" "$zip" VEMRA.exe && cmp -s "$scratch/zip/VEMRA.exe" build/windows/VEMRA.exe ||
    fail "the zip's VEMRA.exe is not build/windows/VEMRA.exe"
  # Its version resource gives the packages' version.
  strings -el "$scratch/zip/VEMRA.exe" | grep -A1 -x ProductVersion | grep -qx "${version//./\\.}\\.[0-9]*" ||
    fail "the version resource of VEMRA.exe does not say $version"
}

case "${1:-all}" in
  deb) check_deb ;;
  zip) check_zip ;;
  all) check_deb; check_zip ;;
  *) echo "usage: tests/packaging/check_packages.sh [deb|zip|all]" >&2; exit 2 ;;
esac
if [ "$failures" -ne 0 ]; then
  echo "$failures package check(s) failed" >&2
  exit 1
fi
echo "package checks passed"
