#!/usr/bin/env bash
# Checks a built order-register .deb: it holds the program's files and none of
# the tests, benchmarks or fuzzers; its Depends and Recommends name no database
# server, office suite, compiler or Perl; its desktop entry and AppStream metadata
# validate. Prints what it found wrong and exits non-zero then.
#   check-package.sh DEB
set -euo pipefail
[ $# -eq 1 ] || { echo "usage: check-package.sh DEB" >&2; exit 2; }
deb=$1
faults=0
fault() { echo "check-package: $*" >&2; faults=$((faults + 1)); }

files=$(dpkg-deb --fsys-tarfile "$deb" | tar -t | sed 's|^\./|/|')
for wanted in \
    /usr/libexec/order-register/Project1 \
    /usr/libexec/order-register/access_reader \
    /usr/libexec/order-register/register_server \
    /usr/share/order-register/about.html \
    /usr/share/order-register/db1.mdb \
    /usr/bin/order-register \
    /usr/share/applications/order-register.desktop \
    /usr/share/metainfo/order-register.metainfo.xml \
    /usr/share/icons/hicolor/scalable/apps/order-register.svg \
    /usr/share/icons/hicolor/16x16/apps/order-register.png \
    /usr/share/icons/hicolor/48x48/apps/order-register.png \
    /usr/share/icons/hicolor/256x256/apps/order-register.png; do
  grep -qxF "$wanted" <<<"$files" || fault "missing $wanted"
done
unwanted=$(grep -E '/(tests?|bench|fuzz)(/|$)|/(tst|bench|fuzz)_[^/]*$|make_empty_register|pg-test' <<<"$files" || true)
[ -z "$unwanted" ] || fault "files of the tests, benchmarks or fuzzers: $unwanted"

for program in Project1 access_reader register_server; do
  file=$(dpkg-deb --fsys-tarfile "$deb" | tar -xO "./usr/libexec/order-register/$program" | file -)
  grep -q ', stripped' <<<"$file" || fault "$program is not stripped"
done

depends=$(dpkg-deb -f "$deb" Depends)
recommends=$(dpkg-deb -f "$deb" Recommends)
echo "Depends: $depends"
echo "Recommends: $recommends"
for name in libqt6widgets6 libqt6sql6-sqlite libsqlite3-0 libmdb3 libpq5 libjpeg62-turbo; do
  grep -qE "(^|[ ,|])$name( |,|$)" <<<"$depends" || fault "Depends lacks $name"
done
forbidden=$(tr ',|' '\n\n' <<<"$depends, $recommends" | sed 's/^ *//; s/ .*//' \
  | grep -E '^(postgresql|libreoffice|gcc|g\+\+|cpp|clang|cmake|make|perl|lib.*-perl|mariadb|mysql)' || true)
[ -z "$forbidden" ] || fault "Depends or Recommends names what running does not need: $forbidden"

tree=$(mktemp -d)
trap 'rm -rf "$tree"' EXIT
dpkg-deb -x "$deb" "$tree"
desktop-file-validate "$tree/usr/share/applications/order-register.desktop" || fault "desktop-file-validate failed"
if command -v appstreamcli >/dev/null 2>&1; then
  # An error fails the check; warnings (such as the component's plain,
  # not reverse-domain, id) are shown.
  if ! report=$(appstreamcli validate --no-net "$tree/usr/share/metainfo/order-register.metainfo.xml" 2>&1); then
    if grep -q '^E:' <<<"$report"; then
      echo "$report" >&2
      fault "appstreamcli validate found errors"
    else
      echo "check-package: appstreamcli validate warns:"
      grep -E '^[WI]:' <<<"$report" | sed 's/^/  /'
    fi
  fi
else
  echo "check-package: appstreamcli is not installed; the AppStream metadata was not validated"
fi

[ $faults -eq 0 ] || { echo "check-package: $faults fault(s) in $deb" >&2; exit 1; }
echo "check-package: $deb is sound ($(wc -l <<<"$files") entries)"
