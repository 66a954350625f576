#!/usr/bin/env bash
# The launcher's start to end with nothing to update against the local peer, beside a bare
# program of ours that shows a window of the status window's size with the same 1000 ms pause;
# a second copy (another process owns the single-instance mutex) beside a bare program that does
# nothing; then the skin units' start beside a plain read of their resources (skin_start_bench),
# and the slowest of the launcher's units (launcher_units_bench).
# Each round runs every program once, in turn, so a busy machine shows in all alike; the times
# are from process start to end as the shell sees them, reported as median and range.
#   xvfb-run -a -s "-screen 0 1280x1024x24" bench/launcher-start/measure.sh [build-dir]
# ROUNDS=n sets the number of rounds (default 5).
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
build="$(cd "${1:-$root/build}" && pwd)"
here="$build/bench/launcher-start"
run="$here/run"
peer="$here/peer"
rounds="${ROUNDS:-5}"
exe="$build/wine-exec"
bare="$here/launcher_start_bare.exe"
[ -n "${DISPLAY:-}" ] || { echo "no display: run under xvfb-run" >&2; exit 2; }

rm -rf "$run" "$peer"
mkdir -p "$run" "$peer/packages"
cp "$build/launcher/Vendrol.exe" "$build/tools/pemblix/Pemblix.exe" "$build/resources/skins/UICore.dll" "$run/"
cp "$build/tax-service/packages/"*.zip "$peer/packages/"
python3 "$root/tools/tax-service/server.py" --daemon --port-file "$peer/port" --pid-file "$peer/pid" \
  --log "$peer/server.log" --package-dir "$peer/packages" --max-lifetime 1800 >/dev/null
trap 'python3 "$root/tools/tax-service/server.py" --stop --pid-file "$peer/pid" >/dev/null' EXIT
port="$(cat "$peer/port")"
python3 "$root/tools/localdb/make_localdb.py" "$peer/packages/db-run.mdb" \
  --service-url "http://127.0.0.1:$port/run" --app-ver 1.0.2 --database-ver 1.0 --sql-ver 5 \
  --template ZZS=1.1 --template QYSDS=1.1 >/dev/null
python3 "$root/tools/localdb/make_localdb.py" "$run/VazEvor.mdb" \
  --service-url "http://127.0.0.1:$port/run" --app-ver 1.0.1 --database-ver 1.0 --sql-ver 5 \
  --template ZZS=1.0 --template QYSDS=1.0 >/dev/null
peer_control() { # METHOD PATH
  python3 -c 'import sys, urllib.request as u; r = u.Request(sys.argv[1], method=sys.argv[2], data=b"" if sys.argv[2] == "POST" else None); sys.stdout.write(u.urlopen(r).read().decode("gbk"))' \
    "http://127.0.0.1:$port$2" "$1"
}
started() { [ -f "$run/Pemblix.started.txt" ] && grep -c '^Folder=' "$run/Pemblix.started.txt" || echo 0; }

times="$here/times"
: >"$times"
timed() { # NAME COMMAND...: one line "NAME seconds" when the command ends 0
  local name="$1" start end
  shift
  start=$(date +%s.%N)
  (cd "$run" && "$@") >/dev/null 2>&1 || { echo "$name failed" >&2; exit 1; }
  end=$(date +%s.%N)
  awk -v n="$name" -v s="$start" -v e="$end" 'BEGIN { printf "%s %.3f\n", n, e - s }' >>"$times"
}

# The first start installs every module the peer offers; the rounds find nothing to update.
(cd "$run" && "$exe" "$run/Vendrol.exe") >/dev/null 2>&1
"$exe" --wait-server
peer_control POST /control/reset >/dev/null
before=$(started)
for ((round = 0; round < rounds; ++round)); do
  timed launcher "$exe" "$run/Vendrol.exe"
  timed bare-window "$exe" "$bare" window
  "$exe" "$bare" hold >/dev/null 2>&1 &
  holder=$!
  for ((i = 0; i < 300; ++i)); do "$exe" "$bare" held && break; sleep 0.1; done
  timed second-copy "$exe" "$run/Vendrol.exe"
  "$exe" "$bare" release
  wait "$holder"
  timed bare-nothing "$exe" "$bare" nothing
done
fetched="$(peer_control GET /control/packages | tr -d '\r' | paste -sd' ' -)"
echo "rounds: $rounds; main application started $(( $(started) - before )) times; packages fetched: ${fetched:-none}"
python3 - "$times" <<'PY'
import statistics, sys
runs = {}
for line in open(sys.argv[1]):
    name, seconds = line.split()
    runs.setdefault(name, []).append(float(seconds))
med = {k: statistics.median(v) for k, v in runs.items()}
for name, base in (("launcher", "bare-window"), ("second-copy", "bare-nothing")):
    for n in (name, base):
        v = runs[n]
        print("%-12s median %6.2f s  range %6.2f .. %6.2f s" % (n, med[n], min(v), max(v)))
    print("%-12s %+.2f s over %s (medians)" % (name, med[name] - med[base], base))
PY
"$exe" "$here/skin_start_bench.exe" 7
# Where the unit start goes, the slowest units first.
"$exe" "$here/launcher_units_bench.exe" 5 | head -14
