#!/usr/bin/env bash
# Installs the package into a fresh Debian 12 system, as a shop PC would get
# it, and checks that an update keeps the shop's data. Not part of CI: it
# needs root, debootstrap and Debian's archive, and takes minutes.
#
#   try-in-fresh-debian.sh DEB [DIR]
#
# DIR (default /tmp/order-register-fresh) keeps the debootstrapped base system
# (DIR/base, made once) and a fresh copy of it for each run (DIR/root). The
# archive is the one this machine's apt uses. Steps: apt-get install the .deb;
# start the launcher offscreen as an ordinary user and time the first start
# (until the program has the register open); store a line, a list and a photo
# through the shop's folder; install the package again as an update (with the
# folder's program made older, so the launcher must replace it); start again
# and check the line, list and photo are still there and the program was
# replaced; remove the package and check the folder stays.
set -euo pipefail
[ $# -ge 1 ] || { echo "usage: try-in-fresh-debian.sh DEB [DIR]" >&2; exit 2; }
deb=$(readlink -f "$1")
dir=${2:-/tmp/order-register-fresh}
base=$dir/base
root=$dir/root
say() { echo "try-in-fresh-debian: $*"; }
fail() { say "FAILED: $*"; exit 1; }

# The first Debian archive apt's sources name (deb822 or one-line format).
mirror() {
  local uri
  uri=$(grep -hsE '^URIs:' /etc/apt/sources.list.d/*.sources | awk '{print $2}' | grep -v security | head -n 1)
  [ -n "$uri" ] || uri=$(grep -hsE '^deb ' /etc/apt/sources.list /etc/apt/sources.list.d/*.list \
                         | awk '{print $2}' | grep -v security | grep -i debian | head -n 1)
  [ -n "$uri" ] || fail "no Debian archive in /etc/apt/sources.list*"
  echo "$uri"
}

mkdir -p "$dir"
if [ ! -f "$base/.complete" ]; then
  rm -rf "$base"
  say "debootstrap --variant=minbase bookworm (once)"
  start=$(date +%s)
  debootstrap --variant=minbase bookworm "$base" "$(mirror)" >"$dir/debootstrap.log" 2>&1 \
    || { tail -n 20 "$dir/debootstrap.log"; fail "debootstrap"; }
  touch "$base/.complete"
  say "debootstrap took $(( $(date +%s) - start )) s"
fi

mounted=()
cleanup() {
  local i
  for (( i=${#mounted[@]}-1; i>=0; i-- )); do umount "${mounted[$i]}" 2>/dev/null || true; done
}
trap cleanup EXIT
rm -rf "$root"
cp -a "$base" "$root"
for fs in proc dev; do
  mount --bind "/$fs" "$root/$fs"
  mounted+=("$root/$fs")
done
in_root() { chroot "$root" env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin LANG=C.UTF-8 "$@"; }

in_root apt-get update -qq
cp "$deb" "$root/tmp/"
name=$(basename "$deb")
say "apt without the recommendations would install: $(in_root apt-get install -s --no-install-recommends "/tmp/$name" 2>/dev/null | grep -E 'newly installed')"
in_root env DEBIAN_FRONTEND=noninteractive apt-get install -y "/tmp/$name" >"$dir/apt-install.log" 2>&1 \
  || { tail -n 30 "$dir/apt-install.log"; fail "apt-get install of $name"; }
say "apt (with the recommendations, as apt installs by default): $(grep -E 'newly installed' "$dir/apt-install.log")"
for unwanted in postgresql libreoffice-core gcc-12 g++-12 perl cpp; do
  if grep -q "^Unpacking $unwanted[ :]" "$dir/apt-install.log"; then
    say "note: apt installed $unwanted ($(in_root apt-cache rdepends --installed "$unwanted" 2>/dev/null | sed -n '3,5p' | tr -d ' ' | tr '\n' ' ')...)"
  fi
done
say "apt: $(grep -E 'additional disk space|Need to get' "$dir/apt-install.log" | tr '\n' ' ')"

in_root useradd -m clerk
shop=/home/clerk/OrderRegister

# Starts the launcher as the clerk; prints the program's process id once it
# has the register open (its file among the process's open files).
start_program() {
  local pid_file=$root/tmp/program.pid i pid
  rm -f "$pid_file"
  in_root runuser -u clerk -- env HOME=/home/clerk QT_QPA_PLATFORM=offscreen \
    sh -c 'order-register >/tmp/program.log 2>&1 & echo $! > /tmp/program.pid' >/dev/null 2>&1
  for (( i = 0; i < 1200; i++ )); do
    pid=$(cat "$pid_file" 2>/dev/null || true)
    if [ -n "$pid" ]; then
      [ -d "/proc/$pid" ] || { cat "$root/tmp/program.log"; fail "the program ended"; }
      if ls -l "/proc/$pid/fd" 2>/dev/null | grep -q "$shop/db1.mdb"; then
        echo "$pid"
        return 0
      fi
    fi
    sleep 0.25
  done
  fail "the program did not open its register within 300 s"
}
stop_program() {
  kill "$1"
  while [ -d "/proc/$1" ]; do sleep 0.1; done
}

begin=$(date +%s.%N)
pid=$(start_program)
end=$(date +%s.%N)
say "first start (launcher to open register): $(awk "BEGIN{printf \"%.1f\", $end - $begin}") s"
[ -f "$root$shop/db1.mdb" ] && [ -x "$root$shop/Project1" ] && [ -x "$root$shop/access_reader" ] \
  && [ -f "$root$shop/about.html" ] || fail "the shop's folder lacks the program or the register"
# The day's backup, which the program starts a moment after the window is up.
for (( i = 0; i < 1200; i++ )); do
  ls "$root$shop"/backups/db1-*.mdb >/dev/null 2>&1 && break
  [ -d "/proc/$pid" ] || fail "the program ended"
  sleep 0.25
done
ls "$root$shop"/backups/db1-*.mdb >/dev/null 2>&1 || fail "no daily backup in the shop's folder within 300 s"
stop_program "$pid"

# The clerk's data: a line in the register, a list and a photo.
in_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq sqlite3 >/dev/null 2>&1
in_root runuser -u clerk -- sqlite3 "$shop/db1.mdb" \
  "INSERT INTO Table1 (artikul, dostavcik, batch) VALUES ('fresh-debian coat', 'Zeta', 'B1')"
in_root runuser -u clerk -- sh -c "printf 'Zeta\r\n' > $shop/Suppliers.txt; mkdir -p $shop/pictures/B1; printf photo > $shop/pictures/B1/1.jpg"
as_clerk() { in_root runuser -u clerk -- "$@"; }
lines_before=$(as_clerk sqlite3 "$shop/db1.mdb" "SELECT count(*) FROM Table1")

# The update: the folder's program made older than the installed one.
touch -d 2000-01-01 "$root$shop/Project1"
in_root env DEBIAN_FRONTEND=noninteractive apt-get install -y --reinstall "/tmp/$name" >"$dir/apt-update.log" 2>&1 \
  || { tail -n 30 "$dir/apt-update.log"; fail "apt-get install again (update)"; }
pid=$(start_program)
stop_program "$pid"
cmp -s "$root/usr/libexec/order-register/Project1" "$root$shop/Project1" || fail "the update did not reach the shop's folder"
[ "$(as_clerk sqlite3 "$shop/db1.mdb" "SELECT count(*) FROM Table1 WHERE artikul = 'fresh-debian coat'")" = 1 ] \
  || fail "the stored line is gone after the update"
[ "$(as_clerk sqlite3 "$shop/db1.mdb" "SELECT count(*) FROM Table1")" = "$lines_before" ] || fail "the line count changed"
grep -q Zeta "$root$shop/Suppliers.txt" || fail "the supplier list is gone"
[ -f "$root$shop/pictures/B1/1.jpg" ] || fail "the photo is gone"
ls "$root$shop"/backups/db1-*.mdb >/dev/null 2>&1 || fail "the backups are gone"

in_root env DEBIAN_FRONTEND=noninteractive apt-get remove -y -qq order-register >/dev/null 2>&1
[ -f "$root$shop/db1.mdb" ] && [ -f "$root$shop/Suppliers.txt" ] || fail "removing the package touched the shop's folder"
say "passed: the line, list, photo and backups survived the update and the removal; the update reached the folder"
