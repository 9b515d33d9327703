#!/usr/bin/env bash
# Builds the Debian package order-register_<version>_amd64.deb in build-package/
# (Release, stripped; only the program's targets, no tests or benchmarks) and
# checks it: its files, its dependencies, its desktop entry and its AppStream
# metadata.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh build package
dir=build-package
cmake -S . -B $dir -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
      -DCMAKE_SKIP_INSTALL_ALL_DEPENDENCY=ON >/dev/null
cmake --build $dir -j2 --target program
rm -f $dir/order-register_*.deb
(cd $dir && cpack -G DEB >/dev/null)
deb=$(ls $dir/order-register_*_amd64.deb)
echo "package: $deb"
bash scripts/check-package.sh "$deb"
