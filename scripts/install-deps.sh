#!/usr/bin/env bash
# Debian 12 packages the program, its tests and its benchmarks need (PostgreSQL 15:
# the client library, and the server that scripts/pg-server.sh starts for the tests).
# Liberation Sans measures the report's cells as Arial would; LibreOffice and
# poppler print the report in the export test and read the pages back; stress-ng
# loads the machine for scripts/test-under-load.sh.
set -euo pipefail
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq g++ cmake make qt6-base-dev libqt6sql6-sqlite libjpeg62-turbo-dev \
    libsqlite3-dev sqlite3 libmdb3 mdbtools-dev mdbtools pkg-config libjpeg-turbo-progs libspreadsheet-parseexcel-perl \
    libspreadsheet-writeexcel-perl postgresql libpq-dev \
    xvfb xauth xdotool fonts-dejavu-core fonts-liberation libreoffice-calc-nogui poppler-utils stress-ng >/dev/null
