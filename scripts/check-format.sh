#!/usr/bin/env bash
# Fails when a tracked C or C++ source is not as clang-format, with the
# repository's .clang-format, would write it (docs/conventions.md).
set -euo pipefail
cd "$(dirname "$0")/.."
command -v clang-format >/dev/null || bash scripts/install-deps.sh test
git ls-files -z '*.cpp' '*.h' '*.c' | xargs -0 clang-format --dry-run -Werror
echo "clang-format: every tracked source is formatted"
