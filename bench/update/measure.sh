#!/usr/bin/env bash
# Runs each phase of update_bench in its own process beside its own tax-service peer and reports
# the time and the process's peak resident memory as Linux sees it, less the idle process's.
#   bench/update/measure.sh [build-dir]
# RUNS=n (default 5) repeats the phases n times in turn, so that a busy machine shows in every
# phase alike, and gives each phase's median and range. Then the update's own steps (HTTP
# exchange, decoding the reply, writing the package, extraction) are timed inside one process in
# ROUNDS rounds (default 7) taking turns with the plain baseline.
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
build="${1:-$root/build}"
here="$build/bench/update"
peer="$here/peer"
mkdir -p "$peer"
python3 "$root/tools/tax-service/server.py" --daemon --port-file "$peer/port" --pid-file "$peer/pid" \
  --log "$peer/server.log" --package-dir "$here" --max-lifetime 900 >/dev/null
trap 'python3 "$root/tools/tax-service/server.py" --stop --pid-file "$peer/pid" >/dev/null' EXIT
port="$(cat "$peer/port")"
python3 - "$port" <<'PY'
import sys, urllib.request
body = b'{"modules": [], "packages": {"1": {"file": "bench50.zip", "cache": true}}}'
urllib.request.urlopen(urllib.request.Request("http://127.0.0.1:%s/control/scenario/bench" % sys.argv[1], body))
PY
size=$(stat -c %s "$here/bench50.zip")
echo "package: $((size / 1024 / 1024)) MB archive"
# The first request makes the peer encode and cache its reply.
"$build/wine-exec" "$here/update_bench.exe" fetch "$port" >/dev/null
idle=0
times="$here/times"
: >"$times"
for phase in $(for ((run = 0; run < ${RUNS:-5}; ++run)); do echo idle baseline http fetch download unzip install; done); do
  rm -rf "$here/installed"
  out=$(/usr/bin/time -f 'peak-rss-kb %M' "$build/wine-exec" "$here/update_bench.exe" "$phase" "$port" 2>&1)
  line=$(grep -E "^$phase" <<<"$out")
  kb=$(grep -oE 'peak-rss-kb [0-9]+' <<<"$out" | awk '{print $2}')
  [ "$phase" = idle ] && idle=$kb
  awk -v p="$phase" '{ print p, $2 }' <<<"$line" >>"$times"
  awk -v l="$line" -v kb="$kb" -v idle="$idle" -v size="$size" 'BEGIN {
    extra = (kb - idle) / 1024; printf "%s  peak resident %.1f MB, %.1f MB over idle (%.2fx the archive)\n",
    l, kb / 1024, extra, extra * 1048576 / size }'
done
python3 - "$times" <<'PY'
import statistics, sys
runs = {}
for line in open(sys.argv[1]):
    phase, ms = line.split()
    runs.setdefault(phase, []).append(float(ms))
print("each phase in its own process, median of %d runs [range]:" % len(runs["baseline"]))
for p, v in runs.items():
    print("  %-9s %7.0f ms [%.0f-%.0f]" % (p, statistics.median(v), min(v), max(v)))
PY
# The steps are timed one by one inside one process, in rounds that take turns with the baseline.
rm -rf "$here/installed"
"$build/wine-exec" "$here/update_bench.exe" rounds "$port" "${ROUNDS:-7}"
