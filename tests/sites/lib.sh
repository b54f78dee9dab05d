# Helpers of the tests of many sites. Each test runs in the controller of a
# lab of its own (scripts/lab.sh sites-run): behind site host I (198.19.I.2,
# reached over SSH) a device network 198.18.I.0/24 where vandrel-sim runs a
# family A device at 198.18.I.2 (named a-I) and a family B device at
# 198.18.I.3 (named b-I, MAC 02:56:44:12:0I:03), password admin. The site
# hosts use a staging install of this build, as if it were installed: their
# SSH servers put it on the sessions' paths. Sessions start in a home of
# their own, away from the shell start-up files of this machine's root. Needs VANDREL_LAB, LAB (lab.sh),
# BUILD (the build folder) and SOURCE (the project's folder); root.
set -u

WORK=$(mktemp -d)
PIDS=""
cleanup() {
    for s in "$WORK"/cp/*; do
        [ -S "$s" ] && ssh -o ControlPath="$s" -O exit site 2>/dev/null
    done
    for p in $PIDS; do kill -TERM "$p" 2>/dev/null; done
    for p in $PIDS; do wait "$p" 2>/dev/null; done
    rm -rf "$WORK"
}
trap cleanup EXIT

fail() {
    echo "FAILED: $*" >&2
    echo "--- last command: $LAST" >&2
    echo "--- its output:" >&2; cat "$WORK/out" >&2 2>/dev/null
    for log in "$WORK"/*.log; do echo "--- $log:" >&2; tail -20 "$log" >&2; done
    exit 1
}

# The library, the Python module and the tools, as a site host has them.
STAGE=$WORK/stage
stage() {
    for c in runtime python tools; do
        cmake --install "$BUILD" --prefix "$STAGE" --component $c > /dev/null || fail "cmake --install failed"
    done
}

# Starts site I's devices (the fleet of file $2, else the standard two) and
# its SSH server.
start_site() {
    start_devices "$@"
    start_sshd "$1"
}

start_devices() {
    if [ -n "${2:-}" ]; then
        cp "$2" "$WORK/fleet$1.txt"
    else
        printf 'family-a 198.18.%s.2 type=5 name=a-%s password=admin\nfamily-b 198.18.%s.3 type=48 name=b-%s password=admin\n' \
            "$1" "$1" "$1" "$1" > "$WORK/fleet$1.txt"
    fi
    sh "$LAB" exec "$VANDREL_LAB" "lan$1" "$STAGE/bin/vandrel-sim" --fleet "$WORK/fleet$1.txt" > "$WORK/sim$1.log" 2>&1 &
    PIDS="$PIDS $!"
    sh "$SOURCE/scripts/sim-ready.sh" "$WORK/sim$1.log" $! || fail "site $1's devices did not start"
}

# The keys, made for the first site, serve every site.
start_sshd() {
    if [ ! -e "$WORK/id" ]; then
        ssh-keygen -q -t ed25519 -N '' -f "$WORK/host_key" -C site
        ssh-keygen -q -t ed25519 -N '' -f "$WORK/id" -C controller
        cp "$WORK/id.pub" "$WORK/authorized_keys"
        mkdir -p /run/sshd "$WORK/cp"  # sshd's empty folder for its unprivileged child
    fi
    cat > "$WORK/sshd$1.conf" <<CONF
ListenAddress 198.19.$1.2
HostKey $WORK/host_key
PidFile $WORK/sshd$1.pid
AuthorizedKeysFile $WORK/authorized_keys
PermitRootLogin prohibit-password
PasswordAuthentication no
KbdInteractiveAuthentication no
UsePAM no
StrictModes no
SetEnv PYTHONPATH=$STAGE/lib/python3/dist-packages PATH=$STAGE/bin:/usr/sbin:/usr/bin:/sbin:/bin HOME=$WORK/home
CONF
    mkdir -p "$WORK/home"
    echo "198.19.$1.2 $(cut -d' ' -f1,2 "$WORK/host_key.pub")" >> "$WORK/known_hosts"
    sh "$LAB" exec "$VANDREL_LAB" "host$1" /usr/sbin/sshd -D -e -f "$WORK/sshd$1.conf" 2> "$WORK/sshd$1.log" &
    PIDS="$PIDS $!"
    i=0
    until grep -q "Server listening" "$WORK/sshd$1.log"; do
        i=$((i + 1))
        [ $i -le 100 ] || fail "site $1's SSH server did not start"
        sleep 0.05
    done
}

# An inventory of site hosts 1 to $1 (each with its number as "site" and
# its device network as "subnet", 198.18.I), and Ansible's settings for the
# lab: the collection from the source tree, its files in WORK.
inventory() {
    {
        echo "[sites]"
        i=1
        while [ $i -le "$1" ]; do
            echo "site$i ansible_host=198.19.$i.2 site=$i subnet=198.18.$i"
            i=$((i + 1))
        done
        printf '[sites:vars]\nansible_user=root\nansible_python_interpreter=/usr/bin/python3\n'
    } > "$WORK/inventory"
    lab_ansible
}

lab_ansible() {
    export ANSIBLE_COLLECTIONS_PATH="$SOURCE/ansible" ANSIBLE_HOME="$WORK/ansible" \
        ANSIBLE_LOCAL_TEMP="$WORK/ansible/tmp" ANSIBLE_REMOTE_TMP="$WORK/remote" ANSIBLE_PIPELINING=1 \
        ANSIBLE_SSH_CONTROL_PATH_DIR="$WORK/cp" ANSIBLE_NOCOLOR=1 ANSIBLE_FORCE_COLOR=0 \
        ANSIBLE_RETRY_FILES_ENABLED=0 ANSIBLE_PRIVATE_KEY_FILE="$WORK/id" \
        ANSIBLE_SSH_COMMON_ARGS="-o UserKnownHostsFile=$WORK/known_hosts"
}

# Runs ansible-playbook with the inventory, the playbook of standard input
# and the arguments after the first, which is the exit status it must end
# with. Not in a pipeline, whose subshell would not stop the test.
STATUS=0
LAST=""
play() {
    want=$1
    shift
    cat > "$WORK/play.yml"
    LAST="ansible-playbook $*"
    ansible-playbook -i "$WORK/inventory" "$@" "$WORK/play.yml" > "$WORK/out" 2>&1
    STATUS=$?
    expect_status "$want"
}

# A playbook of one play for hosts $1 whose tasks are standard input.
tasks_of() {
    printf -- '- hosts: %s\n  gather_facts: false\n  tasks:\n' "$1"
    cat
}

# play STATUS HOSTS ARGS...: the play of tasks_of HOSTS.
play_tasks() {
    want=$1 hosts=$2
    shift 2
    tasks_of "$hosts" > "$WORK/tasks_of.yml"
    play "$want" "$@" < "$WORK/tasks_of.yml"
}

expect_status() { [ "$STATUS" -eq "$1" ] || fail "exit status $STATUS, expected $1"; }
expect_out() { grep -Eq -- "$1" "$WORK/out" || fail "the output lacks /$1/"; }
expect_no_out() { ! grep -Eq -- "$1" "$WORK/out" || fail "the output holds /$1/"; }
# PLAY RECAP's counts of a host: expect_recap site1 "ok=3 +changed=1"
expect_recap() { grep -Eq -- "^$1 +: $2" "$WORK/out" || fail "the recap of $1 lacks /$2/"; }

# What site I's simulator served, by line pattern.
expect_sim_log() { grep -Eq -- "$2" "$WORK/sim$1.log" || fail "site $1's devices did not log /$2/"; }
expect_no_sim_log() { ! grep -Eq -- "$2" "$WORK/sim$1.log" || fail "site $1's devices logged /$2/"; }

run_case() {
    "$1"
    echo "$1: passed"
}
