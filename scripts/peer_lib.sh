# Shell functions shared by the scripts that start test peers on loopback.
# Sourced, not run. The caller sets `dir` (where the pid files are) and
# `peer_tag` (the name its messages start with).

free_port() {
  python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])'
}

# wait_listening PORT NAME LOG: waits until something accepts on PORT. The
# bound is generous (30 s) because a loaded machine may start a server
# slowly; a server that fails exits long before, and its log is shown.
wait_listening() {
  for _ in $(seq 1 600); do
    if (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null; then return 0; fi
    sleep 0.05
  done
  echo "$peer_tag: $2 did not start on port $1" >&2
  cat "$3" >&2 || true
  return 1
}

# stop_peers NAME...: ends each peer whose pid file DIR/NAME.pid exists.
stop_peers() {
  local name pidfile
  for name in "$@"; do
    pidfile="$dir/$name.pid"
    if [ -s "$pidfile" ]; then
      kill "$(cat "$pidfile")" 2>/dev/null || true
      rm -f "$pidfile"
    fi
  done
}
