#!/usr/bin/env bash
# Throw-away database servers for the tests: servers.sh start|stop DIR
# start: a PostgreSQL cluster and a MariaDB server with their data in DIR, on
#        127.0.0.1 and free ports, each with an empty database "veltmoor";
#        writes DIR/servers.env (PG_PORT=..., MARIADB_PORT=...).
# stop:  stops both and removes DIR. Safe to run after a failed or partial start.
set -euo pipefail
action=${1:?usage: servers.sh start|stop DIR}
dir=${2:?usage: servers.sh start|stop DIR}

pgbin=$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -n1)

# PostgreSQL refuses to run as root; CI runs as root.
as_owner() {
  if [ "$(id -u)" = 0 ]; then runuser -u nobody -- "$@"; else "$@"; fi
}

free_port() {
  local port
  for _ in $(seq 50); do
    port=$((20000 + RANDOM % 40000))
    if ! (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null; then echo "$port"; return; fi
  done
  echo "no free port found" >&2; return 1
}

stop() {
  [ -d "$dir" ] || return 0
  if [ -f "$dir/pg/PG_VERSION" ]; then as_owner "$pgbin/pg_ctl" -D "$dir/pg" -m immediate -w stop >/dev/null 2>&1 || true; fi
  if [ -f "$dir/mariadb.pid" ]; then
    pid=$(cat "$dir/mariadb.pid")
    kill "$pid" 2>/dev/null || true
    for _ in $(seq 100); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    kill -9 "$pid" 2>/dev/null || true
  fi
  rm -rf "$dir"
}

start() {
  [ -n "$pgbin" ] || { echo "PostgreSQL is not installed (scripts/install-deps)" >&2; exit 1; }
  command -v mariadbd >/dev/null || PATH=$PATH:/usr/sbin
  command -v mariadbd >/dev/null || { echo "MariaDB is not installed (scripts/install-deps)" >&2; exit 1; }
  stop
  mkdir -p "$dir/pg"
  chmod 755 "$dir"
  [ "$(id -u)" = 0 ] && chown nobody "$dir/pg"

  as_owner "$pgbin/initdb" -D "$dir/pg" -A trust -U veltmoor --no-sync -E UTF8 --locale=C >"$dir/initdb.log" 2>&1 \
    || { cat "$dir/initdb.log" >&2; exit 1; }
  mariadb-install-db --no-defaults --datadir="$dir/mariadb" --auth-root-authentication-method=normal \
    --skip-test-db --user="$(id -un)" >"$dir/mariadb-install.log" 2>&1 \
    || { cat "$dir/mariadb-install.log" >&2; exit 1; }

  local pg_port my_port
  for _ in 1 2 3; do
    pg_port=$(free_port)
    if as_owner "$pgbin/pg_ctl" -D "$dir/pg" -w -t 60 -l "$dir/pg/server.log" \
        -o "-h 127.0.0.1 -p $pg_port -k $dir/pg -c fsync=off -c full_page_writes=off" start >/dev/null; then
      break
    fi
    pg_port=
  done
  [ -n "$pg_port" ] || { cat "$dir/pg/server.log" >&2; exit 1; }
  as_owner "$pgbin/createdb" -h 127.0.0.1 -p "$pg_port" -U veltmoor veltmoor

  for _ in 1 2 3; do
    my_port=$(free_port)
    mariadbd --no-defaults --datadir="$dir/mariadb" --port="$my_port" --bind-address=127.0.0.1 \
      --socket="$dir/mariadb.sock" --pid-file="$dir/mariadb.pid" --user="$(id -un)" --skip-grant-tables \
      --innodb-flush-log-at-trx-commit=0 --innodb-buffer-pool-size=64M --log-error="$dir/mariadb.log" &
    for _ in $(seq 300); do
      if mariadb --no-defaults -S "$dir/mariadb.sock" -e 'SELECT 1' >/dev/null 2>&1; then break 2; fi
      kill -0 $! 2>/dev/null || break
      sleep 0.1
    done
    kill $! 2>/dev/null || true
    my_port=
  done
  [ -n "$my_port" ] || { cat "$dir/mariadb.log" >&2; exit 1; }
  mariadb --no-defaults -S "$dir/mariadb.sock" -e 'CREATE DATABASE veltmoor'

  printf 'PG_PORT=%s\nMARIADB_PORT=%s\n' "$pg_port" "$my_port" >"$dir/servers.env"
}

case $action in
  start) start ;;
  stop) stop ;;
  *) echo "usage: servers.sh start|stop DIR" >&2; exit 2 ;;
esac
