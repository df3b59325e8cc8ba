#!/usr/bin/env bash
# The .deb as users get it: built by CPack from the tree's install rules,
# checked by lintian, installed with dpkg into a scratch root (its own dpkg
# database, so the machine is never touched), run from there against the
# local nginx, its manual pages read with man, and removed again.
#
#   tests/scripts/package_deb_test.sh BUILD_DIR PEERS_PORTS_FILE
set -uo pipefail
build=${1:?build tree}
ports=${2:?peers ports file}
# shellcheck source=tests/scripts/package_lib.sh
source "$(dirname "$0")/package_lib.sh"
make_package deb
deb=$package

# The dependencies come from the binaries (dpkg-shlibdeps): at least the C
# and C++ runtimes, each with a version bound.
depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
for lib in libc6 libstdc++6; do
  [[ ", $depends" == *", $lib (>= "* ]] || fail "Depends names no $lib with a version"
done

# lintian: no error and no warning (information and pedantic notes are shown).
if command -v lintian >/dev/null; then
  verdict=$(lintian --display-info "$deb" 2>&1 | grep -v '^running with root privileges')
  [ -n "$verdict" ] && echo "$verdict"
  grep -Eq '^[EW]: ' <<<"$verdict" && fail "lintian raises errors or warnings"
else
  fail "lintian is not installed"
fi

# Install into a scratch root with a database of its own. The host's
# libraries are not in that database, so dependencies are not checked there.
root="$work/root"
mkdir -p "$root/var/lib/dpkg/info" "$root/var/lib/dpkg/updates"
: >"$root/var/lib/dpkg/status"
# A host that keeps manual pages and documents out of installs (path-exclude
# in /etc/dpkg/dpkg.cfg.d, as slim images do) must not hide what is checked.
dpkg_root=(dpkg --root="$root" --force-depends --force-script-chrootless
  --path-include="/usr/share/man/*" --path-include="/usr/share/doc/tolvar/*")
[ "$(id -u)" = 0 ] || dpkg_root+=(--force-not-root)
if ! out=$("${dpkg_root[@]}" --install "$deb" 2>&1); then
  echo "$out"
  echo "FAIL: dpkg --install"
  exit 1
fi
for f in usr/bin/tolvar usr/bin/tagsift usr/share/man/man1/tolvar.1.gz usr/share/man/man1/tagsift.1.gz \
  usr/share/doc/tolvar/tagsift.htm usr/share/doc/tolvar/README.md usr/share/doc/tolvar/copyright \
  usr/share/doc/tolvar/changelog.gz; do
  [ -e "$root/$f" ] || fail "not installed: /$f"
done

# The installed tolvar fetches a page from nginx byte for byte, and the
# installed tagsift lists its links.
http=$(awk '$1 == "http" {print $2}' "$ports")
www=$(awk '$1 == "root" {print $2}' "$ports")
if [ -z "$http" ] || [ ! -f "$www/page.htm" ]; then
  fail "no nginx peer in $ports"
else
  HOME="$work/home" "$root/usr/bin/tolvar" -q -u "http://127.0.0.1:$http/page.htm" -b "$work/page.htm" \
    -h "$work/header.txt"
  rc=$?
  [ $rc = 0 ] || fail "installed tolvar -q ended with $rc"
  cmp -s "$www/page.htm" "$work/page.htm" || fail "installed tolvar: the body differs from the served page"
  grep -q '^HTTP/1\.[01] 200' "$work/header.txt" || fail "installed tolvar: no 200 status line in the header file"
  links=$("$root/usr/bin/tagsift" -lu "$work/page.htm")
  [ -n "$links" ] || fail "installed tagsift found no link in the page"
fi

# man reads each installed page without a warning, from the version on.
version=$(dpkg-deb -f "$deb" Version)
for page in tolvar tagsift; do
  text=$(MANWIDTH=80 MANPAGER=cat PAGER=cat man --warnings -l "$root/usr/share/man/man1/$page.1.gz" 2>"$work/man.err")
  [ -s "$work/man.err" ] && fail "man -l $page.1.gz: $(cat "$work/man.err")"
  grep -q "^NAME" <<<"$text" || fail "man -l $page.1.gz shows no NAME section"
  grep -q "tolvar $version" <<<"$text" || fail "man -l $page.1.gz does not show the version $version"
done

# Removed, nothing of the package is left.
"${dpkg_root[@]}" --remove tolvar >/dev/null 2>&1 || fail "dpkg --remove"
left=$(cd "$root" && find . -path ./var -prune -o -print | grep -v '^\.$')
[ -z "$left" ] || fail "left after removal: $left"

[ $status = 0 ] && echo "package_deb: all checks passed"
exit $status
