#!/usr/bin/env bash
# Damages the workbook fixtures at random and reads them, for a while, with
# the readers built under the address and undefined-behaviour sanitizers.
# Not part of the test run.
#   bash tests/fuzz.sh [SECONDS] [SEED]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-300}"
seed="${2:-$(date +%s)}"
bash scripts/install-deps.sh
cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_CXX_FLAGS="-fsanitize=address,undefined -fno-omit-frame-pointer" >/dev/null
cmake --build build-fuzz --target fuzz_reader tavola-sheet-reader
work="$(mktemp -d)"
trap 'echo "inputs kept in $work"' EXIT
cd "$work"
fixtures="$OLDPWD/tests/fixtures/workbooks"
echo "seed $seed, $seconds s"
TAVOLA_SHEET_READER="$OLDPWD/build-fuzz/app/tavola-sheet-reader" \
UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
  "$OLDPWD/build-fuzz/tests/fuzz_reader" "$seconds" "$seed" \
  "$fixtures"/conformance.{xlsx,ods,xls,fods} "$fixtures"/conformance-2003.xml \
  "$fixtures"/text-openpyxl.xlsx "$fixtures"/csv-big5.csv "$fixtures"/products.{xlsx,ods,xls,csv}
