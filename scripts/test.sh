#!/usr/bin/env bash
# Installs what is needed, builds, and runs every test through CTest, offscreen:
# each test once on the embedded SQLite file and once on a private PostgreSQL
# server (scripts/pg-server.sh) in build/pg-test, stopped again at the end.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh run build test
bash scripts/build.sh
root=$PWD
trap 'bash "$root/scripts/pg-server.sh" stop "$root/build/pg-test"' EXIT
server=$(bash scripts/pg-server.sh start build/pg-test)
export ORDERS_TEST_SERVER=$server
export QT_QPA_PLATFORM=offscreen
cd build
ctest --output-on-failure -j2
