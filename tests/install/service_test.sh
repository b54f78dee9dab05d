#!/bin/sh
# The dashboard's systemd unit as `cmake --install` puts it in place (the
# Debian package carries the same files): systemd-analyze rates its sandbox
# (an exposure of at most 2.0, and nothing open that the unit does not give
# a reason for) and verifies it; its command line, with the defaults file,
# runs as systemd runs it: ready when it serves, cleanly stopped by the
# unit's KillSignal. Each test_ function is a ctest, in a private network
# namespace:
#   VANDREL_BUILD=BUILD sh tests/install/service_test.sh test_NAME
set -eu
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
fail() { echo "FAILED: $*" >&2; exit 1; }

# What the rating leaves open, each for a reason written in the unit: the
# devices are anywhere on the site's networks, which the dashboard lists
# over netlink and tells systemd of over a local socket.
OPEN="PrivateNetwork=
IPAddressDeny=
RestrictAddressFamilies=~AF_(INET|INET6)
RestrictAddressFamilies=~AF_NETLINK
RestrictAddressFamilies=~AF_UNIX
RootDirectory=/RootImage=
DeviceAllow="

# Installs the library and the tools under $WORK/root, for the prefix
# $WORK/stage, a link to where they land: the paths the unit names exist,
# and even a build for /usr writes nothing outside $WORK.
install_service() {
    for component in runtime tools; do
        DESTDIR="$WORK/root" cmake --install "$VANDREL_BUILD" --component $component --prefix "$WORK/stage" > /dev/null
    done
    ln -s "$WORK/root$WORK/stage" "$WORK/stage"
    UNIT=$(find "$WORK/root" -name vandrel-web.service)
    DEFAULTS=$(find "$WORK/root" -path "*/default/vandrel-web")
    [ -n "$UNIT" ] && [ -n "$DEFAULTS" ] || fail "the unit or its defaults file is not installed"
}

test_sandbox() {
    install_service
    systemd-analyze security --offline=yes --threshold=20 "$UNIT" > "$WORK/rating" 2>&1 ||
        { cat "$WORK/rating"; fail "the unit's exposure is over 2.0"; }
    grep "Overall exposure level" "$WORK/rating"
    echo "$OPEN" > "$WORK/open"
    if grep "^✗" "$WORK/rating" | awk '{print $2}' | grep -vxF -f "$WORK/open"; then
        cat "$WORK/rating"
        fail "the unit leaves open more than the dashboard needs (above)"
    fi
    systemd-analyze verify --man=no "$UNIT" > "$WORK/verify" 2>&1 || { cat "$WORK/verify"; fail "the unit does not verify"; }
    [ ! -s "$WORK/verify" ] || { cat "$WORK/verify"; fail "systemd-analyze verify warns"; }
}

test_start() {
    install_service
    # The unit's Environment=, then the defaults file, then its ExecStart
    # with them: the variables are single words, so the shell expands them
    # as systemd does.
    eval "export $(sed -n 's/^Environment=//p' "$UNIT")"
    set -a
    . "$DEFAULTS"
    set +a
    eval "set -- $(sed -n 's/^ExecStart=//p' "$UNIT")"
    [ "$1" = "$WORK/stage/bin/vandrel" ] || fail "the unit runs $1, not the installed vandrel"
    stop=$(sed -n 's/^KillSignal=//p' "$UNIT")
    stop=${stop:-SIGTERM}
    WORK=$WORK STOP=$stop python3 - "$@" <<'PYTHON' ||
        { cat "$WORK/err" >&2; fail "the dashboard did not start and stop as systemd expects"; }
import os, signal, socket, subprocess, sys

work, listen = os.environ["WORK"], os.environ["VANDREL_WEB_LISTEN"]
host, port = listen.rsplit(":", 1)
notify = socket.socket(socket.AF_UNIX, socket.SOCK_DGRAM)
notify.bind(work + "/notify")
notify.settimeout(20)
env = dict(os.environ, NOTIFY_SOCKET=work + "/notify")

def start():
    return subprocess.Popen(sys.argv[1:], env=env, stderr=open(work + "/err", "w"))

# A port already taken: no readiness, and an exit that fails the start.
taken = socket.create_server((host, int(port)))
web = start()
try:
    status = web.wait(20)
finally:
    web.kill()
assert status not in (0, 130), f"status {status} on a taken port"
notify.setblocking(False)
try:
    early = notify.recv(4096)
except BlockingIOError:
    early = b""
assert not early, f"readiness on a taken port: {early}"
notify.settimeout(20)
taken.close()

web = start()
try:
    message = notify.recv(4096).decode()
    assert "READY=1" in message.split("\n"), message
    socket.create_connection((host, int(port)), timeout=5).close()
    web.send_signal(getattr(signal, os.environ["STOP"]))
    status = web.wait(20)
    assert status == 130, f"status {status} after {os.environ['STOP']}"
finally:
    web.kill()
PYTHON
    grep -q "SuccessExitStatus=130" "$UNIT" || fail "the unit does not take status 130 as a clean stop"
    grep -qx "Type=notify" "$UNIT" || fail "the unit does not wait for the readiness"
}

"$1"
