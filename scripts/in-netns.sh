#!/bin/sh
# Runs a command in a fresh private network namespace whose only interface is
# loopback, with the limited broadcast address routed to loopback so that
# discovery broadcasts stay on this machine. Needs root (or a user namespace).
. "$(dirname "$0")/help.sh"
set -e
if [ $# -eq 0 ]; then
  echo "usage: $0 command [args...]" >&2
  exit 2
fi
exec unshare -n sh -c '
  ip link set lo up &&
  ip route add broadcast 255.255.255.255 dev lo table local src 127.0.0.1 &&
  exec "$@"' in-netns "$@"
