#!/usr/bin/env bash
# Runs each phase of soap_bench in its own process and reports the process's peak resident
# memory as Linux sees it (Wine's own peak counters do not follow every allocation).
#   bench/soap/measure.sh [build-dir]
set -euo pipefail
build="${1:-$(cd "$(dirname "$0")/../.." && pwd)/build}"
for phase in baseline read write; do
  out=$(/usr/bin/time -f 'peak-rss-kb %M' "$build/wine-exec" "$build/bench/soap/soap_bench.exe" "$phase" 2>&1)
  line=$(grep -E "^$phase" <<<"$out" | sed -E 's/ +peak private.*//')
  rss=$(grep -oE 'peak-rss-kb [0-9]+' <<<"$out" | awk '{printf "%.1f", $2/1024}')
  echo "$line  peak resident ${rss} MB"
done
