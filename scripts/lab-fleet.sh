#!/bin/sh
# Moves the devices of vandrel-sim --fleet-size DEVICES into site 1 of the
# lab VANDREL_LAB names, from the lab's host: prints their fleet file with
# each 127.1.X.Y address as 198.18.(8+X).Y, gives those addresses to the
# site's interface (198.18.8.0/21) and routes the host to them over link 1.
#
#   sh scripts/lab-fleet.sh BUILD DEVICES > FLEET
. "$(dirname "$0")/help.sh"
set -e
cd "$(dirname "$0")/.."
FLEET=$(mktemp)
trap 'rm -f "$FLEET"' EXIT
"$1/bin/vandrel-sim" --print-fleet --fleet-size "$2" |
  awk '$2 ~ /^127\.1\./ { split($2, a, "."); $2 = "198.18." (8 + a[3]) "." a[4] } { print }' > "$FLEET"
awk '$2 ~ /^198\.18\./ { print "address add " $2 "/21 brd 198.18.15.255 dev eth0" }' "$FLEET" |
  sh scripts/lab.sh exec "$VANDREL_LAB" site1 ip -batch -
ip route add 198.18.8.0/21 dev link1
cat "$FLEET"
