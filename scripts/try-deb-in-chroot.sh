#!/bin/sh
# Installs a Rollscribe Debian package on a fresh, minimal Debian 12 in a chroot and checks it as
# a user would: both programs run, the manual pages open, and roll scans are known to the desktop
# as the roll scan type. Needs root and the network (the Debian mirror).
#
#   scripts/try-deb-in-chroot.sh DEB [FOLDER]
#
# FOLDER (default build-chroot/deb-test) is made afresh from FOLDER/../base.tar when that exists
# (a copy of an earlier debootstrap), else with debootstrap --variant=minbase. MIRROR overrides
# the Debian mirror (default http://deb.debian.org/debian).
set -eu
cd "$(dirname "$0")/.."

deb=${1:?usage: $0 DEB [FOLDER]}
root=${2:-build-chroot/deb-test}
mirror=${MIRROR:-http://deb.debian.org/debian}
base=$(dirname "$root")/base.tar
[ "$(id -u)" -eq 0 ] || { echo "$0: needs root (debootstrap, chroot)" >&2; exit 2; }
[ -f "$deb" ] || { echo "$0: no package $deb" >&2; exit 2; }

step() { printf '\n== %s\n' "$*"; }
in_root() { chroot "$root" /usr/bin/env -i HOME=/root PATH=/usr/sbin:/usr/bin:/sbin:/bin \
    LANG=C.UTF-8 DEBIAN_FRONTEND=noninteractive "$@"; }

rm -rf "$root"
mkdir -p "$root"
if [ -f "$base" ]; then
    step "fresh Debian 12 (minbase) from $base"
    tar -C "$root" -xf "$base"
else
    step "debootstrap --variant=minbase bookworm $mirror"
    debootstrap --variant=minbase bookworm "$root" "$mirror" >"$root.debootstrap.log"
    security=$(echo "$mirror" | sed 's|/debian$|/debian-security|')
    cat >"$root/etc/apt/sources.list" <<EOF
deb $mirror bookworm main
deb $mirror bookworm-updates main
deb $security bookworm-security main
EOF
fi
cp /etc/resolv.conf "$root/etc/resolv.conf"
printf '#!/bin/sh\nexit 101\n' >"$root/usr/sbin/policy-rc.d"
chmod +x "$root/usr/sbin/policy-rc.d"
mount -t proc proc "$root/proc"
mount -t tmpfs tmpfs "$root/dev/shm"
trap 'umount "$root/dev/shm" "$root/proc" 2>/dev/null || true' EXIT INT TERM

mkdir -p "$root/tmp/pkg" "$root/tmp/rolls"
cp "$deb" "$root/tmp/pkg/"
cp examples/evening_waltz.bar examples/evening_waltz.ann "$root/tmp/rolls/"
name=$(basename "$deb")

step "apt install ./$name"
in_root apt-get update -qq
before=$(in_root dpkg-query -W -f '${Package}\n' | wc -l)
in_root sh -c "cd /tmp/pkg && apt-get install -y -q ./$name" >"$root.apt.log" 2>&1 ||
    { tail -n 20 "$root.apt.log"; exit 1; }
after=$(in_root dpkg-query -W -f '${Package}\n' | wc -l)
echo "installed $name and $((after - before - 1)) packages it needs (log: $root.apt.log)"
in_root dpkg-query -W rollscribe

failures=0
check() {
    if "$@"; then echo "ok: $label"; else echo "FAILED: $label"; failures=$((failures + 1)); fi
}

step "the programs"
label="a General MIDI sound font came with it"
check test -e "$root/usr/share/sounds/sf2/default-GM.sf2"
label="rollscribe-convert converts the example roll"
check in_root rollscribe-convert /tmp/rolls/evening_waltz.bar
label="the MIDI file is there"
check test "$(head -c 4 "$root/tmp/rolls/evening_waltz_BAR_e.mid")" = MThd
label="rollscribe --version"
check in_root rollscribe --version

step "manual pages and MIME type, with the tools a desktop has (man-db, GLib's gio)"
in_root apt-get install -y -q man-db libglib2.0-bin >>"$root.apt.log" 2>&1
for page in rollscribe-convert rollscribe; do
    label="man $page opens"
    check in_root sh -c "MANWIDTH=80 man $page | head -n 4"
done
label="the MIME database holds the roll scan type"
check grep -q '<comment>Player-piano roll scan</comment>' \
    "$root/usr/share/mime/application/x-rollscribe.document.xml"
for file in evening_waltz.bar ROLL.BAR roll.Web; do
    [ -f "$root/tmp/rolls/$file" ] || cp examples/evening_waltz.bar "$root/tmp/rolls/$file"
    type=$(in_root gio info -a standard::content-type "/tmp/rolls/$file" |
        sed -n 's/^ *standard::content-type: //p')
    echo "$file: $type"
    label="$file is a roll scan"
    check test "$type" = application/x-rollscribe.document
done

step "the desktop program starts on a virtual X server"
in_root apt-get install -y -q xvfb xauth >>"$root.apt.log" 2>&1
rm -f "$root/tmp/rolls/evening_waltz_BAR_e.mid"
status=0
in_root xvfb-run -a timeout 10 rollscribe /tmp/rolls/evening_waltz.bar || status=$?
label="rollscribe still running after 10 s (timeout: 124), got $status"
check test "$status" -eq 124
label="rollscribe converted the roll it was started with"
check test -f "$root/tmp/rolls/evening_waltz_BAR_e.mid"

echo
if [ "$failures" -ne 0 ]; then
    echo "$failures check(s) failed"
    exit 1
fi
echo "all checks passed"
