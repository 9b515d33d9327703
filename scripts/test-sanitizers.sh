#!/usr/bin/env bash
# Builds the library and the tests with AddressSanitizer and
# UndefinedBehaviorSanitizer into build-asan/ (no program, tools or
# benchmarks) and runs every test there: the first finding fails its test.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DORDERS_SANITIZE=ON >/dev/null
cmake --build build-asan -j2
export QT_QPA_PLATFORM=offscreen
cd build-asan
ctest --output-on-failure -j2
