#!/usr/bin/env bash
# Builds the optimised Linux programs and runs every benchmark beside its
# peers, printing the ratios. Not part of the tests: figures depend on the
# machine and on what else it is doing.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh >/dev/null
cmake --preset linux >/dev/null
cmake --build --preset linux >/dev/null
echo "== tagsift"
python3 bench/tagsift_bench.py build/linux/bin/tagsift
for b in build/linux/bin/*_bench; do
  [ -x "$b" ] || continue
  case $(basename "$b") in http_*) continue ;; esac
  echo "== $(basename "$b")"
  "$b"
done

# The HTTP client against a real web server, 1 GiB.
echo "== http_get_bench (nginx, 1 GiB)"
peers=$(mktemp -d)
trap 'bash scripts/peers.sh stop "$peers"; rm -rf "$peers"' EXIT
bash scripts/peers.sh start "$peers"
truncate -s 1G "$peers/www/1g.bin"
build/linux/bin/http_get_bench "$(awk '$1 == "http" {print $2}' "$peers/ports")" /1g.bin $((1 << 30))

# tolvar as a whole program against curl and wget on the same nginx, and
# over https from one TLS server (openssl s_server, test CA) serving the
# same 1 GiB file.
echo "== tolvar against curl and wget (nginx, 1 GiB and a small page; s_server, 1 GiB over https)"
# As on a server: under -q a desktop would get a minimised window per run,
# which the peers do not open.
unset DISPLAY
tls_peers=$(mktemp -d)
trap 'bash scripts/peers.sh stop "$peers"; rm -rf "$peers"; bash scripts/tls_peers.sh stop "$tls_peers"; rm -rf "$tls_peers"' EXIT
bash scripts/tls_peers.sh start "$tls_peers"
ln -s "$peers/www/1g.bin" "$tls_peers/www/1g.bin"
python3 bench/tolvar_bench.py build/linux/bin/tolvar "$(awk '$1 == "http" {print $2}' "$peers/ports")" /1g.bin /page.htm \
  --https "$(awk '$1 == "valid" {print $2}' "$tls_peers/ports")" "$tls_peers/pki/ca.pem" /1g.bin
