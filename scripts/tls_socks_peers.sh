#!/usr/bin/env bash
# Starts or stops the real peers of the TLS and SOCKS handler tests, all on
# free loopback ports, with everything (keys, certificates, configuration,
# logs, pids) under DIR:
#   - a SOCKS 4/5 server (danted, no authentication, loopback targets only;
#     it has no SOCKS 4A, which only the scripted tests cover);
#   - an echo server over TLS that answers each line reversed (s_server -rev);
#   - the same echo server behind a plain prelude: a relay that answers
#     "STARTTLS" with "GO" and then carries the bytes to the echo server, so
#     one connection speaks plainly first and TLS afterwards;
#   - an HTTPS server for the files of DIR/www (s_server -WWW).
# Keys and certificates are made here: a CA and a server certificate for
# 127.0.0.1 signed by it, an unrelated second CA, a client certificate with
# its key in plain and password-protected ("sesame") form, and a key that
# belongs to no certificate.
#
#   scripts/tls_socks_peers.sh start DIR   writes DIR/ports: "socks PORT",
#       "tls PORT", "starttls PORT", "https PORT", "pki DIR/pki", "www DIR/www"
#   scripts/tls_socks_peers.sh stop DIR
set -euo pipefail
cmd=${1:?start or stop}
dir=${2:?directory}

peer_tag=tls_socks_peers
# shellcheck source=peer_lib.sh
. "$(dirname "$0")/peer_lib.sh"

stop() {
  stop_peers danted echo https relay
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

pick_ports socks tls starttls https
socks_port=${port[socks]} tls_port=${port[tls]} starttls_port=${port[starttls]} https_port=${port[https]}

# Keys and certificates (kept between runs of the same DIR).
if [ ! -s "$pki/done" ]; then
  (
    cd "$pki"
    q=(-batch -nodes -days 30 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1)
    openssl req -x509 "${q[@]}" -keyout ca.key -out ca.pem -subj "/CN=tolvar test CA" 2>/dev/null
    openssl req -x509 "${q[@]}" -keyout other-ca.key -out other-ca.pem -subj "/CN=unrelated CA" 2>/dev/null
    openssl req "${q[@]}" -keyout server.key -out server.csr -subj "/CN=127.0.0.1" 2>/dev/null
    printf 'subjectAltName=IP:127.0.0.1,DNS:localhost\n' >server.ext
    openssl x509 -req -in server.csr -CA ca.pem -CAkey ca.key -CAcreateserial -days 30 \
      -extfile server.ext -out server.pem 2>/dev/null
    openssl req "${q[@]}" -keyout client.key -out client.csr -subj "/CN=tolvar client" 2>/dev/null
    openssl x509 -req -in client.csr -CA ca.pem -CAkey ca.key -CAcreateserial -days 30 -out client.pem 2>/dev/null
    openssl pkey -in client.key -aes256 -passout pass:sesame -out client-enc.key
    openssl genpkey -algorithm EC -pkeyopt ec_paramgen_curve:prime256v1 -out stray.key 2>/dev/null
    echo done >done
  )
fi

cp -f "$(dirname "$0")/demo/sample.htm" "$dir/www/page.htm" 2>/dev/null || printf '<a href="x">x</a>\n' >"$dir/www/page.htm"

run_as=""
if [ "$(id -u)" = 0 ]; then run_as=$'user.privileged: root\nuser.unprivileged: nobody'; fi
cat >"$dir/danted.conf" <<CONF
logoutput: $dir/danted.log
internal: 127.0.0.1 port = $socks_port
external: 127.0.0.1
socksmethod: none
clientmethod: none
$run_as
client pass {
  from: 127.0.0.0/8 to: 0.0.0.0/0
  log: error connect
}
socks pass {
  from: 127.0.0.0/8 to: 127.0.0.0/8
  command: connect
  log: error connect
}
CONF
danted -f "$dir/danted.conf" -D -N 1 -p "$dir/danted.pid" 2>"$dir/danted-start.log" ||
  { cat "$dir/danted-start.log" >&2; exit 1; }

# s_server stays in the foreground: run it in the background with its pid.
openssl s_server -quiet -rev -accept "127.0.0.1:$tls_port" -cert "$pki/server.pem" -key "$pki/server.key" \
  </dev/null >"$dir/echo.log" 2>&1 &
echo $! >"$dir/echo.pid"
(cd "$dir/www" && exec openssl s_server -quiet -WWW -accept "127.0.0.1:$https_port" -cert "$pki/server.pem" \
  -key "$pki/server.key" </dev/null >"$dir/https.log" 2>&1) &
echo $! >"$dir/https.pid"

python3 - "$starttls_port" "$tls_port" </dev/null >"$dir/relay.log" 2>&1 <<'PY' &
import socket, sys, threading
listen_port, target_port = int(sys.argv[1]), int(sys.argv[2])
srv = socket.socket()
srv.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
srv.bind(("127.0.0.1", listen_port))
srv.listen(8)

def pump(a, b):
    try:
        while True:
            data = a.recv(65536)
            if not data:
                break
            b.sendall(data)
    except OSError:
        pass
    for s in (a, b):
        try:
            s.shutdown(socket.SHUT_RDWR)
        except OSError:
            pass

def serve(client):
    line = b""
    while not line.endswith(b"\n"):
        c = client.recv(1)
        if not c:
            client.close()
            return
        line += c
    if line.strip() != b"STARTTLS":
        client.sendall(b"NO\r\n")
        client.close()
        return
    client.sendall(b"GO\r\n")
    upstream = socket.create_connection(("127.0.0.1", target_port))
    threading.Thread(target=pump, args=(upstream, client), daemon=True).start()
    pump(client, upstream)

while True:
    conn, _ = srv.accept()
    threading.Thread(target=serve, args=(conn,), daemon=True).start()
PY
echo $! >"$dir/relay.pid"

wait_listening "$socks_port" danted "$dir/danted.log"
wait_listening "$tls_port" "echo s_server" "$dir/echo.log"
wait_listening "$https_port" "https s_server" "$dir/https.log"
wait_listening "$starttls_port" relay "$dir/relay.log"
printf 'socks %s\ntls %s\nstarttls %s\nhttps %s\npki %s\nwww %s\n' "$socks_port" "$tls_port" "$starttls_port" \
  "$https_port" "$pki" "$dir/www" >"$dir/ports"
