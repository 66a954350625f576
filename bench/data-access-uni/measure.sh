#!/usr/bin/env bash
# Runs each phase of uni_query_bench once in its own process and reports its peak resident memory
# as Linux sees it, beside the idle process's (the table filled, nothing read).
#   bench/data-access-uni/measure.sh [build-dir] [access|postgres]
set -euo pipefail
build="${1:-$(cd "$(dirname "$0")/../.." && pwd)/build}"
driver="${2:-access}"
for phase in idle plain uni25 uni500 uniDir rows25; do
  out=$(/usr/bin/time -f 'peak-rss-kb %M' "$build/wine-exec" "$build/bench/data-access-uni/uni_query_bench.exe" \
    "$driver" once "$phase" 2>&1)
  kb=$(grep -oE 'peak-rss-kb [0-9]+' <<<"$out" | awk '{print $2}')
  printf '%s %-7s peak resident %.1f MB\n' "$driver" "$phase" "$(awk -v kb="$kb" 'BEGIN {print kb / 1024}')"
done
