#!/usr/bin/env bash
# Runs a command with a Firebird server on loopback: starts one (unless one
# already answers), passes its SYSDBA password in TAVOLA_TEST_SERVER_PASSWORD,
# and stops it again afterwards. Exits with the command's status.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
bash "$here/firebird-server.sh" start
trap 'bash "$here/firebird-server.sh" stop' EXIT
TAVOLA_TEST_SERVER_PASSWORD="$(bash "$here/firebird-server.sh" password)"
export TAVOLA_TEST_SERVER_PASSWORD
"$@"
