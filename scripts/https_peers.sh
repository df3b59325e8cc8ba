#!/usr/bin/env bash
# Starts or stops the https servers the end-to-end tests fetch from, all on
# free loopback ports, with everything (keys, certificates, pages, logs,
# pids) under DIR. A test CA (DIR/pki/ca.pem) signs the servers' certificates;
# clients trust it through SSL_CERT_FILE.
#   - good:      a valid chain for localhost and 127.0.0.1;
#   - expired:   the same names, but the certificate ended yesterday;
#   - otherhost: a valid chain for other.test only;
#   - untrusted: localhost and 127.0.0.1, signed by an unrelated CA;
#   - tls1:      a valid chain, but TLS 1.0 only;
#   - cut:       a valid chain; its answers stop in the middle of the body
#                without TLS's closing alert (/counted with a Content-Length,
#                anything else read until the close);
#   - proxy:     tinyproxy, whose CONNECT reaches the good server only.
# The good, expired, otherhost, untrusted and tls1 servers serve DIR/www.
#
#   scripts/https_peers.sh start DIR   writes DIR/ports: "NAME PORT" for each
#       server above, "pki DIR/pki", "www DIR/www"
#   scripts/https_peers.sh stop DIR
set -euo pipefail
cmd=${1:?start or stop}
dir=${2:?directory}
here=$(cd "$(dirname "$0")" && pwd)

peer_tag=https_peers
# shellcheck source=peer_lib.sh
. "$here/peer_lib.sh"

names=(good expired otherhost untrusted tls1 cut proxy)
stop() {
  stop_peers "${names[@]}"
}

case $cmd in
  stop)
    stop
    exit 0
    ;;
  start) ;;
  *)
    echo "usage: $0 start|stop DIR" >&2
    exit 2
    ;;
esac

stop
mkdir -p "$dir/pki" "$dir/www"
dir=$(cd "$dir" && pwd)
pki=$dir/pki

declare -A port
taken=" "
for name in "${names[@]}"; do
  p=$(free_port)
  while [[ $taken == *" $p "* ]]; do p=$(free_port); done
  port[$name]=$p
  taken+="$p "
done

# Keys and certificates, made anew on every start (the expired one must
# stay expired and the others valid whatever day it is).
(
  cd "$pki"
  rm -f ./*
  q=(-batch -nodes -newkey ec -pkeyopt ec_paramgen_curve:prime256v1)
  openssl req -x509 "${q[@]}" -days 30 -keyout ca.key -out ca.pem -subj "/CN=tolvar https test CA" 2>/dev/null
  openssl req -x509 "${q[@]}" -days 30 -keyout other-ca.key -out other-ca.pem -subj "/CN=unrelated CA" 2>/dev/null
  # sign NAME CA DAYS SAN: NAME.pem and NAME.key, issued by CA.
  sign() {
    openssl req "${q[@]}" -keyout "$1.key" -out "$1.csr" -subj "/CN=$1" 2>/dev/null
    printf 'subjectAltName=%s\n' "$4" >"$1.ext"
    openssl x509 -req -in "$1.csr" -CA "$2.pem" -CAkey "$2.key" -CAcreateserial -days "$3" \
      -extfile "$1.ext" -out "$1.pem" 2>/dev/null
  }
  sign good ca 30 "DNS:localhost,IP:127.0.0.1"
  sign expired ca -1 "DNS:localhost,IP:127.0.0.1"
  sign otherhost ca 30 "DNS:other.test"
  sign untrusted other-ca 30 "DNS:localhost,IP:127.0.0.1"
)

# A page, and a body of several megabytes with every byte value.
cp -f "$here/demo/sample.htm" "$dir/www/page.htm"
python3 -c 'import sys; sys.stdout.buffer.write(bytes(range(256)) * 12289)' >"$dir/www/big.bin"

# serve NAME CERT [s_server options...]: s_server for the files of www, in
# the foreground of a background shell, with its pid.
serve() {
  local name=$1 cert=$2
  shift 2
  (cd "$dir/www" && exec openssl s_server -quiet -WWW -accept "127.0.0.1:${port[$name]}" -cert "$pki/$cert.pem" \
    -key "$pki/$cert.key" "$@" </dev/null >"$dir/$name.log" 2>&1) &
  echo $! >"$dir/$name.pid"
}
serve good good
serve expired expired
serve otherhost otherhost
serve untrusted untrusted
# TLS 1.0 needs the lowest security level in current releases.
serve tls1 good -tls1 -cipher 'DEFAULT:@SECLEVEL=0'

python3 - "${port[cut]}" "$pki/good.pem" "$pki/good.key" </dev/null >"$dir/cut.log" 2>&1 <<'PY' &
import socket, ssl, sys, threading
listen_port, cert, key = int(sys.argv[1]), sys.argv[2], sys.argv[3]
context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
context.load_cert_chain(cert, key)
srv = socket.socket()
srv.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
srv.bind(("127.0.0.1", listen_port))
srv.listen(8)

def serve(raw):
    try:
        tls = context.wrap_socket(raw, server_side=True)
        head = b""
        while b"\r\n\r\n" not in head:
            data = tls.recv(4096)
            if not data:
                return
            head += data
        counted = head.split(b" ", 2)[1] == b"/counted"
        tls.sendall(b"HTTP/1.1 200 OK\r\n" + (b"Content-Length: 100000\r\n" if counted else b"Connection: close\r\n")
                    + b"\r\n" + b"x" * 1000)
        # The TCP connection ends without TLS's closing alert: a socket
        # shutdown of an SSL socket drops its TLS state unsent. Whatever
        # the client still sends is read until it closes, so the end is a
        # plain FIN, never a reset.
        tls.shutdown(socket.SHUT_WR)
        while tls.recv(4096):
            pass
        tls.close()
    except (OSError, ssl.SSLError):
        raw.close()

while True:
    conn, _ = srv.accept()
    threading.Thread(target=serve, args=(conn,), daemon=True).start()
PY
echo $! >"$dir/cut.pid"

start_tinyproxy proxy "${port[proxy]}" "${port[good]}"

for name in "${names[@]}"; do
  wait_listening "${port[$name]}" "$name" "$dir/$name.log"
done
{
  for name in "${names[@]}"; do printf '%s %s\n' "$name" "${port[$name]}"; done
  printf 'pki %s\nwww %s\n' "$pki" "$dir/www"
} >"$dir/ports"
