#!/bin/sh
# The Debian packages as a second machine would take them: lintian finds no
# error, and dpkg -i installs them on a copy of this machine (an overlay of
# its root in a private mount namespace, thrown away at the end) only with
# their dependencies; there the tools, the man pages, pkg-config and the
# Python module work from the system's own places, tshark loads the
# dissector from Debian's folder of Wireshark's plugins, Ansible finds the
# collection vandrel.fleet and documents its modules, and the dashboard's unit
# is in place, disabled, and goes with a purge.
#   scripts/in-netns.sh unshare -m sh tests/install/packages_test.sh BUILD_DEB_DIR
set -eu
DEBS=$(cd "$1" && pwd)
WORK=$(mktemp -d)
ROOT=$WORK/root
# Lazily, so that a process still ending inside does not keep the copy mounted.
trap 'umount -l "$ROOT/proc" 2>/dev/null || :; umount -l "$ROOT" 2>/dev/null || :; rm -rf "$WORK"' EXIT
fail() { echo "FAILED: $*" >&2; exit 1; }

lintian --fail-on error "$DEBS"/*.deb > "$WORK/lintian" 2>&1 || { cat "$WORK/lintian"; fail "lintian errors"; }
[ "$(dpkg-deb -f "$DEBS"/python3-vandrel_*.deb Architecture)" = all ] || fail "python3-vandrel is not Architecture: all"
[ "$(dpkg-deb -f "$DEBS"/vandrel-tools_*.deb Recommends)" = bash-completion ] ||
    fail "vandrel-tools does not recommend bash-completion"
# The whole listing is read: grep -q would stop dpkg-deb mid-write with an error.
dpkg-deb -c "$DEBS"/libvandrel1_*.deb | grep "libvandrel-rules\.so\.1" > /dev/null || fail "libvandrel1 lacks libvandrel-rules"
dpkg-deb -c "$DEBS"/libvandrel1_*.deb | grep "libvandrel-fleetdb\.so\.1" > /dev/null || fail "libvandrel1 lacks libvandrel-fleetdb"
dpkg-deb -c "$DEBS"/vandrel-tools_*.deb | grep " \./lib/systemd/system/vandrel-web\.service$" > /dev/null ||
    fail "vandrel-tools lacks /lib/systemd/system/vandrel-web.service"
dpkg-deb -c "$DEBS"/vandrel-tools_*.deb | grep " \./usr/share/vandrel/prometheus/vandrel-rules\.yml$" > /dev/null ||
    fail "vandrel-tools lacks the Prometheus alerts"
dpkg-deb -f "$DEBS"/vandrel-tools_*.deb Depends | grep "libssl3" > /dev/null || fail "vandrel-tools does not depend on libssl3"
dpkg-deb -f "$DEBS"/vandrel-tools_*.deb Depends | grep "libsodium23" > /dev/null || fail "vandrel-tools does not depend on libsodium23"

mkdir "$WORK/upper" "$WORK/work" "$ROOT"
mount -t overlay overlay -o "lowerdir=/,upperdir=$WORK/upper,workdir=$WORK/work" "$ROOT"
# vandrel-sim looks at /proc to see that it runs in a private namespace.
mount -t proc proc "$ROOT/proc"
cp "$DEBS"/*.deb "$ROOT/tmp/"
in_root() { chroot "$ROOT" env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root sh -c "$1"; }
! in_root "dpkg -i /tmp/libvandrel-dev_*.deb" > "$WORK/dpkg" 2>&1 || fail "libvandrel-dev installed without libvandrel1"
grep -q "depends on libvandrel1" "$WORK/dpkg" || { cat "$WORK/dpkg"; fail "no word of the missing libvandrel1"; }
in_root "dpkg -i /tmp/*.deb" > "$WORK/dpkg" 2>&1 || { cat "$WORK/dpkg"; fail "dpkg -i failed"; }

in_root "vandrel --help" | grep -q "firmware download" || fail "the installed vandrel does not run"
in_root "man -w vandrel vandrel-sim" > /dev/null || fail "no manual pages"
[ "$(in_root "pkg-config --modversion vandrel")" = 1.0.0 ] || fail "pkg-config does not know vandrel"
in_root 'vandrel-sim --quiet > /tmp/sim.log & i=0; until grep -q "devices ready" /tmp/sim.log; do
        i=$((i + 1)); [ $i -le 100 ] && kill -0 $! 2>/dev/null || { echo "vandrel-sim did not start"; exit 1; }; sleep 0.05; done
    python3 -c "import vandrel; print(vandrel.read(\"127.0.0.2\", [\"NAME\"])[\"NAME\"])"; kill $!; wait' > "$WORK/out" 2>&1
[ "$(cat "$WORK/out")" = serial-5 ] || { cat "$WORK/out"; fail "the installed Python module did not read vandrel-sim"; }
in_root "dpkg -L wireshark-vandrel" | grep -q "^/usr/lib/$(dpkg-architecture -qDEB_HOST_MULTIARCH)/wireshark/plugins/vandrel.lua$" ||
    fail "wireshark-vandrel does not put the dissector in Wireshark's folder of plugins"
in_root "tshark -G protocols" 2> "$WORK/tshark" | cut -f3 | grep -qx vandrel ||
    { cat "$WORK/tshark"; fail "tshark did not load the installed dissector"; }
in_root "ansible-galaxy collection list vandrel.fleet" 2>&1 | grep -q "^# /usr/share/ansible/collections/ansible_collections$" ||
    fail "ansible-vandrel-fleet does not put the collection where Debian's Ansible finds collections"
for module in search settings apply backup command firmware; do
    in_root "ansible-doc vandrel.fleet.$module" > "$WORK/doc" 2>&1 && grep -q "^EXAMPLES" "$WORK/doc" &&
        grep -q "^RETURN VALUES" "$WORK/doc" ||
        { cat "$WORK/doc"; fail "ansible-doc does not show vandrel.fleet.$module with its examples"; }
done
# The dashboard's unit is installed, verified where the package put it,
# and disabled; the defaults file is a configuration file; a purge takes
# both.
in_root "systemd-analyze verify /lib/systemd/system/vandrel-web.service" > "$WORK/verify" 2>&1 ||
    { cat "$WORK/verify"; fail "the installed vandrel-web.service does not verify"; }
[ -z "$(find "$ROOT/etc/systemd/system" -name vandrel-web.service)" ] || fail "vandrel-web.service is enabled"
in_root "dpkg-query -W -f='\${Conffiles}' vandrel-tools" | grep -q "^ /etc/default/vandrel-web " ||
    fail "/etc/default/vandrel-web is not a configuration file"
in_root "dpkg --purge vandrel-tools" > "$WORK/dpkg" 2>&1 || { cat "$WORK/dpkg"; fail "dpkg --purge failed"; }
for file in /lib/systemd/system/vandrel-web.service /etc/default/vandrel-web; do
    [ ! -e "$ROOT$file" ] || fail "$file is left after a purge"
done
echo "packages test: passed"
