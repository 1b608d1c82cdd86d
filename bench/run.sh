#!/usr/bin/env bash
# Builds and runs the benchmark: embedded, then over a loopback server that is
# started for the run (unless one answers) and stopped again. Arguments go to
# tavola-bench (for instance --rows 20000).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh
bash scripts/with-server.sh bash -c './build/bench/tavola-bench --server-password "$TAVOLA_TEST_SERVER_PASSWORD" "$@"' bench "$@"
