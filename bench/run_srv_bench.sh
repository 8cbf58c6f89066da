#!/usr/bin/env bash
# Builds and runs the data-service benchmark on SQLite and on a throw-away PostgreSQL
# server started for the run. Extra arguments go to the benchmark
# (e.g. --benchmark_filter=getCampanhaPromo).
#   bench/run_srv_bench.sh [benchmark options]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${KVP_BENCH_BUILD:-$root/build/bench-release}
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DKVP_BUILD_UI=OFF \
  -DKVP_BUILD_TESTS=OFF -DKVP_BUILD_BENCH=ON > /dev/null
cmake --build "$build" -j2 --target kvp_bench_srv
state=$(mktemp -d)
trap '"$root/tests/srv/pg_server.sh" stop "$state"; rm -rf "$state"' EXIT
"$root/tests/srv/pg_server.sh" start "$state"
port=$(cat "$state/port")
KVP_BENCH_PG="driver=QPSQL;host=127.0.0.1;port=$port;database=kvp_test;user=postgres" \
  "$build/bench/kvp_bench_srv" --benchmark_min_time=0.2 --benchmark_repetitions=3 \
  --benchmark_report_aggregates_only=true "$@"
