#!/bin/sh
# A PostgreSQL 15 server of the tests' own, in a folder of its own, reached
# only through a Unix socket in that folder. Run as root, the server runs as
# the postgres user (PostgreSQL refuses to run as root).
#   pg-test-server.sh start DIR   prints the database URL of the test database
#   pg-test-server.sh stop DIR
# The tests' server skips fsync (nothing there must survive a power cut);
# a benchmark of saves sets LIVRO_PG_FSYNC=on to wait for the disk as a
# shop's server does.
set -eu
fsync=${LIVRO_PG_FSYNC:-off}
cmd=${1:?usage: pg-test-server.sh start|stop DIR}
dir=${2:?usage: pg-test-server.sh start|stop DIR}
bin=$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -n 1)
[ -x "$bin/pg_ctl" ] || { echo "pg-test-server: PostgreSQL is not installed (postgresql-15)" >&2; exit 1; }

as_server() {
    if [ "$(id -u)" -eq 0 ]; then
        runuser -u postgres -- "$@"
    else
        "$@"
    fi
}

case "$cmd" in
start)
    mkdir -p "$dir"
    [ "$(id -u)" -eq 0 ] && chown postgres "$dir"
    if [ ! -f "$dir/data/PG_VERSION" ]; then
        as_server "$bin/initdb" -D "$dir/data" -U livro -A trust -E UTF8 --locale=C.UTF-8 >"$dir/initdb.log" 2>&1 ||
            { cat "$dir/initdb.log" >&2; exit 1; }
    fi
    as_server "$bin/pg_ctl" -D "$dir/data" -l "$dir/server.log" -w -t 30 \
        -o "-c listen_addresses='' -c unix_socket_directories='$dir' -c fsync=$fsync -c max_connections=60" \
        start >/dev/null || { cat "$dir/server.log" >&2; exit 1; }
    echo "postgresql://livro@/postgres?host=$dir"
    ;;
stop)
    [ -f "$dir/data/postmaster.pid" ] && as_server "$bin/pg_ctl" -D "$dir/data" -m fast -w stop >/dev/null
    ;;
*)
    echo "usage: pg-test-server.sh start|stop DIR" >&2
    exit 2
    ;;
esac
