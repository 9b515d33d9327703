#!/usr/bin/env bash
# A private PostgreSQL 15 server for the tests.
#
#   pg-server.sh start DIR   makes a cluster in DIR/data when there is none,
#                            starts it and prints one line on stdout: the libpq
#                            connection string of its database orders_test
#   pg-server.sh stop DIR    stops that server (no error when it is not running)
#   pg-server.sh resume DIR  starts a stopped server again with its databases
#                            as they were (a server that went down and came
#                            back), and prints the same line
#
# The server listens on a Unix socket in DIR, which the printed line names,
# and on 127.0.0.1 at the same port, for the tests of what only TCP has
# (keepalives). The port is PG_TEST_PORT, or one that no program listens on
# when the cluster is first started, kept for its later starts (DIR/port)
# so that a resumed server has the address it had. Every start of a
# stopped server gives an empty orders_test; a start while it runs keeps it.
# PostgreSQL refuses to run as root, so as root the server runs as the user
# postgres; when that user cannot reach DIR (a clone under /root, say) the
# cluster lives in a folder of /tmp whose path DIR/location records. Messages
# go to stderr; the server's log is server.log beside the cluster.
set -euo pipefail

PG_BIN=${PG_BIN:-/usr/lib/postgresql/15/bin}
PORT=${PG_TEST_PORT:-}
DB=orders_test
SUPERUSER=postgres

exec 3>&1 1>&2   # stdout is for the connection string alone

die() { echo "pg-server.sh: $*"; exit 1; }

usage() { die "usage: pg-server.sh start|stop|resume DIR"; }

[ $# -eq 2 ] || usage
action=$1
[[ -z $PORT || $PORT =~ ^[0-9]+$ ]] || die "PG_TEST_PORT is not a number: $PORT"
[ -x "$PG_BIN/pg_ctl" ] || die "no PostgreSQL in $PG_BIN (scripts/install-deps.sh installs it)"

as_server=()
if [ "$(id -u)" -eq 0 ]; then
  id -u "$SUPERUSER" >/dev/null 2>&1 || die "running as root, but there is no user $SUPERUSER"
  as_server=(runuser -u "$SUPERUSER" --)
fi
run() { "${as_server[@]}" "$@"; }

# The folder that holds the cluster (data/), its socket and its log: DIR
# itself, or the folder DIR/location names.
cluster_home() {
  local dir=$1
  if [ -f "$dir/location" ]; then
    cat "$dir/location"
  else
    echo "$dir"
  fi
}

# A path of at most 107 bytes names a Unix socket (sun_path); the port has
# at most five digits.
socket_fits() { [ $(( ${#1} + 5 + 10 )) -le 107 ]; }

# A TCP port on 127.0.0.1 that no program listens on now, below the range
# the system hands out to outgoing connections.
free_port() {
  local port _
  for _ in $(seq 1 100); do
    port=$(( 20000 + RANDOM % 12000 ))
    if ! (exec 4<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null; then
      echo "$port"
      return 0
    fi
  done
  die "no free TCP port found on 127.0.0.1"
}

# Starts the cluster in home on port; fails when the port was taken meanwhile.
start_server() {
  local home=$1 port=$2
  # The socket goes to the cluster's folder (unix_socket_directories, -k); pg_ctl
  # hands -o to sh, hence the quoting. The server must not inherit the
  # caller's stdout (fd 3): a $(...) would wait for it.
  run "$PG_BIN/pg_ctl" start -D "$home/data" -l "$home/server.log" -w -t 60 \
    -o "-p $port -h 127.0.0.1 -k $(printf %q "$home")" \
    </dev/null >/dev/null 3>&-
}

# DIR as the server's user sees it: usable when it can enter and write it.
server_can_use() { run test -x "$1" -a -w "$1"; }

# Lock files whose process is gone (a killed server) are removed, so that a
# recycled process id cannot pass for a running server.
drop_stale_locks() {
  local home=$1 pid
  [ -f "$home/data/postmaster.pid" ] || return 0
  pid=$(head -n 1 "$home/data/postmaster.pid")
  # A live postmaster works in its data folder.
  if [[ $pid =~ ^[0-9]+$ ]] \
      && [ "$(readlink -f "/proc/$pid/cwd" 2>/dev/null)" = "$(readlink -f "$home/data")" ]; then
    return 0
  fi
  echo "pg-server.sh: removing the lock files of a server that is gone (pid $pid)"
  rm -f "$home/data/postmaster.pid" "$home"/.s.PGSQL.*.lock
}

is_running() { run "$PG_BIN/pg_ctl" status -D "$1/data" >/dev/null 2>&1; }

# The port of the running server (its lock file's fourth line).
running_port() { sed -n 4p "$1/data/postmaster.pid"; }

# A value of a libpq connection string, quoted when it needs it.
conninfo_value() {
  if [[ $1 =~ ^[A-Za-z0-9/._+-]+$ ]]; then
    printf '%s' "$1"
  else
    local v=${1//\\/\\\\}
    printf "'%s'" "${v//\'/\\\'}"
  fi
}

psql_admin() {
  run "$PG_BIN/psql" -X -q -v ON_ERROR_STOP=1 -h "$1" -p "$2" -U "$SUPERUSER" -d postgres -tA \
    -c "SET client_min_messages = warning" -c "$3"
}

start() {
  local dir=$1 keep=${2:-} home
  mkdir -p "$dir"
  dir=$(cd "$dir" && pwd)
  cd /   # the server's user may not be allowed into the caller's folder

  home=$(cluster_home "$dir")
  if [ "$home" != "$dir" ] && [ ! -d "$home/data" ]; then
    rm -f "$dir/location"   # its /tmp folder is gone
    home=$dir
  fi
  if [ "$home" = "$dir" ]; then
    [ ${#as_server[@]} -eq 0 ] || chown "$SUPERUSER:" "$dir"
    if ! server_can_use "$dir" || ! socket_fits "$dir"; then
      home=$(mktemp -d /tmp/orders-pg.XXXXXX)
      [ ${#as_server[@]} -eq 0 ] || chown "$SUPERUSER:" "$home"
      echo "$home" > "$dir/location"
      echo "pg-server.sh: the server cannot use $dir (no access, or a socket path too long);" \
           "the cluster lives in $home"
    fi
  fi

  drop_stale_locks "$home"
  if ! is_running "$home"; then
    if [ ! -f "$home/data/PG_VERSION" ]; then
      run rm -rf "$home/data"
      run "$PG_BIN/initdb" -D "$home/data" -U "$SUPERUSER" -A trust -E UTF8 --locale=C.UTF-8 \
        >"$home/initdb.log" 2>&1 || { cat "$home/initdb.log"; die "initdb failed"; }
      # A throwaway server: fsync off, since a lost cluster is simply made again.
      {
        echo "# pg-server.sh: the socket's folder and 127.0.0.1 are given at start; no fsync"
        echo "listen_addresses = ''"
        echo "fsync = off"
        echo "synchronous_commit = off"
        echo "full_page_writes = off"
      } | run tee -a "$home/data/postgresql.conf" >/dev/null
    fi
    local port=$PORT tries=1
    [ -n "$port" ] || port=$(cat "$home/port" 2>/dev/null || true)
    if [ -z "$port" ]; then
      port=$(free_port)
      tries=5   # another program may take a free port before the server does
    fi
    until start_server "$home" "$port"; do
      tries=$((tries - 1))
      [ "$tries" -gt 0 ] || { tail -n 20 "$home/server.log"; die "the server did not start (log: $home/server.log)"; }
      port=$(free_port)
    done
    echo "$port" | run tee "$home/port" >/dev/null
    [ -n "$keep" ] || psql_admin "$home" "$port" "DROP DATABASE IF EXISTS $DB" >/dev/null
  fi

  local port
  port=$(running_port "$home")
  if [ -z "$(psql_admin "$home" "$port" "SELECT 1 FROM pg_database WHERE datname = '$DB'")" ]; then
    run "$PG_BIN/createdb" -h "$home" -p "$port" -U "$SUPERUSER" -E UTF8 -T template0 "$DB"
  fi
  echo "host=$(conninfo_value "$home") port=$port user=$SUPERUSER dbname=$DB" >&3
}

stop() {
  local dir=$1 home
  [ -d "$dir" ] || return 0
  dir=$(cd "$dir" && pwd)
  cd /
  home=$(cluster_home "$dir")
  [ -d "$home/data" ] || return 0
  drop_stale_locks "$home"
  is_running "$home" || return 0
  run "$PG_BIN/pg_ctl" stop -D "$home/data" -m fast -w -t 60 >/dev/null
}

case $action in
  start) start "$2" ;;
  resume) start "$2" keep ;;
  stop) stop "$2" ;;
  *) usage ;;
esac
