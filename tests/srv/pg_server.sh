#!/usr/bin/env bash
# Starts or stops a throw-away PostgreSQL server for the data-service tests.
#
#   pg_server.sh start STATE_DIR   initdb in a temporary folder, start on a free loopback
#                                  port, create the test database, write the port to
#                                  STATE_DIR/port
#   pg_server.sh stop  STATE_DIR   stop the server started above (by its pid) and remove
#                                  its folder
#
# PostgreSQL refuses to run as root, so when we are root the cluster belongs to the
# postgres system user and every server command runs through runuser.
set -euo pipefail

cmd=${1:?start or stop}
state=${2:?state folder}
mkdir -p "$state"

pgbin=""
for d in /usr/lib/postgresql/*/bin; do
  [ -x "$d/initdb" ] && pgbin=$d
done
if [ -z "$pgbin" ]; then
  initdb_path=$(command -v initdb || true)
  [ -n "$initdb_path" ] && pgbin=$(dirname "$(readlink -f "$initdb_path")")
fi

as_owner() {
  if [ "$(id -u)" -eq 0 ]; then
    runuser -u postgres -- "$@"
  else
    "$@"
  fi
}

stop_server() {
  [ -f "$state/dir" ] || return 0
  local dir pid
  dir=$(cat "$state/dir")
  if [ -f "$dir/data/postmaster.pid" ]; then
    pid=$(head -n 1 "$dir/data/postmaster.pid")
    # SIGINT is the server's fast shutdown: it ends open sessions and stops.
    kill -INT "$pid" 2>/dev/null || true
    for _ in $(seq 1 100); do
      kill -0 "$pid" 2>/dev/null || break
      sleep 0.1
    done
    kill -KILL "$pid" 2>/dev/null || true
  fi
  rm -rf "$dir"
  rm -f "$state/dir" "$state/port"
}

case "$cmd" in
  start)
    if [ -z "$pgbin" ]; then
      echo "pg_server: PostgreSQL server binaries not found (install the postgresql package)" >&2
      exit 1
    fi
    stop_server
    dir=$(mktemp -d /tmp/kvp-pg.XXXXXX)
    chmod 755 "$dir"
    echo "$dir" > "$state/dir"
    if [ "$(id -u)" -eq 0 ]; then chown postgres: "$dir"; fi
    as_owner "$pgbin/initdb" -D "$dir/data" -U postgres --auth=trust -E UTF8 --locale=C \
      > "$dir/initdb.log" 2>&1 || { cat "$dir/initdb.log" >&2; exit 1; }
    started=""
    for _ in $(seq 1 20); do
      port=$(( 20000 + RANDOM % 40000 ))
      if [ -n "$(ss -ltnH "sport = :$port" 2>/dev/null)" ]; then continue; fi
      if as_owner "$pgbin/pg_ctl" -D "$dir/data" -l "$dir/server.log" -w -t 30 start \
           -o "-p $port -k $dir -c listen_addresses=127.0.0.1 -c fsync=off -c synchronous_commit=off -c full_page_writes=off" \
           > /dev/null 2>&1; then
        started=$port
        break
      fi
    done
    if [ -z "$started" ]; then
      echo "pg_server: the server did not start" >&2
      cat "$dir/server.log" >&2 || true
      exit 1
    fi
    as_owner "$pgbin/createdb" -h 127.0.0.1 -p "$started" -U postgres kvp_test
    echo "$started" > "$state/port"
    echo "pg_server: listening on 127.0.0.1:$started ($dir)"
    ;;
  stop)
    stop_server
    ;;
  *)
    echo "usage: $0 start|stop STATE_DIR" >&2
    exit 2
    ;;
esac
