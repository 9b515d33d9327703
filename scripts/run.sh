#!/usr/bin/env bash
# Installs what is needed, builds, and starts the program. The build places an
# empty register (db1.mdb) beside the executable when there is none.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
bash scripts/build.sh
if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  exec xvfb-run -a build/Project1
fi
exec build/Project1
