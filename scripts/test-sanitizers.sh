#!/usr/bin/env bash
# Builds the library and the tests with AddressSanitizer and
# UndefinedBehaviorSanitizer into build-asan/ (no program, tools or
# benchmarks) and runs every test there, on both engines, with a PostgreSQL
# server of its own in build-asan/pg-test: the first finding fails its test.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DORDERS_SANITIZE=ON >/dev/null
cmake --build build-asan -j2
root=$PWD
trap 'bash "$root/scripts/pg-server.sh" stop "$root/build-asan/pg-test"' EXIT
server=$(bash scripts/pg-server.sh start build-asan/pg-test)
export ORDERS_TEST_SERVER=$server
export QT_QPA_PLATFORM=offscreen
cd build-asan
ctest --output-on-failure -j2
