#!/bin/bash
# Runs every block of the README's "Script recipes" section as it stands,
# each in a folder of its own, against the local nginx and tinyproxy of
# scripts/peers.sh, with the programs of a build tree first on PATH and no
# display, as on a server (the answers do not depend on it; with one, -q
# would show a minimised window); then checks what each left behind.
#   tests/scripts/readme_recipes_test.sh SOURCE_DIR BUILD_DIR PEERS_PORTS_FILE
set -u
src=${1:?source dir}
build=${2:?build dir}
ports=${3:?peers ports file}

fail() {
  echo "readme_recipes: $*" >&2
  exit 1
}

http=$(awk '$1 == "http" {print $2}' "$ports")
proxy=$(awk '$1 == "proxy" {print $2}' "$ports")
[ -n "$http" ] && [ -n "$proxy" ] || fail "no nginx or tinyproxy in $ports"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The sh blocks between "### Script recipes" and the next "## " heading,
# one file each.
awk -v dir="$work" '
  /^### Script recipes/ { inside = 1; next }
  inside && /^## / { inside = 0 }
  inside && /^```sh$/ { n++; file = sprintf("%s/recipe%d.sh", dir, n); copying = 1; next }
  copying && /^```$/ { copying = 0; close(file); next }
  copying { print > file }
' "$src/README.md"
count=$(find "$work" -name 'recipe*.sh' | wc -l)
[ "$count" -eq 4 ] || fail "expected 4 recipes in README.md, found $count"

run() {
  local n=$1
  mkdir -p "$work/run$n"
  (cd "$work/run$n" &&
    env -u DISPLAY PATH="$build/bin:$PATH" site="http://127.0.0.1:$http" proxy_host=127.0.0.1 proxy_port="$proxy" \
      user=user password=secret LC_ALL=C.UTF-8 sh "$work/recipe$n.sh" >"$work/out$n" 2>"$work/err$n") ||
    fail "recipe $n ended with $?: $(cat "$work/err$n")"
}

for n in 1 2 3 4; do run "$n"; done

cmp -s "$work/run1/page.htm" "$(awk '$1 == "root" {print $2}' "$ports")/page.htm" || fail "recipe 1: page.htm differs"
[ "$(cat "$work/out1")" = "fetched: HTTP/1.1 200 OK" ] || fail "recipe 1 said: $(cat "$work/out1")"
grep -q '^POST host=127.0.0.1:[0-9]* cookie= length=10$' "$work/out2" || fail "recipe 2 said: $(cat "$work/out2")"
[ "$(cat "$work/run3/inside.htm")" = "inside" ] || fail "recipe 3 fetched: $(cat "$work/run3/inside.htm")"
# Every line a whole link, no CR left on one (the page's unquoted value
# runs to the next blank, and the server has no such file).
expected="fetched: style.css
elsewhere: http://example.test/first.htm
fetched: second.htm
failed with 4: third.htm>third</a>.</p>
elsewhere: mailto:team@example.test"
[ "$(cat "$work/out4")" = "$expected" ] || fail "recipe 4 said: $(cat -A "$work/out4")"
[ -s "$work/run4/style.css" ] && [ -s "$work/run4/second.htm" ] || fail "recipe 4 did not fetch the site's links"
echo "readme_recipes: 4 recipes ran as written"
