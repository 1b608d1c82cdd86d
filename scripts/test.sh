#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: the embedded-engine
# suites and the suite over a loopback Firebird server, which this script
# starts (unless one already answers) and stops again.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh
bash scripts/firebird-server.sh start
root="$(pwd)"
trap 'bash "$root/scripts/firebird-server.sh" stop' EXIT
export TAVOLA_TEST_SERVER_PASSWORD="$(bash scripts/firebird-server.sh password)"
export QT_QPA_PLATFORM=offscreen
cd build
ctest --output-on-failure --timeout 300 -j2
