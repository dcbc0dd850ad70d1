#!/usr/bin/env bash
# Runs the README's recipes for loading the archive's export into PostgreSQL and InfluxDB, as
# they are written there, against servers of Debian's packages that this test starts for itself
# (PostgreSQL on a Unix socket, InfluxDB on a free loopback port), and counts what arrived: as
# many rows and points as samples were exported, and nothing more when a recipe runs again.
# Usage: database_recipes_test.sh ORVELT_ARCHIVE ORVELT_DUMP README CAPTURE
set -euo pipefail
archive_program=$(realpath "$1") dump_program=$(realpath "$2") readme=$(realpath "$3")
capture=$(realpath "$4")

# Outside CI a missing server is a skip with the reason; in CI it is a failure.
missing() {
  echo "database recipes: $1 is not installed (scripts/install-deps.sh installs it)" >&2
  if [ "${CI:-}" = true ]; then exit 1; fi
  exit 77
}
pg_bin=$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -n 1)
[ -x "$pg_bin/initdb" ] || missing "PostgreSQL (postgresql)"
command -v psql >/dev/null || missing "psql (postgresql-client)"
command -v influxd >/dev/null || missing "InfluxDB (influxdb)"
for tool in jq curl python3; do command -v "$tool" >/dev/null || missing "$tool"; done

scratch=$(mktemp -d)
chmod 755 "$scratch"  # the database servers run as users of their own
pg_data=$scratch/pg
influx_pid=
cleanup() {
  [ -n "$influx_pid" ] && kill "$influx_pid" 2>/dev/null && wait "$influx_pid" 2>/dev/null
  [ -f "$pg_data/postmaster.pid" ] && $as_pg "$pg_bin/pg_ctl" -D "$pg_data" -m immediate stop \
    >/dev/null 2>&1
  rm -rf "$scratch"
}
as_pg=
trap cleanup EXIT

# The archive the recipes export from: the sample pass, and the same frames heard forty to a
# second, so that a channel has several samples within one second.
export XDG_DATA_HOME=$scratch/data HOME=$scratch
"$archive_program" add "$capture" 2>/dev/null
"$dump_program" --hex "$capture" 2>/dev/null |
  awk '{ $1 = ""; gsub(" ", ""); o = int((NR - 1) / 40);
         printf "2026-11-29 10:%02d:%02d|%s\n", int(o / 60), o % 60, $0 }' >"$scratch/crowded.txt"
"$archive_program" add "$scratch/crowded.txt" 2>/dev/null
mkdir "$scratch/bin" "$scratch/work"
ln -s "$(realpath "$archive_program")" "$scratch/bin/orvelt-archive"
export PATH=$scratch/bin:$PATH

# The shell block that follows "<!-- recipe: NAME -->" in the README.
recipe() {
  awk -v mark="<!-- recipe: $1 -->" '
    $0 == mark { found = 1; next }
    found && /^```/ { if (inside) exit; inside = 1; next }
    inside { print }' "$readme"
}
for name in postgresql influxdb; do
  [ -n "$(recipe $name)" ] || { echo "database recipes: no $name recipe in $readme" >&2; exit 1; }
done
failed=0
check() {  # WHAT GOT WANTED
  if [ "$2" = "$3" ]; then
    echo "database recipes: $1: $2 of $3"
  else
    echo "database recipes: $1: $2, but $3 samples were exported" >&2
    failed=1
  fi
}

# PostgreSQL refuses to run as root: as root, its files belong to the postgres user.
mkdir "$pg_data"
if [ "$(id -u)" -eq 0 ]; then
  pg_user=postgres
  id "$pg_user" >/dev/null 2>&1 || pg_user=nobody
  chown "$pg_user" "$pg_data"
  as_pg="runuser -u $pg_user --"
fi
$as_pg "$pg_bin/initdb" -D "$pg_data" -U orvelt --auth=trust -E UTF8 --locale=C >/dev/null
$as_pg "$pg_bin/pg_ctl" -D "$pg_data" -w -l "$pg_data/log" \
  -o "-c listen_addresses='' -k $pg_data -p 5432" start >/dev/null
export PGHOST=$pg_data PGPORT=5432 PGUSER=orvelt PGDATABASE=postgres
for run in first again; do
  (cd "$scratch/work" && bash -euo pipefail -c "$(recipe postgresql)") >/dev/null
  check "PostgreSQL rows, $run" "$(psql -tAc 'SELECT count(*) FROM samples')" \
    "$(($(wc -l <"$scratch/work/samples.csv") - 1))"
done

port=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
rpc_port=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
cat >"$scratch/influxdb.conf" <<EOF
reporting-disabled = true
bind-address = "127.0.0.1:$rpc_port"
[meta]
  dir = "$scratch/influx/meta"
[data]
  dir = "$scratch/influx/data"
  wal-dir = "$scratch/influx/wal"
  query-log-enabled = false
[monitor]
  store-enabled = false
[subscriber]
  enabled = false
[continuous_queries]
  enabled = false
[http]
  bind-address = "127.0.0.1:$port"
  log-enabled = false
EOF
influxd -config "$scratch/influxdb.conf" >"$scratch/influxd.log" 2>&1 &
influx_pid=$!
influx=http://127.0.0.1:$port
for _ in $(seq 100); do
  curl -sf "$influx/ping" >/dev/null && break
  sleep 0.1
done
points() {
  curl -sS -G "$influx/query" --data-urlencode db=orvelt \
    --data-urlencode 'q=SELECT count(value) FROM orvelt' | jq '.results[0].series[0].values[0][1]'
}
for run in first again; do
  (cd "$scratch/work" &&
    bash -euo pipefail -c "$(recipe influxdb | sed "s|http://localhost:8086|$influx|g")") >/dev/null
  check "InfluxDB points, $run" "$(points)" "$(wc -l <"$scratch/work/samples.jsonl")"
done
exit $failed
