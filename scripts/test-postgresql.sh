#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs the archive tests against a PostgreSQL server of their own: a cluster in a temporary
# directory, owned by an unprivileged user, listening on a free local port; removed afterwards.
#   scripts/test-postgresql.sh PATH/TO/test_history [PATH/TO/test_archive_processes]
set -euo pipefail
tests=$(realpath "${1:?the test_history executable}")
processes=${2:+$(realpath "$2")}
bin=$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -1)
[[ -x "$bin/initdb" ]] || { echo "PostgreSQL is not installed (Debian: postgresql)" >&2; exit 1; }

dir=$(mktemp -d /tmp/kolmaris-postgresql-XXXXXX)
as=()
if [[ $(id -u) == 0 ]]; then  # the server refuses to run as root
  chown nobody "$dir"
  as=(runuser -u nobody --)
fi
stop() {
  "${as[@]}" "$bin/pg_ctl" -D "$dir/data" -m immediate stop >/dev/null 2>&1 || true
  rm -rf "$dir"
}
trap stop EXIT

"${as[@]}" "$bin/initdb" -D "$dir/data" -U kolmaris --auth=trust -E UTF8 >"$dir/initdb.log"
started=
for _ in 1 2 3 4 5; do
  port=$((20000 + RANDOM % 30000))
  if "${as[@]}" "$bin/pg_ctl" -D "$dir/data" -l "$dir/server.log" -w -t 30 \
       -o "-c listen_addresses=127.0.0.1 -p $port -k $dir" start >/dev/null; then
    started=1
    break
  fi
done
[[ -n $started ]] || { cat "$dir/server.log" >&2; exit 1; }
"$bin/createdb" -h 127.0.0.1 -p "$port" -U kolmaris archive_test

export KOLMARIS_TEST_ARCHIVE="postgresql://kolmaris@127.0.0.1:$port/archive_test"
"$tests" --gtest_filter='ArchiveTest.*:ArchiveRules.*:*NewOnly*'
# Two writers at once, as separate programs.
[[ -z $processes ]] || "$processes" --gtest_filter='*TwoImportsAtOnce*'
