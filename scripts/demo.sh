#!/usr/bin/env bash
# The main job: build, start a local web server on loopback, fetch a page
# with tolvar and list its links with tagsift, then stop the server.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh >/dev/null
cmake --preset linux >/dev/null
cmake --build --preset linux >/dev/null

peers=$(mktemp -d)
trap 'bash scripts/peers.sh stop "$peers"; rm -rf "$peers"' EXIT
bash scripts/peers.sh start "$peers"
port=$(awk '$1 == "http" { print $2 }' "$peers/ports")
url="http://127.0.0.1:$port/page.htm"

echo "links of $url, fetched by tolvar:"
build/linux/bin/tolvar -q -0 -u "$url" 2>/dev/null | build/linux/bin/tagsift -lu
echo "images:"
build/linux/bin/tolvar -q -0 -u "$url" 2>/dev/null | build/linux/bin/tagsift -lu -p src
echo "response header of the same page (standard error), body discarded:"
build/linux/bin/tolvar -q -0 -u "$url" 2>&1 >/dev/null
