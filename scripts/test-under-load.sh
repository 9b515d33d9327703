#!/usr/bin/env bash
# Runs the whole CTest suite, on both engines as scripts/test.sh does, while
# the machine is as loaded as a shared build machine: six busy workers on
# the CPUs (stress-ng, or shell loops where it is missing) and a writer
# that syncs every block it writes, since the disk's wait is what slows a
# server's commit. A test that passes alone and fails here depends on the
# machine's speed.
#
#   test-under-load.sh [BUILD_DIR] [RUNS]
#
# BUILD_DIR (default build) must hold a build (scripts/build.sh); RUNS
# (default 3) runs follow each other under the same load. Each run's start,
# end, seconds and load average are printed; the exit status is that of the
# first failed run, 0 when all passed. The load and the test server stop at
# the end, however the script ends.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
build=$(cd "${1:-build}" && pwd)
runs=${2:-3}
[ -f "$build/CTestTestfile.cmake" ] || { echo "test-under-load.sh: no build in $build (scripts/build.sh)" >&2; exit 1; }

load_dir=$(mktemp -d /tmp/orders-load.XXXXXX)
load_pids=()
suite=
stop_all() {
  local pid
  # A run broken off (Ctrl-C, kill) ends its CTest and the tests it runs
  # (the process group this script made for them), not only the load.
  [ -z "$suite" ] || kill -- "-$suite" 2>/dev/null || true
  for pid in "${load_pids[@]}"; do
    kill "$pid" 2>/dev/null || true
  done
  for pid in "${load_pids[@]}"; do
    wait "$pid" 2>/dev/null || true
  done
  rm -rf "$load_dir"
  bash "$root/scripts/pg-server.sh" stop "$build/pg-load"
}
trap stop_all EXIT
trap 'exit 130' INT TERM

server=$(bash scripts/pg-server.sh start "$build/pg-load")
export ORDERS_TEST_SERVER=$server
export QT_QPA_PLATFORM=offscreen

if command -v stress-ng >/dev/null; then
  stress-ng --cpu 6 --quiet &
  load_pids+=($!)
else
  for _ in 1 2 3 4 5 6; do
    ( while :; do :; done ) &
    load_pids+=($!)
  done
fi
# A file of at most 16 MB written again and again, each 4 KB block synced.
(
  writer=
  trap '[ -z "$writer" ] || kill "$writer" 2>/dev/null; exit 0' TERM
  while :; do
    dd if=/dev/zero of="$load_dir/synced" bs=4k count=4096 oflag=dsync status=none &
    writer=$!
    wait "$writer" || true
  done
) &
load_pids+=($!)

status=0
for run in $(seq 1 "$runs"); do
  start=$(date +%s)
  echo "== run $run of $runs: $(date -u '+%F %T UTC'), load average $(cut -d ' ' -f 1-3 /proc/loadavg)"
  # In the background, so that a signal to this script is handled at once,
  # and in a process group of its own.
  (cd "$build" && exec setsid ctest --output-on-failure -j2) &
  suite=$!
  if wait "$suite"; then
    result=passed
  else
    result=FAILED
    [ "$status" -ne 0 ] || status=1
  fi
  suite=
  echo "== run $run $result in $(( $(date +%s) - start )) s, ended $(date -u '+%T UTC'), load average" \
       "$(cut -d ' ' -f 1-3 /proc/loadavg)"
done
exit "$status"
