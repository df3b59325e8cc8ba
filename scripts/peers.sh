#!/usr/bin/env bash
# Starts or stops the real HTTP peers the engine's tests talk to: an nginx
# web server and a tinyproxy HTTP proxy, both on free loopback ports, with
# everything (configuration, pages, logs, pids) under DIR.
#
#   scripts/peers.sh start DIR   writes DIR/ports: "http PORT", "proxy PORT",
#                                "root DIR/www" (the served files)
#   scripts/peers.sh stop DIR
set -euo pipefail
cmd=${1:?start or stop}
dir=${2:?directory}
here=$(cd "$(dirname "$0")" && pwd)

peer_tag=peers
# shellcheck source=peer_lib.sh
. "$(dirname "$0")/peer_lib.sh"

stop() {
  stop_peers nginx tinyproxy
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
mkdir -p "$dir/www" "$dir/tmp"
dir=$(cd "$dir" && pwd)
pick_ports http proxy
http_port=${port[http]} proxy_port=${port[proxy]}

cp "$here/demo/sample.htm" "$dir/www/page.htm"
# A body of several megabytes with every byte value, to catch any
# conversion or loss.
python3 -c 'import sys; sys.stdout.buffer.write(bytes(range(256)) * 12289)' >"$dir/www/big.bin"
printf 'before <!--# echo var="request_method" --> after\n' >"$dir/www/ssi.htm"
# Two of the page's relative links, so that its links can be fetched too.
printf 'body { margin: 0 }\n' >"$dir/www/style.css"
printf '<p>second</p>\n' >"$dir/www/second.htm"
# Bodies at the edges of a read: nothing, one byte, one past 64 KiB.
: >"$dir/www/empty.bin"
printf 'x' >"$dir/www/one.bin"
python3 -c 'import sys; sys.stdout.buffer.write(bytes(range(251)) * 262 + b"!")' >"$dir/www/edge.bin"
# Basic authentication (user "user", password "secret") and a WebDAV folder
# that takes PUT.
mkdir -p "$dir/www/auth" "$dir/www/dav"
printf 'inside\n' >"$dir/www/auth/page.htm"
printf 'user:{PLAIN}secret\n' >"$dir/htpasswd"

run_as=""
if [ "$(id -u)" = 0 ]; then run_as="user root;"; fi
cat >"$dir/nginx.conf" <<CONF
$run_as
daemon on;
worker_processes 1;
pid $dir/nginx.pid;
error_log $dir/nginx-error.log;
events { worker_connections 64; }
http {
  access_log off;
  client_body_temp_path $dir/tmp/body;
  proxy_temp_path $dir/tmp/proxy;
  fastcgi_temp_path $dir/tmp/fastcgi;
  uwsgi_temp_path $dir/tmp/uwsgi;
  scgi_temp_path $dir/tmp/scgi;
  default_type application/octet-stream;
  keepalive_timeout 30;
  server {
    listen 127.0.0.1:$http_port;
    root $dir/www;
    # Server-side includes make the length unknown: chunked for HTTP/1.1.
    location = /ssi.htm { ssi on; ssi_types *; }
    location = /moved { return 302 /page.htm; }
    location /auth/ {
      auth_basic "peers";
      auth_basic_user_file $dir/htpasswd;
    }
    location /dav/ {
      dav_methods PUT;
      create_full_put_path on;
    }
    location = /echo {
      add_header Set-Cookie "peer=seen; path=/";
      return 200 "\$request_method host=\$http_host cookie=\$http_cookie length=\$http_content_length";
    }
  }
}
CONF
nginx -c "$dir/nginx.conf" -p "$dir" 2>"$dir/nginx-start.log" || { cat "$dir/nginx-start.log" >&2; exit 1; }

start_tinyproxy tinyproxy "$proxy_port" 443

wait_listening "$http_port" nginx "$dir/nginx-error.log"
wait_listening "$proxy_port" tinyproxy "$dir/tinyproxy.log"
printf 'http %s\nproxy %s\nroot %s\n' "$http_port" "$proxy_port" "$dir/www" >"$dir/ports"
