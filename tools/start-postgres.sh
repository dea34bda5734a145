#!/usr/bin/env bash
# Starts a throwaway PostgreSQL server for the archive tests (run as root; in CI there is no
# systemd, so the server is started directly): Debian's server package, a cluster under
# /tmp that listens on a Unix socket only, and a role and a database "kvir" trusted on it.
# Prints the connection in the form the tests take from KVIR_TEST_POSTGRES. Safe to run more
# than once; "tools/start-postgres.sh stop" stops the server.
set -euo pipefail

dir=${KVIR_PG_DIR:-/tmp/kvir-pg}
port=${KVIR_PG_PORT:-55432}

if ! dpkg-query -W -f='${Status}' postgresql 2>/dev/null | grep -q "install ok installed"; then
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq
    apt-get install -y -qq --no-install-recommends postgresql >/dev/null
fi
bin=$(find /usr/lib/postgresql -maxdepth 2 -name bin -type d | sort -V | tail -n 1)
[[ -x $bin/pg_ctl ]] || {
    echo "start-postgres: no PostgreSQL server programs under /usr/lib/postgresql" >&2
    exit 1
}
as_postgres() { runuser -u postgres -- "$@"; }

if [[ ${1:-} == stop ]]; then
    [[ -d $dir/data ]] && as_postgres "$bin/pg_ctl" -D "$dir/data" -m fast -w stop >/dev/null
    exit 0
fi

if ! as_postgres "$bin/pg_ctl" -D "$dir/data" status >/dev/null 2>&1; then
    rm -rf "$dir"
    mkdir -p "$dir"
    chown postgres:postgres "$dir"
    as_postgres "$bin/initdb" -D "$dir/data" -A trust -U postgres -E UTF8 --no-sync >/dev/null
    # Durability is not what the tests measure: no fsync keeps them fast.
    as_postgres "$bin/pg_ctl" -D "$dir/data" -l "$dir/server.log" -w \
        -o "-k $dir -p $port -c listen_addresses='' -c fsync=off" start >/dev/null
    as_postgres "$bin/psql" -h "$dir" -p "$port" -U postgres -d postgres -v ON_ERROR_STOP=1 -q \
        -c "CREATE ROLE kvir LOGIN" -c "CREATE DATABASE kvir OWNER kvir"
fi
echo "host=$dir port=$port database=kvir user=kvir"
