#!/usr/bin/env bash
# The two .deb packages as users get them: built by CPack from the tree's
# install rules, checked by lintian, installed with dpkg into a scratch root
# (its own dpkg database, so the machine is never touched), tolvar first and
# alone, run from there against the local nginx, its manual pages read with
# man, then with tolvar-desktop, and both removed again.
#
#   tests/scripts/package_deb_test.sh BUILD_DIR PEERS_PORTS_FILE
set -uo pipefail
build=${1:?build tree}
ports=${2:?peers ports file}
# shellcheck source=tests/scripts/package_lib.sh
source "$(dirname "$0")/package_lib.sh"
make_package deb 2

# The two packages by name: tolvar (programs and documents) and
# tolvar-desktop (the module that shows the window).
declare -A deb
for p in "${packages[@]}"; do deb[$(dpkg-deb -f "$p" Package)]=$p; done
for name in tolvar tolvar-desktop; do
  [ -n "${deb[$name]:-}" ] || { echo "FAIL: no package $name among: ${!deb[*]}"; exit 1; }
done
version=$(dpkg-deb -f "${deb[tolvar]}" Version)
[ "$(dpkg-deb -f "${deb[tolvar-desktop]}" Version)" = "$version" ] || fail "the two packages differ in version"

# The dependencies come from the binaries (dpkg-shlibdeps), and each package
# has at least the C and C++ runtimes with a version bound. What tolvar
# depends on must install on a server without X: no desktop library. The
# module works only with the program it was built with.
declare -A must_name=(
  [tolvar]="libc6 (>= |libstdc++6 (>= "
  [tolvar-desktop]="libc6 (>= |libstdc++6 (>= |libfltk|tolvar (= $version)"
)
declare -A must_not_name=([tolvar]="libx11|libfltk|libfontconfig|libxft" [tolvar-desktop]="")
for name in tolvar tolvar-desktop; do
  depends=$(dpkg-deb -f "${deb[$name]}" Depends)
  echo "$name Depends: $depends"
  IFS='|' read -ra wanted <<<"${must_name[$name]}"
  for lib in "${wanted[@]}"; do
    [[ ", $depends" == *", $lib"* ]] || fail "$name: Depends names no $lib"
  done
  IFS='|' read -ra unwanted <<<"${must_not_name[$name]}"
  for lib in "${unwanted[@]}"; do
    [[ ", $depends" == *", $lib"* ]] && fail "$name: Depends names $lib"
  done
done
# Suggested only: apt would install a recommended package along.
[ "$(dpkg-deb -f "${deb[tolvar]}" Suggests)" = tolvar-desktop ] || fail "tolvar does not suggest tolvar-desktop"
[ -z "$(dpkg-deb -f "${deb[tolvar]}" Recommends)" ] || fail "tolvar recommends a package"

# lintian: no error and no warning (information and pedantic notes are shown).
if command -v lintian >/dev/null; then
  for name in tolvar tolvar-desktop; do
    verdict=$(lintian --display-info "${deb[$name]}" 2>&1 | grep -v '^running with root privileges')
    [ -n "$verdict" ] && echo "$verdict"
    grep -Eq '^[EW]: ' <<<"$verdict" && fail "lintian raises errors or warnings on $name"
  done
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
  --path-include="/usr/share/man/*" --path-include="/usr/share/doc/tolvar/*"
  --path-include="/usr/share/doc/tolvar-desktop/*")
[ "$(id -u)" = 0 ] || dpkg_root+=(--force-not-root)
declare -A files=(
  [tolvar]="usr/bin/tolvar usr/bin/tagsift usr/share/man/man1/tolvar.1.gz usr/share/man/man1/tagsift.1.gz
    usr/share/doc/tolvar/tagsift.htm usr/share/doc/tolvar/README.md usr/share/doc/tolvar/copyright
    usr/share/doc/tolvar/changelog.gz"
  [tolvar-desktop]="usr/lib/tolvar/tolvar-desktop.so usr/share/doc/tolvar-desktop/copyright
    usr/share/doc/tolvar-desktop/changelog.gz"
)
install_package() {
  local out f
  if ! out=$("${dpkg_root[@]}" --install "${deb[$1]}" 2>&1); then
    echo "$out"
    echo "FAIL: dpkg --install $1"
    exit 1
  fi
  for f in ${files[$1]}; do
    [ -e "$root/$f" ] || fail "$1: not installed: /$f"
  done
}

# windowed WHAT TEXT ENV...: a run without -q, in the environment changed by
# ENV (env's arguments), cannot show its window: it ends with exit code 5 and
# says TEXT on standard error. No display it could open is ever named.
windowed() {
  local what=$1 text=$2 rc
  shift 2
  env "$@" HOME="$work/home" "$root/usr/bin/tolvar" -u "http://127.0.0.1:$http/page.htm" -b "$work/windowed.htm" \
    >"$work/windowed.out" 2>"$work/windowed.err" </dev/null
  rc=$?
  [ $rc = 5 ] || fail "$what: ended with $rc, not 5"
  grep -qF -- "$text" "$work/windowed.err" || fail "$what: standard error does not say '$text': $(cat "$work/windowed.err")"
}
# A display number no X server here has a socket for.
nowhere=4711
while [ -e "/tmp/.X11-unix/X$nowhere" ]; do nowhere=$((nowhere + 1)); done

http=$(awk '$1 == "http" {print $2}' "$ports")
www=$(awk '$1 == "root" {print $2}' "$ports")
if [ -z "$http" ] || [ ! -f "$www/page.htm" ]; then
  echo "FAIL: no nginx peer in $ports"
  exit 1
fi

install_package tolvar
[ -e "$root/usr/lib/tolvar" ] && fail "tolvar alone installs /usr/lib/tolvar"

# The installed tolvar fetches a page from nginx byte for byte, and the
# installed tagsift lists its links: a scripted run needs nothing of the
# desktop package, even with a display named (it goes on headless).
DISPLAY="unix:$nowhere" HOME="$work/home" "$root/usr/bin/tolvar" -q -u "http://127.0.0.1:$http/page.htm" -b "$work/page.htm" \
  -h "$work/header.txt"
rc=$?
[ $rc = 0 ] || fail "installed tolvar -q ended with $rc"
cmp -s "$www/page.htm" "$work/page.htm" || fail "installed tolvar: the body differs from the served page"
grep -q '^HTTP/1\.[01] 200' "$work/header.txt" || fail "installed tolvar: no 200 status line in the header file"
links=$("$root/usr/bin/tagsift" -lu "$work/page.htm")
[ -n "$links" ] || fail "installed tagsift found no link in the page"

# man reads each installed page without a warning, from the version on.
for page in tolvar tagsift; do
  text=$(MANWIDTH=80 MANPAGER=cat PAGER=cat man --warnings -l "$root/usr/share/man/man1/$page.1.gz" 2>"$work/man.err")
  [ -s "$work/man.err" ] && fail "man -l $page.1.gz: $(cat "$work/man.err")"
  grep -q "^NAME" <<<"$text" || fail "man -l $page.1.gz shows no NAME section"
  grep -q "tolvar $version" <<<"$text" || fail "man -l $page.1.gz does not show the version $version"
done

# Without the desktop package a window cannot be shown, and the message says
# that the module is missing, whether or not a display is named.
windowed "tolvar alone" "The desktop module cannot be loaded: " DISPLAY="unix:$nowhere"
grep -qF "tolvar-desktop.so" "$work/windowed.err" || fail "tolvar alone: the message does not name tolvar-desktop.so"
windowed "tolvar alone, no display" "No X display is named" -u DISPLAY
# A module in the package's place that does not load (as when a library it
# needs is gone) is the one the message speaks of, not the absent one beside
# the program.
mkdir -p "$root/usr/lib/tolvar"
echo "not a module" >"$root/usr/lib/tolvar/tolvar-desktop.so"
windowed "a broken module" "/usr/bin/../lib/tolvar/tolvar-desktop.so: " DISPLAY="unix:$nowhere"
rm -r "$root/usr/lib"

# With it, the module is where the program looks (../lib/tolvar/ from
# /usr/bin), readable but not executable, and stripped. The program finds and
# loads it: the display it names is what fails now.
install_package tolvar-desktop
module="$root/usr/lib/tolvar/tolvar-desktop.so"
[ "$(stat -c %a "$module")" = 644 ] || fail "the module's mode is $(stat -c %a "$module"), not 644"
readelf -S "$module" | grep -q '\.symtab' && fail "the module is not stripped"
windowed "with tolvar-desktop" "The X display \"unix:$nowhere\" cannot be opened." DISPLAY="unix:$nowhere"
windowed "with tolvar-desktop, no display" "No X display is named (DISPLAY is not set)." -u DISPLAY

# Both removed, nothing of either package is left.
"${dpkg_root[@]}" --remove tolvar-desktop tolvar >/dev/null 2>&1 || fail "dpkg --remove"
left=$(cd "$root" && find . -path ./var -prune -o -print | grep -v '^\.$')
[ -z "$left" ] || fail "left after removal: $left"

[ $status = 0 ] && echo "package_deb: all checks passed"
exit $status
