#!/bin/sh
# Installs, from Debian's packages, what building and testing Vandrel needs,
# and the packages named as arguments (what a stage needs besides); arguments
# that start with '-' are options of apt-get install. Skips apt entirely when
# everything is already there. libsqlite3-dev builds the tools' fleet
# database (tools/fleetdb); tshark (with dumpcap, text2pcap and mergecap)
# runs the Wireshark dissector's tests; nftables puts loss and duplication on the
# fault lab's links and drops a device's answers in the dashboard's tests; the
# dashboard's tests drive Debian's headless chromium with selenium, check
# /metrics with promtool (prometheus) and run the guide's examples with curl;
# libssl-dev gives the dashboard its HTTPS (OpenSSL, as cpp-httplib uses it),
# libsodium-dev its users' password hashes (argon2id);
# ansible-core and OpenSSH run the tests of many sites, ansible-lint, pylint,
# pycodestyle and python3-voluptuous judge the collection (with ansible-test
# sanity, which ansible-core holds); man-db (man, lexgrog)
# the manual pages' test. With --build-only, only what the build needs.
#
#   sh scripts/install-deps.sh [--build-only] [--no-install-recommends] [PACKAGE...]
. "$(dirname "$0")/help.sh"
set -e
# What building the library, the vandrel tool and vandrel-sim needs (the demo's).
BUILD_PACKAGES="cmake make g++ pkg-config iproute2 util-linux libsqlite3-dev nlohmann-json3-dev libcpp-httplib-dev libssl-dev libsodium-dev"
PACKAGES="$BUILD_PACKAGES clang libgtest-dev libclang-rt-14-dev help2man python3 tshark libbenchmark-dev nftables ansible-core openssh-server openssh-client python3-pytest chromium chromium-driver python3-selenium prometheus curl man-db ansible-lint pylint pycodestyle python3-voluptuous"
options=""
for a in "$@"; do
  case "$a" in
  --build-only) PACKAGES=$BUILD_PACKAGES ;;
  -*) options="$options $a" ;;
  *) PACKAGES="$PACKAGES $a" ;;
  esac
done
missing=""
for p in $PACKAGES; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
done
[ -z "$missing" ] && exit 0
SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO=sudo
echo "installing:$missing"
$SUDO apt-get update -qq
# tshark's package asks whether non-root users may capture: they may not.
echo "wireshark-common wireshark-common/install-setuid boolean false" | $SUDO debconf-set-selections
DEBIAN_FRONTEND=noninteractive $SUDO apt-get -o DPkg::Lock::Timeout=600 install -y -qq $options $missing >/dev/null
