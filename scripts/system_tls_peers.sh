#!/usr/bin/env bash
# Starts or stops the TLS servers that the system-TLS handler (Windows) is
# tested against under Wine, all on free loopback ports, with keys,
# certificates, logs and pids under DIR. Wine's certificate store reads the
# host's trusted roots, so `start` adds the test CA made here to the host
# (/usr/local/share/ca-certificates + update-ca-certificates) and `stop`
# removes it again; stop also runs when start failed half-way.
#   - valid:     a certificate for localhost and 127.0.0.1 from the test CA
#   - untrusted: the same names from a CA nobody trusts
#   - expired:   from the test CA, valid only in January 2020
#   - tls10:     the valid certificate, but TLS 1.0 only
#   - cut:       TLS, then the body cut off without the closing alert
#   - proxy:     tinyproxy, CONNECT allowed to the valid server only
# Each HTTPS server serves DIR/www (s_server -WWW).
#
# Wine copies the host's roots into its prefix's registry (HKLM Root store)
# when a program starts, but drops one that left the host only when a new
# Wine server starts: while a server runs, a removed CA stays trusted. So stop
# also deletes the CA from the prefix, through WINE_COMMAND (the tree's
# command that runs a program under Wine, prefix and loader included).
#
#   scripts/system_tls_peers.sh start DIR [WINE_COMMAND...]   writes DIR/ports:
#       "valid PORT", ..., "proxy PORT", "www DIR/www", "trusted 1" (0: the CA
#       could not be added to the host, not being root)
#   scripts/system_tls_peers.sh stop DIR [WINE_COMMAND...]
set -euo pipefail
cmd=${1:?start or stop}
dir=${2:?directory}
shift 2
wine_command=("$@")

peer_tag=system_tls_peers
# shellcheck source=peer_lib.sh
. "$(dirname "$0")/peer_lib.sh"

ca_dir=/usr/local/share/ca-certificates

stop() {
  stop_peers valid untrusted expired tls10 cut tinyproxy
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
    echo "usage: $0 start|stop DIR" >&2
    exit 2
    ;;
esac

mkdir -p "$dir/pki" "$dir/www"
dir=$(cd "$dir" && pwd)
stop
trap 'stop' ERR
pki=$dir/pki
rm -f "$dir/ports"

ports=()
while [ ${#ports[@]} -lt 6 ]; do
  p=$(free_port)
  case " ${ports[*]} " in *" $p "*) ;; *) ports+=("$p") ;; esac
done
valid_port=${ports[0]} untrusted_port=${ports[1]} expired_port=${ports[2]}
tls10_port=${ports[3]} cut_port=${ports[4]} proxy_port=${ports[5]}

# Keys and certificates, made afresh for each run so an old CA never stays
# trusted by accident. The CA's name carries the directory's hash: two trees
# testing at once add and remove different files.
tag=$(printf '%s' "$dir" | md5sum | cut -c1-12)
(
  cd "$pki"
  rm -f ./*
  q=(-batch -nodes -newkey ec -pkeyopt ec_paramgen_curve:prime256v1)
  openssl req -x509 "${q[@]}" -days 30 -keyout ca.key -out ca.pem -subj "/CN=tolvar system TLS test CA $tag" \
    -addext "basicConstraints=critical,CA:TRUE" -addext "keyUsage=critical,keyCertSign,cRLSign" 2>/dev/null
  openssl req -x509 "${q[@]}" -days 30 -keyout other-ca.key -out other-ca.pem -subj "/CN=unrelated CA $tag" \
    -addext "basicConstraints=critical,CA:TRUE" -addext "keyUsage=critical,keyCertSign,cRLSign" 2>/dev/null
  openssl req "${q[@]}" -keyout server.key -out server.csr -subj "/CN=localhost" 2>/dev/null
  printf 'subjectAltName=DNS:localhost,IP:127.0.0.1\nextendedKeyUsage=serverAuth\n' >server.ext
  openssl x509 -req -in server.csr -CA ca.pem -CAkey ca.key -CAcreateserial -days 30 -extfile server.ext \
    -out server.pem 2>/dev/null
  openssl x509 -req -in server.csr -CA other-ca.pem -CAkey other-ca.key -CAcreateserial -days 30 \
    -extfile server.ext -out untrusted.pem 2>/dev/null
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
  openssl ca -batch -config ca.cnf -cert ca.pem -keyfile ca.key -in server.csr -out expired.pem -notext \
    -startdate 20200101000000Z -enddate 20200201000000Z -extfile server.ext 2>/dev/null
)

# Every byte value, more than one TLS record, not a multiple of a record.
python3 -c 'import sys; sys.stdout.buffer.write(bytes(range(256)) * 200 + b"end")' >"$dir/www/all.bin"

trusted=0
if [ -w "$ca_dir" ] || [ "$(id -u)" = 0 ]; then
  mkdir -p "$ca_dir"
  installed="$ca_dir/tolvar-system-tls-test-$tag.crt"
  cp "$pki/ca.pem" "$installed"
  echo "$installed" >"$dir/installed-ca"
  # The name of its copy in a Wine prefix: the certificate's SHA-1.
  openssl x509 -in "$pki/ca.pem" -noout -fingerprint -sha1 | sed 's/.*=//; s/://g' >"$dir/wine-ca"
  update-ca-certificates >/dev/null 2>&1
  trusted=1
fi

serve() {  # NAME PORT CERT [s_server options]
  local name=$1 port=$2 cert=$3
  shift 3
  (cd "$dir/www" && exec openssl s_server -quiet -WWW -accept "127.0.0.1:$port" -cert "$pki/$cert" \
    -key "$pki/server.key" "$@" </dev/null >"$dir/$name.log" 2>&1) &
  echo $! >"$dir/$name.pid"
}
serve valid "$valid_port" server.pem
serve untrusted "$untrusted_port" untrusted.pem
serve expired "$expired_port" expired.pem
serve tls10 "$tls10_port" server.pem -tls1 -cipher 'DEFAULT:@SECLEVEL=0'

# Answers any request with a length it never sends in full, then closes the
# TCP connection without the closing alert.
python3 - "$cut_port" "$pki/server.pem" "$pki/server.key" </dev/null >"$dir/cut.log" 2>&1 <<'PY' &
import socket, ssl, sys
port, cert, key = int(sys.argv[1]), sys.argv[2], sys.argv[3]
ctx = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
ctx.load_cert_chain(cert, key)
srv = socket.socket()
srv.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
srv.bind(("127.0.0.1", port))
srv.listen(8)
while True:
    raw, _ = srv.accept()
    conn = raw
    try:
        conn = ctx.wrap_socket(raw, server_side=True)
        data = b""
        while b"\r\n\r\n" not in data:
            chunk = conn.recv(4096)
            if not chunk:
                break
            data += chunk
        conn.sendall(b"HTTP/1.0 200 OK\r\nContent-Length: 100000\r\n\r\n" + b"x" * 5000)
        # No unwrap(): the TCP connection ends without close_notify.
        conn.shutdown(socket.SHUT_RDWR)
    except (OSError, ssl.SSLError):
        pass
    conn.close()
PY
echo $! >"$dir/cut.pid"

start_tinyproxy tinyproxy "$proxy_port" "$valid_port"

wait_listening "$valid_port" "valid s_server" "$dir/valid.log"
wait_listening "$untrusted_port" "untrusted s_server" "$dir/untrusted.log"
wait_listening "$expired_port" "expired s_server" "$dir/expired.log"
wait_listening "$tls10_port" "TLS 1.0 s_server" "$dir/tls10.log"
wait_listening "$cut_port" "cut server" "$dir/cut.log"
wait_listening "$proxy_port" tinyproxy "$dir/tinyproxy.log"
printf 'valid %s\nuntrusted %s\nexpired %s\ntls10 %s\ncut %s\nproxy %s\nwww %s\ntrusted %s\n' "$valid_port" \
  "$untrusted_port" "$expired_port" "$tls10_port" "$cut_port" "$proxy_port" "$dir/www" "$trusted" >"$dir/ports"
