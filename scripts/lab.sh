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
#   sh scripts/lab.sh fault NAME LINK [FAULT...]
#                                         put faults on link LINK (1 to 3) of lab
#                                         NAME, replacing those it had; none clears
#
# Faults (IPv4 datagrams and segments only, so that ARP keeps working):
#   loss=N            N% of what crosses the link is lost, each way at random
#   dup=N             N% of what crosses the link arrives twice, each way
#   drop-reply=EXPR   what the host receives and the nft expression EXPR
#                     matches is lost, such as the first reply to one block:
#                     'udp sport 8801 @th,176,8 2 numgen inc mod 1000000 0'
#   drop-request=EXPR what the host sends and EXPR matches is lost
#   dup-reply=EXPR    what the site sends and EXPR matches arrives twice
#
# A lab of sites, each its own broadcast domain behind a site host, all
# reached from one controller:
#
#   sh scripts/lab.sh sites-up NAME [SITES [ADDRESSES]]   SITES sites (2 to 9; default 2)
#   sh scripts/lab.sh sites-down NAME
#   sh scripts/lab.sh exec NAME NODE CMD  NODE: ctl, hostI or lanI
#   sh scripts/lab.sh sites-run SITES [ADDRESSES] -- CMD  build one, run CMD in the
#                                         controller (VANDREL_LAB names the lab), tear it down
#
# The controller's link mgI (198.19.I.1/24) joins site host I's mgmt0
# (198.19.I.2/24); the site host's lan0 (198.18.I.1/24) joins the site's
# device network, namespace lanI, whose eth0 holds 198.18.I.2 on (ADDRESSES
# of them, default 8). The site host routes between the two, forwarding
# directed broadcasts to 198.18.I.255, so that the controller reaches every
# site's devices by address through a router, and their broadcasts only from
# the site host.
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

# Checks lab NAME's name, then makes its first node NODE, which must not
# exist yet (a lab of that name would), with loopback up; first names it.
first_node() {
    case "$1" in *[!A-Za-z0-9_]* | "") die "NAME is letters, digits and _" ;; esac
    first=$(ns "$1" "$2")
    [ ! -e "/run/netns/$first" ] || die "lab $1 exists"
    ip netns add "$first"
    ip -n "$first" link set lo up
}

up() {
    name=$1
    links=${2:-3}
    case "$links" in 2 | 3) ;; *) die "LINKS is 2 or 3" ;; esac
    first_node "$name" host
    host=$first
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

# The nftables rules of one kind of fault, on the link's host end (ingress:
# what the host receives, egress: what it sends) and the site end's egress.
# A duplicate carries a mark, so that it is not duplicated again when it
# passes the same egress chain.
fault_rules() {
    kind=$1
    value=$2
    chance="numgen random mod 100 < $value"
    case "$kind=$value" in
    loss=100 | dup=100) chance="" ;;
    loss=*[!0-9]* | dup=*[!0-9]* | loss= | dup= | loss=???* | dup=???*)
        die "$kind=$value: a percentage from 0 to 100" ;;
    esac
    dup="meta mark != 0x5644 meta mark set 0x5644 dup to"
    case "$kind" in
    loss) echo "host in ip $chance drop" && echo "host out ip $chance drop" ;;
    dup) echo "host out ip $chance $dup \"link$3\"" && echo "site out ip $chance $dup \"eth0\"" ;;
    drop-reply) echo "host in ip $value drop" ;;
    drop-request) echo "host out ip $value drop" ;;
    dup-reply) echo "site out ip $value $dup \"eth0\"" ;;
    *) die "unknown fault $kind" ;;
    esac
}

# One namespace's table: a chain for each hook, with the rules given for it.
fault_table() {
    device=$1
    rules=$2
    echo "table netdev vdfault {"
    for hook in ingress egress; do
        short=in
        [ $hook = ingress ] || short=out
        echo "  chain $short { type filter hook $hook device \"$device\" priority 0;"
        # Duplicates first, so that each copy meets the loss on its own.
        echo "$rules" | sed -n "/ dup to /s/^$short ip \(.*\)/    meta protocol ip \1/p"
        echo "$rules" | sed -n "/ dup to /!s/^$short ip \(.*\)/    meta protocol ip \1/p"
        echo "  }"
    done
    echo "}"
}

fault() {
    name=$1
    link=$2
    shift 2
    case "$link" in 1 | 2 | 3) ;; *) die "LINK is 1, 2 or 3" ;; esac
    host=$(ns "$name" host)
    site=$(ns "$name" "site$link")
    [ -e "/run/netns/$site" ] || die "no link $link in lab $name"
    rules=""
    for f in "$@"; do
        rules="$rules
$(fault_rules "${f%%=*}" "${f#*=}" "$link")" || exit 2
    done
    for end in host site; do
        node=$host device=link$link
        [ $end = host ] || node=$site device=eth0
        ip netns exec "$node" nft delete table netdev vdfault 2>/dev/null || true
        [ -n "$(echo "$rules" | sed -n "s/^$end //p")" ] || continue
        fault_table "$device" "$(echo "$rules" | sed -n "s/^$end //p")" | ip netns exec "$node" nft -f -
    done
}

down() {
    for n in host site1 site2 site3; do
        [ ! -e "/run/netns/$(ns "$1" "$n")" ] || ip netns del "$(ns "$1" "$n")"
    done
}

sites_up() {
    name=$1
    sites=${2:-2}
    addresses=${3:-8}
    case "$sites" in [2-9]) ;; *) die "SITES is 2 to 9" ;; esac
    case "$addresses" in *[!0-9]* | "") die "ADDRESSES is a number" ;; esac
    [ "$addresses" -ge 1 ] && [ "$addresses" -le 250 ] || die "ADDRESSES is 1 to 250"
    first_node "$name" ctl
    ctl=$first
    i=1
    while [ "$i" -le "$sites" ]; do
        site_up "$name" "$i" "$addresses"
        i=$((i + 1))
    done
}

site_up() {
    host=$(ns "$1" "host$2")
    lan=$(ns "$1" "lan$2")
    ip netns add "$host"
    ip netns add "$lan"
    ip -n "$host" link set lo up
    ip -n "$lan" link set lo up
    ip link add "mg$2" netns "$ctl" type veth peer name mgmt0 netns "$host"
    ip link add lan0 netns "$host" type veth peer name eth0 netns "$lan"
    ip -n "$ctl" addr add "198.19.$2.1/24" brd + dev "mg$2"
    ip -n "$host" addr add "198.19.$2.2/24" brd + dev mgmt0
    ip -n "$host" addr add "198.18.$2.1/24" brd + dev lan0
    a=2
    while [ "$a" -le $(($3 + 1)) ]; do
        echo "addr add 198.18.$2.$a/24 brd + dev eth0"
        a=$((a + 1))
    done | ip -n "$lan" -batch -
    for l in "$ctl mg$2" "$host mgmt0" "$host lan0" "$lan eth0"; do
        ip -n "${l% *}" link set "${l#* }" up
    done
    ip netns exec "$host" sysctl -qw net.ipv4.ip_forward=1 net.ipv4.conf.all.bc_forwarding=1 \
        net.ipv4.conf.mgmt0.bc_forwarding=1 \
        net.ipv4.conf.lan0.bc_forwarding=1
    ip -n "$ctl" route add "198.18.$2.0/24" via "198.19.$2.2"
    ip -n "$lan" route add default via "198.18.$2.1"
}

sites_down() {
    for n in ctl host1 host2 host3 host4 host5 host6 host7 host8 host9 lan1 lan2 lan3 lan4 lan5 lan6 lan7 lan8 lan9; do
        [ ! -e "/run/netns/$(ns "$1" "$n")" ] || ip netns del "$(ns "$1" "$n")"
    done
}

[ $# -ge 2 ] || die "usage: lab.sh up NAME [LINKS] | down NAME | exec NAME NODE CMD... | run LINKS CMD... | fault NAME LINK [FAULT...] | sites-up NAME [SITES [ADDRESSES]] | sites-down NAME | sites-run SITES [ADDRESSES] -- CMD..."
command=$1
shift
case "$command" in
up) up "$@" ;;
down) down "$1" ;;
fault)
    [ $# -ge 2 ] || die "fault NAME LINK [FAULT...]"
    fault "$@"
    ;;
exec)
    [ $# -ge 3 ] || die "exec NAME NODE CMD..."
    node=$(ns "$1" "$2")  # host, siteI; or, in a lab of sites, ctl, hostI, lanI
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
sites-up) sites_up "$@" ;;
sites-down) sites_down "$1" ;;
sites-run)
    sites=$1
    addresses=8
    shift
    [ "${1:-}" = "--" ] || { addresses=$1; shift; }
    [ "${1:-}" = "--" ] || die "sites-run SITES [ADDRESSES] -- CMD..."
    shift
    name="sites$$"
    trap 'sites_down "$name"' EXIT
    trap 'exit 1' INT TERM
    sites_up "$name" "$sites" "$addresses"
    status=0
    VANDREL_LAB=$name ip netns exec "$(ns "$name" ctl)" "$@" || status=$?
    exit "$status"
    ;;
*) die "unknown command $command" ;;
esac
