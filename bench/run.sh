#!/usr/bin/env bash
# Builds and runs the benchmark: embedded, then over a loopback server that
# this script starts (unless one answers) and stops. Arguments go to
# tavola-bench (for instance --rows 20000).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh
bash scripts/firebird-server.sh start
root="$(pwd)"
trap 'bash "$root/scripts/firebird-server.sh" stop' EXIT
./build/bench/tavola-bench --server-password "$(bash scripts/firebird-server.sh password)" "$@"
