#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Times `kolmaris-cli download --archive --new-only` of one day's data beside a full download,
# both from kolmaris-terminal-sim paced at 19200 baud with a full (wrapped) memory. A first
# simulator holds 50 days of records; the full download stores them in a fresh archive (the
# full figure). A second one holds the same days and one more (same seed, its clock a day on), as
# the terminal does a day later; the --new-only download of it is the nightly figure.
#
#   bench/new-only-timing.sh [--build DIR] [--unpaced]
#
# Prints "Full download:" and "New-only download:" lines with seconds and bytes read; exits 1
# when the new-only download read the whole memory.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build
pacing=--baud-pacing
while (($#)); do
  case $1 in
    --build) build=$(cd "$2" && pwd); shift 2 ;;
    --unpaced) pacing=; shift ;;
    -h | --help) sed -n '2,11p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    *) echo "unknown argument: $1 (see --help)" >&2; exit 2 ;;
  esac
done
cli=$build/cli/kolmaris-cli
sim=$build/terminal-sim/app/kolmaris-terminal-sim
cmake --build "$build" -j2 --target kolmaris-cli kolmaris-terminal-sim >/dev/null

source "$root/scripts/simulator.sh"

# serve START DAYS: a simulator whose memory holds DAYS days up to START; sets $port.
serve() {
  echo "{\"name\": \"bench\", \"terminal\": {\"startTime\": \"$1\"}, \"memory\": {\"days\": $2}}" >"$work/s.json"
  sim_start "$sim" --scenario "$work/s.json" $pacing
}

# timed NAME ARGS...: runs a download into the archive, prints its time and bytes read.
timed() {
  local name=$1 start end
  shift
  start=$(date +%s.%N)
  "$cli" download --port "$port" --out "$work/$name" --archive "$work/archive.sqlite" --station bench "$@" \
    >"$work/$name.log" 2>"$work/$name.err"
  end=$(date +%s.%N)
  awk -v s="$start" -v e="$end" -v name="$name" -v bytes="$(sed -n 's/^Memory read: *\([0-9]*\).*/\1/p' "$work/$name.log")" \
    -v added="$(sed -n 's/.*": \([0-9]*\) new records$/\1/p' "$work/$name.log")" \
    'BEGIN { printf "%s download: %.2f s (%d bytes read, %d records new to the archive)\n", name, e - s, bytes, added }'
}

serve "2025-03-10 10:00:00" 50
timed Full
sim_stop
serve "2025-03-11 10:00:00" 51
timed New-only --new-only
sim_stop
if ! grep -q "^Read back to the records the archive holds" "$work/New-only.log"; then
  echo "The new-only download read the whole memory: $(cat "$work/New-only.err")" >&2
  exit 1
fi
