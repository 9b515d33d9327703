#!/usr/bin/env bash
# Installs what building and running need, builds the program's targets only,
# installs them (cmake --install, into build/install) and starts the program
# through the installed launcher, which puts it into the shop's folder,
# ~/OrderRegister or the folder ORDER_REGISTER_DIR names, and starts it there.
# The register and everything else the program keeps lie in that folder, so a
# new build, or rm -rf build, leaves them alone.
set -euo pipefail
cd "$(dirname "$0")/.."
case ${QT_QPA_PLATFORM:-} in
  offscreen*|minimal*) ;;
  *)
    if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
      echo "no display: the program needs a desktop session" >&2
      exit 1
    fi ;;
esac
bash scripts/install-deps.sh run build
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j2 --target program
rm -rf build/install
cmake --install build --prefix "$PWD/build/install" >/dev/null

# Earlier, the program ran from build/ and kept its register there: a shop
# folder that does not exist yet starts with that register and its files.
shop=${ORDER_REGISTER_DIR:-$HOME/OrderRegister}
if [ ! -e "$shop" ] && [ -e build/db1.mdb ]; then
  mkdir -p "$shop"
  for name in db1.mdb db1.mdb-wal db1.mdb-shm db1.conninfo articles.txt Suppliers.txt Batches.txt \
              Company.txt Orders.xls pictures backups; do
    [ ! -e "build/$name" ] || cp -a "build/$name" "$shop/"
  done
  echo "run.sh: the register and its files in build/ were copied into $shop, where the program keeps them now"
fi
exec build/install/bin/order-register "$@"
