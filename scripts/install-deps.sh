#!/usr/bin/env bash
# Installs the Debian 12 packages one audience needs; several may be named, and
# none names all of them:
#   run      the program's run-time libraries, its SQLite driver and fonts
#            (Liberation Sans measures the report's cells as Arial would)
#   build    the compiler, CMake and the development packages
#   package  what scripts/package.sh needs to make and check the .deb
#   test     what only the tests and benchmarks need: the PostgreSQL 15
#            server that scripts/pg-server.sh starts, Xvfb and xdotool for the
#            real-pointer test, LibreOffice and poppler to print the report
#            and read its pages back, the Perl spreadsheet modules and the
#            command-line tools that read what the program wrote, stress-ng,
#            which loads the machine for scripts/test-under-load.sh, and
#            clang-format, which checks the sources' format (.ci/run)
set -euo pipefail
run=(libqt6widgets6 libqt6sql6-sqlite libjpeg62-turbo libsqlite3-0 libmdb3 libpq5 libzip4 libfreexl1 libxlsxwriter4
     fonts-dejavu-core fonts-liberation xdg-utils)
build=(g++ cmake make pkg-config qt6-base-dev libjpeg62-turbo-dev libsqlite3-dev mdbtools-dev libpq-dev
       libzip-dev libfreexl-dev libxlsxwriter-dev)
package=(dpkg-dev file desktop-file-utils appstream)
test=(sqlite3 mdbtools libjpeg-turbo-progs libspreadsheet-parseexcel-perl libspreadsheet-writeexcel-perl
      libspreadsheet-parsexlsx-perl postgresql xvfb xauth xdotool libreoffice-calc-nogui poppler-utils stress-ng
      clang-format)

[ $# -gt 0 ] || set -- run build package test
wanted=()
for audience in "$@"; do
  case $audience in
    run) wanted+=("${run[@]}") ;;
    build) wanted+=("${build[@]}") ;;
    package) wanted+=("${package[@]}") ;;
    test) wanted+=("${test[@]}") ;;
    *) echo "usage: install-deps.sh [run] [build] [package] [test]" >&2; exit 2 ;;
  esac
done
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq "${wanted[@]}" >/dev/null
