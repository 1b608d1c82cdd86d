#!/usr/bin/env bash
# Starts or stops a Firebird server on the loopback interface for the server
# tests, without systemd.
#   firebird-server.sh start   prints nothing; exits 0 once the server answers
#   firebird-server.sh stop    stops the server this script started
#   firebird-server.sh password   prints the SYSDBA password
# A server that is already answering is used as it is and never stopped here.
set -euo pipefail

pidfile=/tmp/tavola-firebird.pid
pwfile=/etc/firebird/3.0/SYSDBA.password

password() {
  # The package writes ISC_PASSWORD="..." into its password file.
  sed -n 's/^ISC_PASSWORD="\{0,1\}\([^"]*\)"\{0,1\}$/\1/p' "$pwfile"
}

answering() {
  fbsvcmgr localhost:service_mgr user SYSDBA password "$(password)" info_server_version >/dev/null 2>&1
}

case "${1:-}" in
  start)
    if answering; then exit 0; fi
    # The lock folder must be usable by the server's user.
    mkdir -p /tmp/firebird && chown firebird:firebird /tmp/firebird && chmod 0770 /tmp/firebird
    start-stop-daemon --start --background --make-pidfile --pidfile "$pidfile" \
      --chuid firebird:firebird --exec /usr/sbin/firebird
    for _ in $(seq 1 100); do
      if answering; then exit 0; fi
      sleep 0.1
    done
    echo "firebird-server.sh: the server did not answer within 10 s" >&2
    exit 1
    ;;
  stop)
    if [ -f "$pidfile" ]; then
      start-stop-daemon --stop --pidfile "$pidfile" --retry TERM/5/KILL/2 --remove-pidfile >/dev/null || true
    fi
    ;;
  password)
    password
    ;;
  *)
    echo "usage: firebird-server.sh start|stop|password" >&2
    exit 2
    ;;
esac
