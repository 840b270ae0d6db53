#!/usr/bin/env bash
# A throw-away PostgreSQL cluster for the tests: data and Unix socket in one
# temporary folder, no TCP listener, trust for the local user only.
#   scripts/pg-cluster.sh start DIR   prints the libpq connection string
#   scripts/pg-cluster.sh stop DIR    stops it and removes the folder
# The server refuses to run as root: as root it runs as the postgres user.
set -euo pipefail
action=${1:?start|stop}
dir=${2:?folder}
bin=$(ls -d /usr/lib/postgresql/*/bin | sort -V | tail -1)
as_owner=()
if [ "$(id -u)" -eq 0 ]; then as_owner=(runuser -u postgres --); fi

case "$action" in
start)
    mkdir -p "$dir"
    chmod 755 "$dir"
    if [ "$(id -u)" -eq 0 ]; then chown postgres: "$dir"; fi
    "${as_owner[@]}" "$bin/initdb" -D "$dir/data" -U postgres -A trust -E UTF8 \
        --locale=C.UTF-8 --no-sync >"$dir/initdb.log" 2>&1
    # Durability is of no use to a cluster that lives for one test run.
    "${as_owner[@]}" "$bin/pg_ctl" -D "$dir/data" -l "$dir/server.log" -w \
        -o "-k $dir -c listen_addresses='' -c fsync=off -c synchronous_commit=off -c full_page_writes=off -c max_connections=200" \
        start >/dev/null
    echo "host=$dir user=postgres dbname=postgres"
    ;;
stop)
    if [ -d "$dir/data" ]; then
        "${as_owner[@]}" "$bin/pg_ctl" -D "$dir/data" -m fast -w stop >/dev/null || true
    fi
    rm -rf "$dir"
    ;;
*)
    echo "usage: $0 start|stop DIR" >&2
    exit 2
    ;;
esac
