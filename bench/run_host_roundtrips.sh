#!/usr/bin/env bash
# Counts the reference host's whole traffic with PostgreSQL on the wire: the host's own
# look-ups and the module's, connection set-up included, through kvp_wire_proxy. On a
# throw-away server loaded with the sample shop it replays
#   open_cancel  open and cancel of COMBO FAMÍLIA
#   demo         the demo sale (host/scripts/demo.kvs)
# with every request held back 0 ms and 20 ms, and prints per run the round trips, the
# connections (and each one's round trips, in the order they were opened) and the wall
# time of the kvp_host process (the spread over the runs).
#   bench/run_host_roundtrips.sh [RUNS]    (3 runs each by default)
# KVP_PRESET=dev measures the dev build instead of the release build.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
runs=${1:-3}
preset=${KVP_PRESET:-release}
cmake --preset "$preset" -S "$root" > /dev/null
cmake --build --preset "$preset" -j2 --target kvp_host kvp_wire_proxy > /dev/null
host="$root/build/$preset/host/kvp_host"
proxy="$root/build/$preset/bench/kvp_wire_proxy"

work=$(mktemp -d)
trap '"$root/tests/srv/pg_server.sh" stop "$work/pg" > /dev/null; rm -rf "$work"' EXIT
"$root/tests/srv/pg_server.sh" start "$work/pg" > /dev/null
port=$(cat "$work/pg/port")

# The sample shop in a database of its own; the run folder holds the host's files only
# as far as the connection leaves them to it (parameters, tax rates, pictures).
"$host" --make-shop --run-dir "$work/run" 2> /dev/null
psql_() { psql -q -X -v ON_ERROR_STOP=1 -h 127.0.0.1 -p "$port" -U postgres "$@"; }
psql_ -d kvp_test -c "CREATE DATABASE kvp_shop" > /dev/null
"$host" --seed-sql postgresql | psql_ -d kvp_shop > /dev/null

cat > "$work/open_cancel.kvs" << 'EOF'
combo 9001
answer coupon
open
answer question yes
touch bldCancelar
EOF
declare -A scripts=([open_cancel]="$work/open_cancel.kvs" [demo]="$root/host/scripts/demo.kvs")
connection="driver=QPSQL;host=127.0.0.1;port={port};database=kvp_shop;user=postgres"

printf '%-12s %6s %12s %12s %-20s %s\n' scenario delay round_trips connections per_connection wall_ms
for scenario in open_cancel demo; do
  for delay in 0 20; do
    counts="" walls=()
    for ((r = 1; r <= runs; r++)); do
      # The demo writes its screenshots beside it: a folder of its own takes them.
      mkdir -p "$work/cwd" && cd "$work/cwd"
      if ! "$proxy" --delay "$delay" --report "$work/report" "$port" -- \
          "$host" --run-dir "$work/run" --connection "$connection" --script "${scripts[$scenario]}" \
          > "$work/out" 2> "$work/err"; then
        echo "$scenario at $delay ms: kvp_host failed" >&2
        cat "$work/err" "$work/report" >&2
        exit 1
      fi
      value() { awk -v k="$1" '$1 == k { $1 = ""; sub(/^ /, ""); print }' "$work/report"; }
      these="$(value round_trips) $(value connections) $(value round_trips_per_connection)"
      # Round trips are exact: a run that counts otherwise than the first is worth knowing.
      if [ -n "$counts" ] && [ "$counts" != "$these" ]; then
        echo "$scenario at $delay ms: run $r counted $these, run 1 $counts" >&2
      fi
      counts=${counts:-$these}
      walls+=("$(value wall_ms)")
    done
    read -r rt conns per <<< "$counts"
    spread=$(printf '%s\n' "${walls[@]}" | sort -n | awk 'NR == 1 { lo = $1 } { hi = $1 } END { print (lo == hi ? lo : lo "-" hi) }')
    printf '%-12s %3s ms %12s %12s %-20s %s\n' "$scenario" "$delay" "$rt" "$conns" "$per" "$spread"
  done
done
