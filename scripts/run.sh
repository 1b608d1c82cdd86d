#!/usr/bin/env bash
# Installs what is missing, builds, creates the demonstration database when it
# is absent and starts the window on it.
#   build/app/            the application folder (dbconfig.txt, lumara.txt, ...)
#   build/app/data/halden.fdb   the demonstration database (embedded engine)
# Any arguments are passed to the program ("u" runs the schema upgrade).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh
app="$(pwd)/build/app"
mkdir -p "$app/data"
./build/app/tavola-demo-db "$app/data/halden.fdb"
if [ ! -f "$app/dbconfig.txt" ]; then
  printf 'Database=%s\r\nuser_name=sysdba\r\npassword=masterkey\r\nservercharset=UTF8\r\nsqldialect=3\r\nisolationlevel=ReadCommitted\r\nwaitonlocks=True\r\ncommitretain=False\r\n' \
    "$app/data/halden.fdb" > "$app/dbconfig.txt"
fi
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
  echo "No display found. The window needs a desktop; without one, run it on a virtual display:"
  echo "  xvfb-run -a -s '-screen 0 1280x800x24' bash scripts/run.sh"
  exit 1
fi
exec ./build/app/tavola "$@"
