#!/usr/bin/env bash
# Runs the README's recipes for PostgreSQL and InfluxDB as written there, twice each, against
# Debian's servers started privately (a Unix socket; a free loopback port), and counts what
# arrived: as many rows and points as samples were exported, both times.
# Usage: database_recipes_test.sh ORVELT_ARCHIVE ORVELT_DUMP README CAPTURE
set -euo pipefail
archive=$(realpath "$1") dump=$(realpath "$2") readme=$(realpath "$3") capture=$(realpath "$4")
missing() {  # a skip outside CI, a failure inside
  echo "database recipes: $1 is not installed (scripts/install-deps.sh installs it)" >&2
  [ "${CI:-}" = true ] && exit 1
  exit 77
}
pg_bin=$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -n 1)
[ -x "$pg_bin/initdb" ] || missing postgresql
for tool in psql influxd jq curl python3; do command -v $tool >/dev/null || missing $tool; done

scratch=$(mktemp -d) as_pg= influx_pid=
chmod 755 "$scratch"  # the servers run as users of their own
trap '[ -n "$influx_pid" ] && kill $influx_pid; $as_pg "$pg_bin/pg_ctl" -D "$scratch/pg" \
  -m immediate stop >/dev/null 2>&1; rm -rf "$scratch"' EXIT

# The sample pass, and its frames again forty to a second: several samples of a channel in one.
export XDG_DATA_HOME=$scratch/data HOME=$scratch PATH=$scratch/bin:$PATH
"$archive" add "$capture" 2>/dev/null
"$dump" --hex "$capture" 2>/dev/null | awk '{ $1 = ""; gsub(" ", ""); o = int((NR - 1) / 40);
  printf "2026-11-29 10:%02d:%02d|%s\n", int(o / 60), o % 60, $0 }' >"$scratch/crowded.txt"
"$archive" add "$scratch/crowded.txt" 2>/dev/null
mkdir "$scratch/bin" "$scratch/work" "$scratch/pg" && ln -s "$archive" "$scratch/bin/orvelt-archive"

recipe() {  # the shell block after "<!-- recipe: NAME -->"
  awk -v mark="<!-- recipe: $1 -->" '$0 == mark { on = 1; next }
    on && /^```/ { if (inside) exit; inside = 1; next } inside' "$readme" | sed "$2"
}
failed=0
run() {  # NAME SED COUNT-COMMAND EXPORTED-FILE HEADER-LINES
  for run in first second; do
    script=$(recipe "$1" "$2")
    [ -n "$script" ] || { echo "database recipes: no $1 recipe in $readme" >&2; exit 1; }
    (cd "$scratch/work" && bash -euo pipefail -c "$script") >/dev/null
    got=$(eval "$3") wanted=$(($(wc -l <"$scratch/work/$4") - $5))
    echo "database recipes: $1, $run run: $got of $wanted samples"
    [ "$got" = "$wanted" ] || failed=1
  done
}

# PostgreSQL refuses to run as root: then its files belong to the postgres user.
if [ "$(id -u)" -eq 0 ]; then
  pg_user=postgres && { id $pg_user >/dev/null 2>&1 || pg_user=nobody; }
  chown $pg_user "$scratch/pg" && as_pg="runuser -u $pg_user --"
fi
$as_pg "$pg_bin/initdb" -D "$scratch/pg" -U orvelt --auth=trust -E UTF8 --locale=C >/dev/null
$as_pg "$pg_bin/pg_ctl" -D "$scratch/pg" -w -l "$scratch/pg/log" \
  -o "-c listen_addresses='' -k $scratch/pg" start >/dev/null
export PGHOST=$scratch/pg PGUSER=orvelt PGDATABASE=postgres
run postgresql '' "psql -tAc 'SELECT count(*) FROM samples'" samples.csv 1

free_port() {
  python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'
}
port=$(free_port)
printf '%s\n' 'reporting-disabled = true' "bind-address = \"127.0.0.1:$(free_port)\"" \
  '[meta]' "dir = \"$scratch/influx/meta\"" '[data]' "dir = \"$scratch/influx/data\"" \
  "wal-dir = \"$scratch/influx/wal\"" '[monitor]' 'store-enabled = false' \
  '[http]' "bind-address = \"127.0.0.1:$port\"" 'log-enabled = false' >"$scratch/influx.conf"
influxd -config "$scratch/influx.conf" >"$scratch/influxd.log" 2>&1 &
influx_pid=$!
for _ in $(seq 100); do curl -sf "http://127.0.0.1:$port/ping" && break || sleep 0.1; done
points() {
  curl -sS -G "http://127.0.0.1:$port/query" --data-urlencode db=orvelt \
    --data-urlencode 'q=SELECT count(value) FROM orvelt' | jq '.results[0].series[0].values[0][1]'
}
run influxdb "s|http://localhost:8086|http://127.0.0.1:$port|g" points samples.jsonl 0
exit $failed
