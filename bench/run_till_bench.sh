#!/usr/bin/env bash
# Builds and runs the till benchmark (every step of a sale through the entry and the Qt
# view) on SQLite and on a throw-away PostgreSQL server started for the run, directly and
# behind a proxy adding 1 ms, 5 ms and 20 ms per round trip (pg1ms/, pg5ms/, pg20ms/).
# Extra arguments go to the benchmark (e.g. --benchmark_filter=sqlite/).
#   bench/run_till_bench.sh [benchmark options]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cmake --preset release -S "$root" > /dev/null
cmake --build --preset release -j2 --target kvp_bench_till
state=$(mktemp -d)
trap '"$root/tests/srv/pg_server.sh" stop "$state"; rm -rf "$state"' EXIT
"$root/tests/srv/pg_server.sh" start "$state"
port=$(cat "$state/port")
KVP_BENCH_PG="host=127.0.0.1;port=$port;database=kvp_test;user=postgres" \
  "$root/build/release/bench/kvp_bench_till" --benchmark_min_time=0.3 --benchmark_repetitions=3 \
  --benchmark_report_aggregates_only=true "$@"
