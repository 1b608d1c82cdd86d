#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: the embedded-engine
# suites and the suite over a loopback Firebird server, which is started for
# the run (unless one already answers) and stopped again.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh
export QT_QPA_PLATFORM=offscreen
cd build
bash ../scripts/with-server.sh ctest --output-on-failure --timeout 300 -j2
