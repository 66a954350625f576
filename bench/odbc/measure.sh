#!/usr/bin/env bash
# Runs each phase of odbc_bench in its own process and reports its peak resident memory as Linux
# sees it (Wine's own counters do not follow every allocation).
#   bench/odbc/measure.sh [build-dir] [sqlite|postgres]
set -euo pipefail
build="${1:-$(cd "$(dirname "$0")/../.." && pwd)/build}"
driver="${2:-sqlite}"
"$build/wine-exec" "$build/bench/odbc/odbc_bench.exe" insert "$driver"
for phase in blob-raw blob-command; do
  out=$(/usr/bin/time -f 'peak-rss-kb %M' "$build/wine-exec" "$build/bench/odbc/odbc_bench.exe" "$phase" "$driver" 2>&1)
  line=$(grep -E "^$phase" <<<"$out" || echo "$out")
  rss=$(grep -oE 'peak-rss-kb [0-9]+' <<<"$out" | awk '{printf "%.1f", $2/1024}')
  echo "$line  peak resident ${rss} MB"
done
