#!/usr/bin/env bash
# Starts or stops the https servers that both builds are tested against, all
# on free loopback ports, with keys, certificates, pages, logs and pids under
# DIR. A test CA made anew on every start (DIR/pki/ca.pem) signs the servers'
# certificates:
#   - valid:     a certificate for localhost and 127.0.0.1 from the test CA;
#   - untrusted: the same names from a CA nobody trusts;
#   - expired:   from the test CA, valid only in January 2020;
#   - otherhost: from the test CA, for other.test only;
#   - tls10:     the valid certificate, but TLS 1.0 only;
#   - cut:       TLS, then the answer stops in the middle of the body without
#                TLS's closing alert: 5000 of 100000 counted bytes, or for a
#                path starting /until-close a body read until the close;
#   - proxy:     tinyproxy, whose CONNECT reaches the valid server only.
# The valid, untrusted, expired, otherhost and tls10 servers serve DIR/www:
# page.htm, big.bin (megabytes with every byte value) and all.bin (every
# byte value, more than one TLS record and not a multiple of one).
#
# The Linux build trusts the CA through SSL_CERT_FILE. The Windows build
# trusts the system's store, which Wine fills from the host's trusted roots:
# with --trust-host, start adds the CA to the host
# (/usr/local/share/ca-certificates + update-ca-certificates) and stop
# removes it again, also when start failed half-way. Wine copies the host's
# roots into its prefix (HKLM Root store) when a program starts but drops one
# that left the host only when a new Wine server starts, so stop also deletes
# the CA from the prefix through WINE_COMMAND (the tree's command that runs a
# program under Wine, prefix and loader included).
#
#   scripts/tls_peers.sh start DIR [--trust-host [WINE_COMMAND...]]   writes
#       DIR/ports: "NAME PORT" for each server above, "pki DIR/pki",
#       "www DIR/www", "trusted 1" when the CA is among the host's roots
#       (0: not asked for, or not being root)
#   scripts/tls_peers.sh stop DIR [--trust-host [WINE_COMMAND...]]
set -euo pipefail
cmd=${1:?start or stop}
dir=${2:?directory}
shift 2
trust_host=0
if [ "${1:-}" = --trust-host ]; then
  trust_host=1
  shift
fi
wine_command=("$@")
here=$(cd "$(dirname "$0")" && pwd)

peer_tag=tls_peers
# shellcheck source=peer_lib.sh
. "$here/peer_lib.sh"

ca_dir=/usr/local/share/ca-certificates
names=(valid untrusted expired otherhost tls10 cut proxy)

stop() {
  stop_peers "${names[@]}"
  if [ -s "$dir/installed-ca" ]; then
    rm -f "$(cat "$dir/installed-ca")"
    update-ca-certificates >/dev/null 2>&1 || true
    rm -f "$dir/installed-ca"
  fi
  # After the host file: a program starting meanwhile must not copy it back.
  if [ -s "$dir/wine-ca" ] && [ ${#wine_command[@]} -gt 0 ]; then
    "${wine_command[@]}" reg delete \
      "HKLM\\Software\\Microsoft\\SystemCertificates\\Root\\Certificates\\$(cat "$dir/wine-ca")" /f \
      </dev/null >/dev/null 2>&1 || true
    rm -f "$dir/wine-ca"
  fi
}

case $cmd in
  stop)
    [ -d "$dir" ] && dir=$(cd "$dir" && pwd)
    stop
    exit 0
    ;;
  start) ;;
  *)
    echo "usage: $0 start|stop DIR [--trust-host [WINE_COMMAND...]]" >&2
    exit 2
    ;;
esac

mkdir -p "$dir/pki" "$dir/www"
dir=$(cd "$dir" && pwd)
stop
trap 'stop' ERR
pki=$dir/pki
rm -f "$dir/ports"
pick_ports "${names[@]}"

# Keys and certificates, made afresh for each run: the expired one must stay
# expired and the others valid whatever day it is, and an old CA never stays
# trusted by accident. The CA's name carries the directory's hash: two trees
# testing at once add and remove different files.
tag=$(printf '%s' "$dir" | md5sum | cut -c1-12)
(
  cd "$pki"
  rm -f ./*
  q=(-batch -nodes -newkey ec -pkeyopt ec_paramgen_curve:prime256v1)
  ca_ext=(-addext "basicConstraints=critical,CA:TRUE" -addext "keyUsage=critical,keyCertSign,cRLSign")
  openssl req -x509 "${q[@]}" -days 30 -keyout ca.key -out ca.pem -subj "/CN=tolvar test CA $tag" \
    "${ca_ext[@]}" 2>/dev/null
  openssl req -x509 "${q[@]}" -days 30 -keyout other-ca.key -out other-ca.pem -subj "/CN=unrelated CA $tag" \
    "${ca_ext[@]}" 2>/dev/null
  # sign NAME CA SAN: NAME.pem and NAME.key, issued by CA for 30 days.
  sign() {
    openssl req "${q[@]}" -keyout "$1.key" -out "$1.csr" -subj "/CN=$1" 2>/dev/null
    printf 'subjectAltName=%s\nextendedKeyUsage=serverAuth\n' "$3" >"$1.ext"
    openssl x509 -req -in "$1.csr" -CA "$2.pem" -CAkey "$2.key" -CAcreateserial -days 30 \
      -extfile "$1.ext" -out "$1.pem" 2>/dev/null
  }
  sign valid ca "DNS:localhost,IP:127.0.0.1"
  sign otherhost ca "DNS:other.test"
  sign untrusted other-ca "DNS:localhost,IP:127.0.0.1"
  # x509 -req takes no start date before OpenSSL 3.4: the CA command does.
  : >index.txt
  echo 1000 >serial
  cat >ca.cnf <<CNF
[ca]
default_ca = test_ca
[test_ca]
database = $pki/index.txt
new_certs_dir = $pki
serial = $pki/serial
default_md = sha256
policy = any
[any]
commonName = supplied
CNF
  cp valid.key expired.key
  openssl ca -batch -config ca.cnf -cert ca.pem -keyfile ca.key -in valid.csr -out expired.pem -notext \
    -startdate 20200101000000Z -enddate 20200201000000Z -extfile valid.ext 2>/dev/null
)

cp -f "$here/demo/sample.htm" "$dir/www/page.htm"
python3 -c 'import sys; sys.stdout.buffer.write(bytes(range(256)) * 12289)' >"$dir/www/big.bin"
python3 -c 'import sys; sys.stdout.buffer.write(bytes(range(256)) * 200 + b"end")' >"$dir/www/all.bin"

trusted=0
if [ $trust_host = 1 ] && { [ -w "$ca_dir" ] || [ "$(id -u)" = 0 ]; }; then
  mkdir -p "$ca_dir"
  installed="$ca_dir/tolvar-test-$tag.crt"
  cp "$pki/ca.pem" "$installed"
  echo "$installed" >"$dir/installed-ca"
  # The name of its copy in a Wine prefix: the certificate's SHA-1.
  openssl x509 -in "$pki/ca.pem" -noout -fingerprint -sha1 | sed 's/.*=//; s/://g' >"$dir/wine-ca"
  update-ca-certificates >/dev/null 2>&1
  trusted=1
fi

# serve NAME CERT [s_server options...]: s_server for the files of www, in
# the foreground of a background shell, with its pid.
serve() {
  local name=$1 cert=$2
  shift 2
  (cd "$dir/www" && exec openssl s_server -quiet -WWW -accept "127.0.0.1:${port[$name]}" -cert "$pki/$cert.pem" \
    -key "$pki/$cert.key" "$@" </dev/null >"$dir/$name.log" 2>&1) &
  echo $! >"$dir/$name.pid"
}
serve valid valid
serve untrusted untrusted
serve expired expired
serve otherhost otherhost
# TLS 1.0 needs the lowest security level in current releases.
serve tls10 valid -tls1 -cipher 'DEFAULT:@SECLEVEL=0'

python3 - "${port[cut]}" "$pki/valid.pem" "$pki/valid.key" </dev/null >"$dir/cut.log" 2>&1 <<'PY' &
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
        until_close = head.split(b" ", 2)[1].startswith(b"/until-close")
        tls.sendall(b"HTTP/1.0 200 OK\r\n" + (b"Connection: close\r\n" if until_close
                    else b"Content-Length: 100000\r\n") + b"\r\n" + b"x" * 5000)
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

start_tinyproxy proxy "${port[proxy]}" "${port[valid]}"

for name in "${names[@]}"; do
  wait_listening "${port[$name]}" "$name" "$dir/$name.log"
done
{
  for name in "${names[@]}"; do printf '%s %s\n' "$name" "${port[$name]}"; done
  printf 'pki %s\nwww %s\ntrusted %s\n' "$pki" "$dir/www" "$trusted"
} >"$dir/ports"
