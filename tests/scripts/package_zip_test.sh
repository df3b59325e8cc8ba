#!/usr/bin/env bash
# The Windows zip as users get it: built by CPack from the tree's install
# rules, holding exactly the two programs, their help page and the read-me
# in one folder; the programs checked as built (check-pe.sh). With "run",
# the zip is unpacked into a new folder and both programs run from there
# under the tree's Wine: tagsift lists a page's links, tolvar -q fetches that
# page from the local nginx.
#
#   tests/scripts/package_zip_test.sh BUILD_DIR OBJDUMP PE_FORMAT contents
#   tests/scripts/package_zip_test.sh BUILD_DIR OBJDUMP PE_FORMAT run PEERS_PORTS WINE_COMMAND...
set -uo pipefail
build=${1:?build tree}
objdump=${2:?objdump}
format=${3:?pe format}
mode=${4:?contents or run}
here=$(cd "$(dirname "$0")/../.." && pwd)
# shellcheck source=tests/scripts/package_lib.sh
source "$(dirname "$0")/package_lib.sh"
make_package zip
zip=$package
folder=$(basename "$zip" .zip)

expected=$(printf '%s\n' "$folder/readme.txt" "$folder/tagsift.exe" "$folder/tagsift.htm" "$folder/tolvar.exe")
listed=$(unzip -Z1 "$zip" | grep -v '/$' | sort)
[ "$listed" = "$expected" ] || fail "the zip holds $(tr '\n' ' ' <<<"$listed")instead of $(tr '\n' ' ' <<<"$expected")"

# Unpacked into a folder of its own, as a user would.
dest="$work/unpacked"
mkdir "$dest"
unzip -q "$zip" -d "$dest" || fail "unzip"
app="$dest/$folder"
bash "$here/scripts/check-pe.sh" "$objdump" "$format" "$app/tagsift.exe" "$app/tolvar.exe" || fail "check-pe.sh"
grep -q $'\r$' "$app/readme.txt" || fail "readme.txt does not end its lines in CR LF"
version=$(sed -n 's/^set(CPACK_PACKAGE_VERSION "\(.*\)")$/\1/p' "$build/CPackConfig.cmake")
grep -q "^tolvar and tagsift $version for Windows" "$app/readme.txt" || fail "readme.txt does not name version $version"

if [ "$mode" = run ]; then
  ports=${5:?peers ports file}
  shift 5
  wine=("$@")
  http=$(awk '$1 == "http" {print $2}' "$ports")
  www=$(awk '$1 == "root" {print $2}' "$ports")
  [ -n "$http" ] && [ -f "$www/page.htm" ] || { echo "FAIL: no nginx peer in $ports"; exit 1; }
  cp "$www/page.htm" "$app/page.htm"
  # Output to files, never to a pipe that Wine's server would hold open.
  (cd "$app" && "${wine[@]}" tagsift.exe -lu page.htm >"$work/links.txt" 2>"$work/tagsift.err")
  rc=$?
  [ $rc = 0 ] || fail "tagsift.exe ended with $rc: $(cat "$work/tagsift.err")"
  [ -s "$work/links.txt" ] || fail "tagsift.exe listed no link"
  while IFS= read -r link; do
    grep -qF "$link" "$www/page.htm" || fail "tagsift.exe listed $link, which is not in the page"
  done <"$work/links.txt"
  (cd "$app" && "${wine[@]}" tolvar.exe -q -u "http://127.0.0.1:$http/page.htm" -b body.htm -h header.txt \
    >"$work/tolvar.out" 2>"$work/tolvar.err")
  rc=$?
  [ $rc = 0 ] || fail "tolvar.exe -q ended with $rc: $(cat "$work/tolvar.err")"
  cmp -s "$www/page.htm" "$app/body.htm" || fail "tolvar.exe: the body differs from the served page"
  grep -q '^HTTP/1\.[01] 200' "$app/header.txt" || fail "tolvar.exe: no 200 status line in header.txt"
fi

[ $status = 0 ] && echo "package_zip $mode: all checks passed"
exit $status
