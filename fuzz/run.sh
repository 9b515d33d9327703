#!/usr/bin/env bash
# Builds the fuzz targets with clang into build-fuzz/ and runs each for the
# given number of seconds (default 20) from its seed corpus. New inputs go to
# /tmp/order-register-fuzz/<target>; a finding stops with the input saved
# there as crash-* and a non-zero exit.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-20}
if ! command -v clang++ >/dev/null || [ ! -e /usr/lib/llvm-14/lib/clang/14.0.6/lib/linux/libclang_rt.fuzzer-x86_64.a ]; then
  apt-get install -y -qq clang libclang-rt-14-dev >/dev/null
fi
cmake -S . -B build-fuzz -DORDERS_FUZZ=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo \
      -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ >/dev/null
cmake --build build-fuzz -j2
for target in fuzz/corpus/*/; do
  name=$(basename "$target")
  work=/tmp/order-register-fuzz/$name
  mkdir -p "$work"
  echo "== fuzz_$name"
  build-fuzz/fuzz/fuzz_"$name" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
      -print_final_stats=1 -artifact_prefix="$work/" "$work" "$target" 2>&1 | grep -E '^#[0-9]+[[:space:]]+DONE|^stat::number_of_executed_units|ERROR|SUMMARY'
done
