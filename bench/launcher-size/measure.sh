#!/usr/bin/env bash
# Starts the shipped (stripped) launcher and the same program with its debug information, in
# turn, each from a run folder of its own on one virtual display, and reports the time from
# start to end of each: median and range over the rounds. Both find nothing to update (the
# peer offers no module) and start the main application's stand-in.
#   bench/launcher-size/measure.sh [build-dir]      ROUNDS=n (default 7)
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
build="$(cd "${1:-$root/build}" && pwd)"
rounds="${ROUNDS:-7}"
cmake --build "$build" --target Vendrol vendrol_unstripped Pemblix vz_access_odbc vz_skin_library >/dev/null
"$build/wine-exec" --init-prefix >/dev/null
here="$build/bench/launcher-size"
rm -rf "$here/stripped" "$here/unstripped" "$here/peer"
mkdir -p "$here/stripped" "$here/unstripped" "$here/peer"
python3 "$root/tools/tax-service/server.py" --daemon --port-file "$here/peer/port" \
  --pid-file "$here/peer/pid" --log "$here/peer/server.log" --max-lifetime 1800 >/dev/null
trap 'python3 "$root/tools/tax-service/server.py" --stop --pid-file "$here/peer/pid" >/dev/null' EXIT
port="$(cat "$here/peer/port")"
cp "$build/launcher/Vendrol.exe" "$here/stripped/"
cp "$here/Vendrol.exe" "$here/unstripped/"
for kind in stripped unstripped; do
  cp "$build/tools/pemblix/Pemblix.exe" "$build/resources/skins/UICore.dll" "$here/$kind/"
  python3 "$root/tools/localdb/make_localdb.py" "$here/$kind/VazEvor.mdb" \
    --service-url "http://127.0.0.1:$port/emptylist"
done
for kind in stripped unstripped; do
  printf '%-10s Vendrol.exe %s bytes\n' "$kind" "$(stat -c %s "$here/$kind/Vendrol.exe")"
done

# One display and one Wine server for all starts; each kind goes first in every other round.
xvfb-run -a -s "-screen 0 1280x1024x24" bash -s "$build/wine-exec" "$here" "$rounds" <<'RUN'
set -euo pipefail
exec_="$1" here="$2" rounds="$3"
started() { # KIND: lines Pemblix.exe has written so far
  if [ -f "$here/$1/Pemblix.started.txt" ]; then wc -l <"$here/$1/Pemblix.started.txt"; else echo 0; fi
}
start() { # KIND: milliseconds from start to end of Vendrol.exe, which must start Pemblix.exe
  local before after lines
  lines=$(started "$1")
  before=$(date +%s%N)
  # Wine would read the rest of this script from standard input.
  (cd "$here/$1" && "$exec_" "$here/$1/Vendrol.exe" </dev/null)
  after=$(date +%s%N)
  "$exec_" --wait-server </dev/null
  if [ "$(started "$1")" -le "$lines" ]; then
    echo "$1: Pemblix.exe was not started" >&2
    exit 1
  fi
  echo "$1 $(((after - before) / 1000000))"
}
start stripped >/dev/null
start unstripped >/dev/null
for ((r = 0; r < rounds; ++r)); do
  if ((r % 2)); then start unstripped; start stripped; else start stripped; start unstripped; fi
done >"$here/times"
RUN
python3 - "$here/times" <<'PY'
import statistics, sys
times = {}
for line in open(sys.argv[1]):
    kind, ms = line.split()
    times.setdefault(kind, []).append(int(ms))
for kind in ("stripped", "unstripped"):
    t = times[kind]
    print("%-10s start to end: median %d ms, range %d-%d ms over %d rounds"
          % (kind, statistics.median(t), min(t), max(t), len(t)))
PY
