#!/usr/bin/env bash
# A throwaway PostgreSQL server for the ODBC tests, on 127.0.0.1 and a free
# port, in a directory of its own.
#   scripts/postgres.sh start DIR   makes the cluster in DIR (which must be
#                                   empty or missing), starts it and prints
#                                   the ODBC connection string (without a
#                                   database) that reaches it as a user who
#                                   may create databases
#   scripts/postgres.sh stop DIR    stops the server and removes DIR
# Run as root, the server runs as the user "postgres" (Debian's package makes
# it). start exits non-zero, saying why on standard error, when the server
# cannot start; the tests then skip visibly.
set -euo pipefail
command=${1:?start or stop}
dir=${2:?the cluster directory}

bin=$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -1)
driver=$(dpkg -L odbc-postgresql 2>/dev/null | grep '/psqlodbcw\.so$' | head -1 || true)

as_server() {
    if [ "$(id -u)" -eq 0 ]; then runuser -u postgres -- "$@"; else "$@"; fi
}

case "$command" in
    start)
        [ -n "$bin" ] && [ -x "$bin/initdb" ] || { echo "postgres: no server installed" >&2; exit 1; }
        [ -n "$driver" ] || { echo "postgres: no psqlODBC driver installed" >&2; exit 1; }
        if [ "$(id -u)" -eq 0 ] && ! id postgres >/dev/null 2>&1; then
            echo "postgres: no user postgres to run the server as" >&2
            exit 1
        fi
        mkdir -p "$dir"
        [ "$(id -u)" -eq 0 ] && chown postgres: "$dir"
        password=$(head -c 12 /dev/urandom | od -An -tx1 | tr -d ' \n')
        printf '%s\n' "$password" >"$dir/password"
        [ "$(id -u)" -eq 0 ] && chown postgres: "$dir/password"
        as_server "$bin/initdb" -D "$dir/data" -U twfile --pwfile="$dir/password" \
            --auth-local=trust --auth-host=scram-sha-256 -E UTF8 --locale=C.UTF-8 \
            >"$dir/initdb.log" 2>&1 || { cat "$dir/initdb.log" >&2; exit 1; }
        # A free port: the kernel picks one; the server takes it at once.
        port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
        if ! as_server "$bin/pg_ctl" -D "$dir/data" -l "$dir/server.log" -w -t 60 \
            -o "-c listen_addresses=127.0.0.1 -p $port -k $dir -c fsync=off -c full_page_writes=off" \
            start >/dev/null; then
            cat "$dir/server.log" >&2 || true
            exit 1
        fi
        # psqlODBC: booleans as booleans, values written in as typed literals
        # (its server-side prepare sends numbers untyped), rows fetched in
        # batches of 10000 through a cursor rather than all at once.
        echo "Driver=$driver;Server=127.0.0.1;Port=$port;UID=twfile;PWD=$password;BoolsAsChar=0;UseServerSidePrepare=0;UseDeclareFetch=1;Fetch=10000;"
        ;;
    stop)
        if [ -f "$dir/data/postmaster.pid" ] && [ -n "$bin" ]; then
            as_server "$bin/pg_ctl" -D "$dir/data" -m immediate -w stop >/dev/null 2>&1 || true
        fi
        rm -rf "$dir"
        ;;
    *) echo "usage: $0 start|stop DIR" >&2; exit 2 ;;
esac
