# Shell functions shared by the scripts that start test peers on loopback.
# Sourced, not run. The caller sets `dir` (where the pid files are) and
# `peer_tag` (the name its messages start with).

free_port() {
  python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])'
}

# pick_ports NAME...: a distinct free loopback port for each NAME, in the
# global associative array `port`.
pick_ports() {
  declare -gA port
  local name p taken=" "
  for name in "$@"; do
    p=$(free_port)
    while [[ $taken == *" $p "* ]]; do p=$(free_port); done
    port[$name]=$p
    taken+="$p "
  done
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

# start_tinyproxy NAME PORT CONNECT_PORT: starts tinyproxy on loopback PORT
# for loopback clients, with DIR/NAME.conf, DIR/NAME.pid and DIR/NAME.log;
# CONNECT is allowed to CONNECT_PORT only. As root it drops to nobody,
# which must be able to write its log.
start_tinyproxy() {
  local name=$1 listen_port=$2 connect_port=$3 user=""
  if [ "$(id -u)" = 0 ]; then user=$'User nobody\nGroup nogroup'; fi
  cat >"$dir/$name.conf" <<CONF
$user
Port $listen_port
Listen 127.0.0.1
Timeout 30
PidFile "$dir/$name.pid"
LogFile "$dir/$name.log"
LogLevel Info
MaxClients 20
Allow 127.0.0.1
ConnectPort $connect_port
CONF
  touch "$dir/$name.log"
  chmod 666 "$dir/$name.log"
  tinyproxy -c "$dir/$name.conf"
}
