# SPDX-License-Identifier: GPL-3.0-or-later
# Sourced by the scripts that run kolmaris-terminal-sim: a work directory $work removed at exit,
# a port directory of its own (so only this simulator is found), and sim_start / sim_stop.

work=$(mktemp -d)
sim_pid=
sim_stop() {
  if [[ -n $sim_pid ]]; then
    kill "$sim_pid" 2>/dev/null || true
    wait "$sim_pid" 2>/dev/null || true
  fi
  sim_pid=
}
trap 'sim_stop; rm -rf "$work"' EXIT
export XDG_RUNTIME_DIR=$work/run
mkdir -m 700 "$XDG_RUNTIME_DIR"

# sim_start SIMULATOR [ARGS...]: starts it, its output in $work/sim.log, and waits until it
# serves a port; sets $port (exits 2 with the log when it does not start).
sim_start() {
  "$@" >"$work/sim.log" 2>&1 &
  sim_pid=$!
  for _ in $(seq 100); do
    grep -qs " on COM " "$work/sim.log" && break
    sleep 0.1
  done
  port=$(sed -n 's/.* on COM \([0-9]*\) .*/\1/p' "$work/sim.log")
  [[ -n $port ]] || { echo "The simulator did not start:" >&2; cat "$work/sim.log" >&2; exit 2; }
}
