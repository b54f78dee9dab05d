#!/bin/sh
# A lab of real links, all inside this machine: a host namespace joined by
# veth links to site namespaces, one site behind each link. Nothing in it
# touches the machine's own namespace: every namespace is new, and each veth
# pair is made with both ends already in the lab's namespaces.
#
#   sh scripts/lab.sh up NAME [LINKS]     build lab NAME with LINKS links (2 or 3; default 3)
#   sh scripts/lab.sh down NAME           tear it down
#   sh scripts/lab.sh exec NAME NODE CMD  run CMD in NODE: host, site1, site2 or site3
#   sh scripts/lab.sh run LINKS CMD       build a lab of its own, run CMD in its host
#                                         (VANDREL_LAB names the lab), tear it down
#
# Link i joins host interface linkI (198.18.I.1/24) to site I's interface eth0
# (198.18.I.2 to 198.18.I.9, /24). The host's default route is link 1, and,
# like a real host, it has no route that sends broadcasts to loopback. Needs
# root.
. "$(dirname "$0")/help.sh"
set -e

die() {
    echo "lab.sh: $*" >&2
    exit 2
}

ns() { echo "vdlab-$1-$2"; }

up() {
    name=$1
    links=${2:-3}
    case "$links" in 2 | 3) ;; *) die "LINKS is 2 or 3" ;; esac
    case "$name" in *[!A-Za-z0-9_]* | "") die "NAME is letters, digits and _" ;; esac
    host=$(ns "$name" host)
    [ ! -e "/run/netns/$host" ] || die "lab $name exists"
    ip netns add "$host"
    ip -n "$host" link set lo up
    i=1
    while [ "$i" -le "$links" ]; do
        site=$(ns "$name" "site$i")
        ip netns add "$site"
        ip -n "$site" link set lo up
        ip link add "link$i" netns "$host" type veth peer name eth0 netns "$site"
        ip -n "$host" addr add "198.18.$i.1/24" brd + dev "link$i"
        ip -n "$host" link set "link$i" up
        for a in 2 3 4 5 6 7 8 9; do
            ip -n "$site" addr add "198.18.$i.$a/24" brd + dev eth0
        done
        ip -n "$site" link set eth0 up
        ip -n "$site" route add default via "198.18.$i.1"
        i=$((i + 1))
    done
    ip -n "$host" route add default via 198.18.1.2
}

down() {
    for n in host site1 site2 site3; do
        [ ! -e "/run/netns/$(ns "$1" "$n")" ] || ip netns del "$(ns "$1" "$n")"
    done
}

[ $# -ge 2 ] || die "usage: lab.sh up NAME [LINKS] | down NAME | exec NAME NODE CMD... | run LINKS CMD..."
command=$1
shift
case "$command" in
up) up "$@" ;;
down) down "$1" ;;
exec)
    [ $# -ge 3 ] || die "exec NAME NODE CMD..."
    node=$(ns "$1" "$2")
    [ -e "/run/netns/$node" ] || die "no node $2 in lab $1"
    shift 2
    exec ip netns exec "$node" "$@"
    ;;
run)
    links=$1
    shift
    name="run$$"
    trap 'down "$name"' EXIT
    trap 'exit 1' INT TERM
    up "$name" "$links"
    status=0
    VANDREL_LAB=$name ip netns exec "$(ns "$name" host)" "$@" || status=$?
    exit "$status"
    ;;
*) die "unknown command $command" ;;
esac
