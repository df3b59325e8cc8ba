#!/usr/bin/env bash
# wine_server.sh start|stop LOADER PREFIX MARKER
#
# Keeps one Wine server alive for a prefix while tests start Windows programs
# one after another. Without it each program may start just as the previous
# program's server ends after its idle time, and fails at once with "wine
# client error:0: recvmsg: Connection reset by peer". CTest runs "start" as
# the setup of every Windows tree's tests (and of a Linux tree's end-to-end
# cases against such a tree), "stop" as their cleanup.
#
# Wine's own background programs (services.exe, winedevice.exe, ...) live as
# long as the server and keep the standard handles and inherited descriptors
# of the program that started them. So "start" starts them too, from here,
# with nothing of ours open: had a test program started them, they would
# hold that test's output pipe, and CTest would wait for its end for ever.
#
# MARKER is a file that says "this run started the server": "stop" ends only
# a server that its own "start" made, so a second tree's tests running at the
# same time on the same prefix are not cut off. A server that was already
# running is used as it is.
set -uo pipefail
action=${1:?start or stop}
loader=${2:?Wine loader}
export WINEPREFIX=${3:?Wine prefix}
marker=${4:?marker file}
export WINEDEBUG=-all WINELOADER=$loader

# Nothing of the caller's may reach the server or Wine's background programs.
for fd in /proc/$$/fd/*; do
  fd=${fd##*/}
  [ "$fd" -gt 2 ] 2>/dev/null && eval "exec $fd>&-"
done
exec </dev/null >/dev/null 2>"${marker}.log"

case $action in
  start)
    rm -f "$marker"
    if wineserver -p; then
      : >"$marker"
      # Starts Wine's background programs now, without our handles.
      "$loader" wineboot
    fi
    exit 0
    ;;
  stop)
    if [ -f "$marker" ]; then
      wineserver -k
      wineserver -w
      rm -f "$marker"
    fi
    exit 0
    ;;
  *)
    echo "usage: wine_server.sh start|stop LOADER PREFIX MARKER" >&2
    exit 2
    ;;
esac
